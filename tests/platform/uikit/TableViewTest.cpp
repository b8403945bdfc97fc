#include "UIKitTest.h"

#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/table_view_controller.h"
#include "platform/uikit/test_driver.h"
#include "platform/uikit/window.h"

#include <QHash>
#include <QStringList>

#include <cmath>

namespace {

using ui::IndexPath;
using ui::Point;
using ui::Rect;
using ui::TableView;
using ui::TableViewCell;

// Sections of rows named by text; counts the cells it makes and logs what the
// table asks and tells.
class ListSource : public ui::TableViewDataSource, public ui::TableViewDelegate {
public:
    int numberOfSectionsInTableView(TableView&) override { return int(sections.size()); }
    int numberOfRowsInSection(TableView&, int section) override {
        return int(sections[std::size_t(section)].size());
    }
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& table,
                                                         const IndexPath& indexPath) override {
        auto cell = table.dequeueReusableCellWithIdentifier("row");
        if (!cell) {
            cell = std::make_shared<TableViewCell>(ui::TableViewCellStyle::Default, "row");
            ++created;
        }
        cell->textLabel()->setText(sections[std::size_t(indexPath.section)][indexPath.row]);
        return cell;
    }
    QString titleForHeaderInSection(TableView&, int section) override {
        return std::size_t(section) < titles.size() ? titles[std::size_t(section)] : QString();
    }
    bool canEditRowAtIndexPath(TableView&, const IndexPath& indexPath) override {
        return editable && indexPath.row != lockedRow;
    }
    void commitEditingStyle(TableView& table, ui::TableViewCellEditingStyle,
                            const IndexPath& indexPath) override {
        log << "commit " + indexPath.toString();
        if (!removeOnCommit) return;
        auto& rows = sections[std::size_t(indexPath.section)];
        rows.erase(rows.begin() + indexPath.row);
        table.deleteRowsAtIndexPaths({indexPath}, ui::TableViewRowAnimation::Fade);
    }
    double heightForRowAtIndexPath(TableView&, const IndexPath& indexPath) override {
        return heights.empty() ? kAutomaticDimension
                               : heights[std::size_t(indexPath.row) % heights.size()];
    }
    void didSelectRowAtIndexPath(TableView&, const IndexPath& indexPath) override {
        log << "select " + indexPath.toString();
    }
    void didDeselectRowAtIndexPath(TableView&, const IndexPath& indexPath) override {
        log << "deselect " + indexPath.toString();
    }
    QString titleForDeleteConfirmationButtonForRowAtIndexPath(TableView&,
                                                              const IndexPath&) override {
        return "删除收藏";
    }
    void willBeginEditingRowAtIndexPath(TableView&, const IndexPath& indexPath) override {
        log << "beginEditing " + indexPath.toString();
    }
    void didEndEditingRowAtIndexPath(TableView&, const IndexPath& indexPath) override {
        log << "endEditing " + indexPath.toString();
    }

    std::string take() { return std::exchange(log, {}).join(", ").toStdString(); }

    std::vector<std::vector<QString>> sections;
    std::vector<QString> titles;
    std::vector<double> heights;
    QStringList log;
    int created = 0;
    int lockedRow = -1;
    bool editable = true;
    bool removeOnCommit = true;
};

std::vector<QString> rows(int count, const QString& prefix = "行") {
    std::vector<QString> list;
    for (int i = 0; i < count; ++i) list.push_back(prefix + QString::number(i));
    return list;
}

class TableViewTest : public UIKitTest {
protected:
    void SetUp() override {
        UIKitTest::SetUp();
        window_ = std::make_shared<ui::Window>();
        window_->makeKeyAndVisible();
        table_ = std::make_shared<TableView>(Rect(0, 0, 320, 480));
        window_->addSubview(table_);
        driver_ = std::make_unique<ui::TestDriver>(window_);
    }
    void show() {
        table_->setDataSource(source_);
        table_->setDelegate(source_);
        table_->layoutIfNeeded();
    }
    QString textAt(const IndexPath& indexPath) {
        TableViewCell* cell = table_->cellForRowAtIndexPath(indexPath);
        return cell ? cell->textLabel()->text() : QString();
    }

    std::shared_ptr<ui::Window> window_;
    std::shared_ptr<TableView> table_;
    std::shared_ptr<ListSource> source_ = std::make_shared<ListSource>();
    std::unique_ptr<ui::TestDriver> driver_;
};

TEST_F(TableViewTest, TenThousandRowsScrollWithNoMoreCellsThanFitPlusOne) {
    source_->sections = {rows(10000)};
    show();
    EXPECT_EQ(table_->contentSize().height, 10000 * 44);
    const int fit = int(std::ceil(480.0 / 44));
    for (double y = 0; y <= table_->maximumContentOffset().y; y += 37) {
        table_->setContentOffset(Point(0, y));
        table_->layoutIfNeeded();
    }
    table_->setContentOffset(table_->maximumContentOffset());
    EXPECT_LE(source_->created, fit + 1);
    EXPECT_EQ(table_->cellCount(), std::size_t(source_->created));
    EXPECT_EQ(textAt({0, 9999}), "行9999");
    EXPECT_EQ(table_->cellForRowAtIndexPath({0, 0}), nullptr) << "off screen: no cell";
    const auto visible = table_->indexPathsForVisibleRows();
    ASSERT_FALSE(visible.empty());
    EXPECT_EQ(visible.back(), IndexPath(0, 9999));
    EXPECT_EQ(visible.front(), IndexPath(0, 10000 - fit));

    // Flicking back with a finger reuses the same cells.
    driver_->drag(Point(160, 100), Point(160, 450), 0.1, 10);
    clock().advance(5s);
    EXPECT_LE(source_->created, fit + 1);
    EXPECT_LT(table_->contentOffset().y, table_->maximumContentOffset().y - 1000);
}

TEST_F(TableViewTest, VariableHeightsHeadersAndFloatingHeader) {
    source_->sections = {rows(3, "甲"), rows(20, "乙")};
    source_->titles = {"A", "B"};
    source_->heights = {90, 70};
    show();
    EXPECT_EQ(table_->rectForHeaderInSection(0), Rect(0, 0, 320, 22));
    EXPECT_EQ(table_->rectForRowAtIndexPath({0, 0}), Rect(0, 22, 320, 90));
    EXPECT_EQ(table_->rectForRowAtIndexPath({0, 1}), Rect(0, 112, 320, 70));
    EXPECT_EQ(table_->rectForHeaderInSection(1).origin.y, 22 + 90 + 70 + 90);
    EXPECT_EQ(table_->indexPathForRowAtPoint(Point(10, 111.5)), IndexPath(0, 0));
    EXPECT_EQ(table_->indexPathForRowAtPoint(Point(10, 112)), IndexPath(0, 1));

    // Scrolled into section B, its header stays at the top of the screen.
    table_->setContentOffset(Point(0, 600));
    table_->layoutIfNeeded();
    ui::View* header = table_->headerViewForSection(1);
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->frame().origin.y, 600);
    EXPECT_NE(driver_->findByText("B"), nullptr);
}

// A footer that stands in the delegate's footer views.
class FooterSource : public ListSource {
public:
    double heightForFooterInSection(TableView&, int) override { return 44; }
    std::shared_ptr<ui::View> viewForFooterInSection(TableView&, int section) override {
        auto footer = std::make_shared<ui::View>();
        footer->setTag(500 + section);
        return footer;
    }
};

TEST_F(TableViewTest, APlainTablesFooterStaysAtTheBottomUntilItsSectionEnds) {
    auto source = std::make_shared<FooterSource>();
    source->sections = {rows(20, "甲"), rows(3, "乙")};
    source_ = source;
    show();
    // Section A runs past the screen: its footer waits at the bottom of the screen.
    ui::View* footer = table_->footerViewForSection(0);
    ASSERT_NE(footer, nullptr);
    EXPECT_EQ(footer->frame(), Rect(0, 480 - 44, 320, 44));
    table_->setContentOffset(Point(0, 300));
    table_->layoutIfNeeded();
    EXPECT_EQ(table_->footerViewForSection(0)->frame().origin.y, 300 + 480 - 44);
    // At its section's end it stands where the section puts it and scrolls with the rows.
    table_->setContentOffset(Point(0, 20 * 44 + 44 - 480 + 100));
    table_->layoutIfNeeded();
    EXPECT_EQ(table_->footerViewForSection(0)->frame().origin.y, 20 * 44);
    // A short section's footer follows its rows, never above them.
    table_->setContentOffset(table_->maximumContentOffset());
    table_->layoutIfNeeded();
    ASSERT_NE(table_->footerViewForSection(1), nullptr);
    EXPECT_EQ(table_->footerViewForSection(1)->frame().origin.y, 20 * 44 + 44 + 3 * 44);
}

TEST_F(TableViewTest, SwipeToDeleteAsksTheDataSourceAndRemovesTheRow) {
    source_->sections = {rows(5)};
    source_->lockedRow = 3;
    show();
    // A leftward swipe over row 1 shows the confirmation with the delegate's title.
    driver_->drag(Point(250, 66), Point(120, 68), 0.2, 8);
    EXPECT_EQ(table_->rowShowingDeleteConfirmation(), IndexPath(0, 1));
    EXPECT_TRUE(table_->isEditing()) << "the swipe puts the one row into edit mode";
    EXPECT_EQ(table_->contentOffset(), Point(0, 0)) << "a swipe does not scroll";
    EXPECT_EQ(source_->take(), "beginEditing {0, 1}");
    ui::Button* confirm = table_->cellForRowAtIndexPath({0, 1})->deleteConfirmationButton();
    ASSERT_NE(confirm, nullptr);
    EXPECT_EQ(confirm->currentTitle(), "删除收藏");

    EXPECT_TRUE(driver_->tap(confirm));
    EXPECT_EQ(source_->take(), "commit {0, 1}, endEditing {0, 1}");
    EXPECT_FALSE(table_->isEditing());
    EXPECT_EQ(table_->numberOfRowsInSection(0), 4);
    clock().advance(400ms);
    EXPECT_EQ(textAt({0, 1}), "行2");
    EXPECT_EQ(driver_->findByText("行1"), nullptr);

    // A row the data source will not edit shows nothing; a tap elsewhere hides a confirmation.
    driver_->drag(Point(250, 22 + 44 * 3), Point(120, 22 + 44 * 3), 0.2, 8);
    EXPECT_FALSE(table_->rowShowingDeleteConfirmation());
    driver_->drag(Point(250, 22), Point(120, 22), 0.2, 8);
    EXPECT_EQ(table_->rowShowingDeleteConfirmation(), IndexPath(0, 0));
    driver_->tapAt(Point(100, 200));
    EXPECT_FALSE(table_->rowShowingDeleteConfirmation());
    EXPECT_EQ(source_->take(), "beginEditing {0, 0}, endEditing {0, 0}")
        << "that tap selected nothing";
}

TEST_F(TableViewTest, EditModeDeleteControlLeadsToTheConfirmation) {
    source_->sections = {rows(3)};
    show();
    table_->setEditing(true, false);
    TableViewCell* cell = table_->cellForRowAtIndexPath({0, 2});
    ASSERT_TRUE(cell->isEditing());
    EXPECT_EQ(cell->contentView()->frame().origin.x, TableViewCell::kEditingIndent);
    driver_->tapAt(Point(15, 44 * 2 + 22));
    EXPECT_EQ(table_->rowShowingDeleteConfirmation(), IndexPath(0, 2));
    EXPECT_TRUE(driver_->tap(cell->deleteConfirmationButton()));
    EXPECT_EQ(source_->take(), "commit {0, 2}");
    EXPECT_TRUE(table_->isEditing()) << "edit mode stays on";
    driver_->tapAt(Point(200, 22));
    EXPECT_EQ(source_->take(), "") << "no selection while editing";
    // The row's delete animation ends here, not on a later test's clock: a running animation
    // left behind would have that test's window draw every frame.
    clock().advance(1s);
}

TEST_F(TableViewTest, TapsSelectAndSelectionFollowsUpdates) {
    source_->sections = {rows(10)};
    show();
    driver_->tapAt(Point(100, 44 * 3 + 10));
    driver_->tapAt(Point(100, 44 * 5 + 10));
    EXPECT_EQ(source_->take(), "select {0, 3}, deselect {0, 3}, select {0, 5}");
    EXPECT_TRUE(table_->cellForRowAtIndexPath({0, 5})->isSelected());

    // Two rows inserted above move the selection down with the row.
    source_->sections[0].insert(source_->sections[0].begin(), {"新0", "新1"});
    source_->sections[0].erase(source_->sections[0].begin() + 9);  // old row 7
    table_->beginUpdates();
    table_->insertRowsAtIndexPaths({{0, 0}, {0, 1}}, ui::TableViewRowAnimation::Top);
    table_->deleteRowsAtIndexPaths({{0, 7}}, ui::TableViewRowAnimation::Left);
    table_->endUpdates();
    EXPECT_EQ(table_->indexPathForSelectedRow(), IndexPath(0, 7));
    clock().advance(400ms);
    EXPECT_EQ(textAt({0, 0}), "新0");
    EXPECT_EQ(textAt({0, 7}), "行5");
    EXPECT_EQ(textAt({0, 9}), "行8");
    EXPECT_EQ(table_->visibleCells().size(), 11u);

    // An update the data source does not match reloads instead of failing.
    source_->sections[0].push_back("多");
    table_->deleteRowsAtIndexPaths({{0, 0}}, ui::TableViewRowAnimation::Fade);
    EXPECT_EQ(table_->numberOfRowsInSection(0), 12);
    EXPECT_FALSE(table_->indexPathForSelectedRow()) << "a reload clears the selection";
}

// Heights that go with the rows' texts; notes the rows whose heights the table asks for.
class MeasuredSource : public ListSource {
public:
    double heightForRowAtIndexPath(TableView&, const IndexPath& indexPath) override {
        const QString& text = sections[std::size_t(indexPath.section)][indexPath.row];
        asked << text;
        return heightOf.value(text);
    }
    QHash<QString, double> heightOf;
    QStringList asked;
};

TEST_F(TableViewTest, AnUpdateAsksOnlyForTheHeightsOfTheRowsItInsertsOrReloads) {
    auto source = std::make_shared<MeasuredSource>();
    source->sections = {rows(8)};
    for (int row = 0; row < 8; ++row)
        source->heightOf.insert(QStringLiteral("行%1").arg(row), 30 + row);
    source->heightOf.insert("新0", 50);
    source->heightOf.insert("新1", 60);
    source_ = source;
    show();
    source->asked.clear();

    // Old rows 2 and 5 leave, a row comes first and one last, old row 6 is reloaded taller.
    source->sections[0] = {"新0", "行0", "行1", "行3", "行4", "行6", "行7", "新1"};
    source->heightOf.insert("行6", 80);
    table_->beginUpdates();
    table_->deleteRowsAtIndexPaths({{0, 2}, {0, 5}}, ui::TableViewRowAnimation::None);
    table_->insertRowsAtIndexPaths({{0, 0}, {0, 7}}, ui::TableViewRowAnimation::None);
    table_->reloadRowsAtIndexPaths({{0, 6}}, ui::TableViewRowAnimation::None);
    table_->endUpdates();
    EXPECT_EQ(source->asked, QStringList({"新0", "行6", "新1"}));
    double top = 0;
    for (int row = 0; row < 8; ++row) {
        const double height = source->heightOf.value(source->sections[0][std::size_t(row)]);
        EXPECT_EQ(table_->rectForRowAtIndexPath({0, row}), Rect(0, top, 320, height)) << row;
        top += height;
    }
    EXPECT_EQ(table_->contentSize().height, top);
}

TEST_F(TableViewTest, ScrollToRowPlacesItAtTopMiddleOrBottom) {
    source_->sections = {rows(100)};
    show();
    table_->scrollToRowAtIndexPath({0, 50}, ui::TableViewScrollPosition::Top, false);
    EXPECT_EQ(table_->contentOffset().y, 50 * 44);
    table_->scrollToRowAtIndexPath({0, 50}, ui::TableViewScrollPosition::Middle, false);
    EXPECT_EQ(table_->contentOffset().y, 50 * 44 + 22 - 240);
    table_->scrollToRowAtIndexPath({0, 50}, ui::TableViewScrollPosition::Bottom, false);
    EXPECT_EQ(table_->contentOffset().y, 51 * 44 - 480);
    table_->scrollToRowAtIndexPath({0, 99}, ui::TableViewScrollPosition::Top, true);
    clock().advance(1s);
    EXPECT_EQ(table_->contentOffset().y, table_->maximumContentOffset().y) << "kept in range";
    table_->selectRowAtIndexPath(IndexPath(0, 0), false, ui::TableViewScrollPosition::None);
    table_->scrollToNearestSelectedRowAtScrollPosition(ui::TableViewScrollPosition::None, false);
    EXPECT_EQ(table_->contentOffset().y, 0);
}

TEST_F(TableViewTest, CellStylesLayOutTheirLabels) {
    auto value1 = std::make_shared<TableViewCell>(ui::TableViewCellStyle::Value1, "v1");
    value1->setFrame(Rect(0, 0, 320, 44));
    value1->textLabel()->setText("城市");
    value1->detailTextLabel()->setText("北京");
    value1->setAccessoryType(ui::TableViewCellAccessoryType::DisclosureIndicator);
    value1->layoutIfNeeded();
    const Rect content = value1->contentView()->frame();
    EXPECT_LT(content.maxX(), 320 - TableViewCell::kMargin - 8 + 1);
    EXPECT_EQ(value1->detailTextLabel()->frame().maxX(),
              content.size.width - TableViewCell::kMargin);
    EXPECT_LT(value1->textLabel()->frame().maxX(), value1->detailTextLabel()->frame().minX());

    auto subtitle = std::make_shared<TableViewCell>(ui::TableViewCellStyle::Subtitle, "s");
    subtitle->setFrame(Rect(0, 0, 320, 60));
    subtitle->textLabel()->setText("标题");
    subtitle->detailTextLabel()->setText("副标题");
    subtitle->imageView()->setImage(ui::Image::imageWithColor(ui::Color::redColor(), {40, 40}));
    subtitle->layoutIfNeeded();
    EXPECT_EQ(subtitle->imageView()->frame(), Rect(15, 10, 40, 40));
    EXPECT_EQ(subtitle->textLabel()->frame().origin.x, 70);
    EXPECT_EQ(subtitle->detailTextLabel()->frame().minY(), subtitle->textLabel()->frame().maxY());

    auto plain = std::make_shared<TableViewCell>();
    EXPECT_EQ(plain->detailTextLabel(), nullptr) << "the default style has no detail label";
    auto value2 = std::make_shared<TableViewCell>(ui::TableViewCellStyle::Value2, "v2");
    value2->textLabel()->setText("电话");
    value2->detailTextLabel()->setText("4008100");
    value2->layoutIfNeeded();
    EXPECT_EQ(value2->textLabel()->textAlignment(), ui::TextAlignment::Right);
    EXPECT_GT(value2->detailTextLabel()->frame().minX(), value2->textLabel()->frame().maxX());

    // Selecting shows the selected background until deselected.
    value1->setSelected(true);
    EXPECT_EQ(value1->selectedBackgroundView()->superview(), value1.get());
    value1->setSelected(false, true);
    clock().advance(400ms);
    EXPECT_EQ(value1->selectedBackgroundView()->superview(), nullptr);
}

TEST_F(TableViewTest, SectionIndexJumpsToItsSection) {
    class IndexedSource : public ListSource {
    public:
        QStringList sectionIndexTitlesForTableView(TableView&) override { return {"A", "B", "C"}; }
    };
    source_ = std::make_shared<IndexedSource>();
    source_->sections = {rows(20, "a"), rows(20, "b"), rows(20, "c")};
    source_->titles = {"A", "B", "C"};
    show();
    const Rect sectionC = table_->rectForSection(2);
    // The index is centred on the right edge; touch its last title.
    const double line = ui::Font::boldSystemFontOfSize(11).lineHeight();
    driver_->tapAt(Point(315, 240 + line));
    EXPECT_EQ(table_->contentOffset().y,
              std::min(sectionC.origin.y, table_->maximumContentOffset().y));
}

TEST_F(TableViewTest, TableViewControllerDeselectsBeforeAppearing) {
    class Screen : public ui::TableViewController {
    public:
        int numberOfRowsInSection(TableView&, int) override { return 3; }
        std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& table,
                                                             const IndexPath&) override {
            auto cell = table.dequeueReusableCellWithIdentifier("c");
            return cell ? cell
                        : std::make_shared<TableViewCell>(ui::TableViewCellStyle::Default, "c");
        }
    };
    auto screen = std::make_shared<Screen>();
    ASSERT_NE(screen->tableView(), nullptr);
    EXPECT_EQ(screen->tableView()->dataSource().get(), screen.get());
    screen->tableView()->layoutIfNeeded();
    screen->tableView()->selectRowAtIndexPath(IndexPath(0, 1), false,
                                              ui::TableViewScrollPosition::None);
    screen->beginAppearanceTransition(true, false);
    EXPECT_FALSE(screen->tableView()->indexPathForSelectedRow());
}

}  // namespace
