// The list cell's layout from its content, and the quick-filter bar's buttons and drop-downs.
#include "SandboxTest.h"

#include "houses/query/QuickFilterView.h"
#include "houses/shared/QXPostListCell.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/table_view_cell.h"
#include "platform/uikit/test_driver.h"
#include "platform/uikit/window.h"

namespace {

std::shared_ptr<QXPostListCell> laidOut(const PostCellContent& content, bool thumbnails) {
    auto cell = std::make_shared<QXPostListCell>(ui::TableViewCellStyle::Value1, "QXPostList");
    cell->setFrame({0, 0, 320, 70});
    cell->setIsShowWifiImage(thumbnails);
    cell->setContent(std::make_shared<const PostCellContent>(content));
    cell->layoutIfNeeded();
    return cell;
}

PostCellContent row(QVariantMap extra = {}) {
    PostCellContent content{{"masterId", 7},     {"majorId", 1},       {"left1", "标题"},
                            {"left2", "朝阳区"}, {"left3", "3小时前"}, {"right2", "3500元/月"}};
    for (auto it = extra.begin(); it != extra.end(); ++it) content[it.key()] = it.value();
    return content;
}

}  // namespace

using PostListCellTest = SandboxTest;

TEST_F(PostListCellTest, AllFourBadgesFromTheRightAndTheTitleWidthLeft) {
    const auto all =
        row({{"FangFlag", true}, {"quotation", true}, {"zhiding", true}, {"YanFlag", true}});
    auto cell = laidOut(all, false);
    EXPECT_EQ(cell->FangImageView()->frame().origin.x, 294);
    EXPECT_EQ(cell->baojiaImageView()->frame().origin.x, 257);
    EXPECT_EQ(cell->baojiaImageView()->frame().size.width, 35);
    EXPECT_EQ(cell->zhiDingView()->frame().origin.x, 239);
    EXPECT_EQ(cell->YanImageView()->frame().origin.x, 220);
    EXPECT_EQ(cell->firstWidth(), 212);
    EXPECT_EQ(cell->left1Lbl()->frame().size.width, 212);
    EXPECT_EQ(laidOut(all, true)->firstWidth(), 132);
    auto none = laidOut(row(), false);
    EXPECT_TRUE(none->FangImageView()->isHidden());
    EXPECT_TRUE(none->YanImageView()->isHidden());
    EXPECT_EQ(none->firstWidth(), 304);
}

TEST_F(PostListCellTest, ThePriceAndTheSecondLineShareTheRow) {
    auto cell = laidOut(row({{"right2", "0元/月"}}), true);
    EXPECT_EQ(cell->right2Lbl()->text(), "面议");
    const ui::Rect price = cell->right2Lbl()->frame();
    EXPECT_EQ(price.origin.x + price.size.width, 310);
    EXPECT_EQ(cell->left2Lbl()->frame().size.width, 228 - (price.size.width + 5));
    EXPECT_EQ(cell->left2Lbl()->frame().origin.x, 84);
    EXPECT_FALSE(cell->thumbnailView()->isHidden());

    EXPECT_EQ(laidOut(row({{"right2", ""}}), true)->left2Lbl()->frame().size.width, 228);
    auto off = laidOut(row(), false);
    EXPECT_TRUE(off->thumbnailView()->isHidden());
    EXPECT_EQ(off->right2Lbl()->frame(), ui::Rect(220, 46, 90, 16));
    EXPECT_EQ(off->left2Lbl()->frame(), ui::Rect(8, 29, 250, 16));
}

TEST_F(PostListCellTest, ReadPostsGreyTheTitleUnlessAFavourite) {
    auto cell = laidOut(row({{"hasRead", true}}), false);
    EXPECT_EQ(cell->left1Lbl()->textColor(), ui::Color::rgb(153, 153, 153));
    cell->setIsFav(true);
    cell->layoutIfNeeded();
    EXPECT_EQ(cell->left1Lbl()->textColor(), ui::Color::rgb(51, 51, 51));
    EXPECT_EQ(laidOut(row(), false)->left1Lbl()->textColor(), ui::Color::rgb(51, 51, 51));
}

TEST_F(PostListCellTest, TheSameContentAgainDrawsNothingNewAndAReusedRowKeepsNothingOld) {
    auto cell = laidOut(row({{"FangFlag", true}, {"haveImage", true}}), false);
    const int passes = cell->drawingPasses();
    cell->setContent(cell->content());
    cell->setContent(std::make_shared<const PostCellContent>(*cell->content()));
    cell->layoutIfNeeded();
    EXPECT_EQ(cell->drawingPasses(), passes);
    cell->setContent(std::make_shared<const PostCellContent>(row()));
    cell->layoutIfNeeded();
    EXPECT_EQ(cell->drawingPasses(), passes + 1);
    EXPECT_TRUE(cell->FangImageView()->isHidden());
    EXPECT_TRUE(cell->haveImageView()->isHidden());
    EXPECT_TRUE(laidOut(row({{"haveImage", true}}), false)->haveImageView()->isHidden() == false);
}

TEST_F(PostListCellTest, ALongThirdLineWithThePhotoMarkMovesDownAndTheMarkFollowsIt) {
    const QString longText(40, QChar(u'长'));
    auto cell = laidOut(row({{"haveImage", true}, {"left3", longText}}), true);
    EXPECT_EQ(cell->left3Lbl()->frame(), ui::Rect(8, 55, 275, 16));
    EXPECT_EQ(cell->haveImageView()->frame(), ui::Rect(293, 55, 17, 14));
    EXPECT_FALSE(cell->haveImageView()->isHidden());

    auto shortLine = laidOut(row({{"haveImage", true}, {"left3", "3小时前"}}), true);
    const ui::Rect third = shortLine->left3Lbl()->frame();
    EXPECT_EQ(third.origin, ui::Point(84, 46)) << "a short line stays beside the thumbnail";
    EXPECT_LT(third.size.width, 100);
    EXPECT_EQ(shortLine->haveImageView()->frame().origin.x, third.origin.x + third.size.width + 10);
}

TEST_F(PostListCellTest, ThumbnailsOnForACategoryWithoutThemStartTheTextAtTheEdge) {
    auto cell =
        laidOut(row({{"majorId", "2"}, {"FangFlag", true}, {"image", "http://x/1.jpg"}}), true);
    EXPECT_TRUE(cell->thumbnailView()->isHidden());
    EXPECT_EQ(cell->thumbnailView()->image(), nullptr);
    EXPECT_EQ(cell->left1Lbl()->frame(), ui::Rect(8, 8, 224 - 19, 20));
    const ui::Rect price = cell->right2Lbl()->frame();
    EXPECT_EQ(price.origin.x + price.size.width, 310);
    EXPECT_EQ(cell->left2Lbl()->frame(), ui::Rect(8, 29, 304 - (price.size.width + 5), 16));
    EXPECT_EQ(cell->left3Lbl()->frame(), ui::Rect(8, 46, 205, 16));
}

TEST_F(PostListCellTest, CategoriesWithThumbnails) {
    EXPECT_TRUE(QXPostListCell::categoryShowsThumbnail(7, 1));
    EXPECT_TRUE(QXPostListCell::categoryShowsThumbnail(7, 5));
    EXPECT_FALSE(QXPostListCell::categoryShowsThumbnail(7, 2));
    EXPECT_FALSE(QXPostListCell::categoryShowsThumbnail(7, 4));
    EXPECT_TRUE(QXPostListCell::categoryShowsThumbnail(14, 9));
    EXPECT_FALSE(QXPostListCell::categoryShowsThumbnail(15, 1));
    EXPECT_FALSE(QXPostListCell::categoryShowsThumbnail(3, 1));
}

namespace {

class BarOwner : public QuickFilterViewDelegate {
public:
    QStringList keys;
    std::map<int, QuickFilterRows> firstColumns;
    std::vector<std::pair<int, int>> finalChoices;  // button, row
    int moreTaps = 0;
    bool answerTitles = true;

    int numOfSelectSectionInQFView(QuickFilterView&) override { return int(keys.size()); }
    QString qfViewTitleForIndex(QuickFilterView&, int index) override {
        return answerTitles ? (keys[index] == "more" ? QStringLiteral("更多") : keys[index])
                            : QString();
    }
    std::optional<QuickFilterRows> qfViewDataForSection(QuickFilterView& bar, int index,
                                                        int section) override {
        if (section == 1) {
            // Streets of the district chosen in the first column.
            const QString district =
                QString::number(bar.defaultSelectRowDic()[index].value(0).toInt());
            QuickFilterRows streets;
            for (int i = 0; i < 8; ++i)
                streets.push_back(QuickFilterRow::ofText(district + "-" + QString::number(i)));
            return streets;
        }
        if (section != 0 || !firstColumns.contains(index)) return std::nullopt;
        return firstColumns[index];
    }
    int numOfSectionInQFView(QuickFilterView&, int) override { return columns; }
    QStringList filterKeyForQfView(QuickFilterView&) override { return keys; }
    void qfViewDidSelectSection(QuickFilterView&, int index, const ui::IndexPath& path,
                                const QuickFilterRows&) override {
        finalChoices.emplace_back(index, path.row);
    }
    // As a district button does: the second column becomes the chosen row's streets.
    void qfViewDidSelectRightSection(QuickFilterView& bar, int index, const ui::IndexPath& path,
                                     const QuickFilterRows&) override {
        leftChoices.emplace_back(index, path.row);
        bar.defaultSelectRowDic()[index] = {QString::number(path.row), "0"};
        bar.reloadQFTblAtIndex(index);
    }
    int columns = 1;
    std::vector<std::pair<int, int>> leftChoices;  // button, row
    void moreBtnTouchForQFView(QuickFilterView&) override { ++moreTaps; }
};

}  // namespace

class QuickFilterBarTest : public SandboxTest {
protected:
    void build(QStringList keys) {
        owner_->keys = std::move(keys);
        for (int i = 0; i < 3; ++i) {
            owner_->firstColumns[i] = {QuickFilterRow::ofText("a"), QuickFilterRow::ofText("b"),
                                       QuickFilterRow::ofText("c")};
        }
        window_->makeKeyAndVisible();
        bar_ = std::make_shared<QuickFilterView>(ui::Rect(0, 0, 320, 400));
        bar_->setDelegate(owner_);
        bar_->initialize();
        window_->addSubview(bar_);
        window_->layoutIfNeeded();
    }
    void open(int index) {
        ASSERT_TRUE(driver_.tap(bar_->button(index)));
        driver_.wait(0.5);
        window_->layoutIfNeeded();
    }
    std::shared_ptr<BarOwner> owner_ = std::make_shared<BarOwner>();
    std::shared_ptr<ui::Window> window_ = std::make_shared<ui::Window>();
    ui::TestDriver driver_{window_};
    std::shared_ptr<QuickFilterView> bar_;
};

TEST_F(QuickFilterBarTest, TwoKeysAndMore) {
    build({"price", "area", "more"});
    EXPECT_DOUBLE_EQ(bar_->button(0)->frame().size.width, 133.5);
    EXPECT_DOUBLE_EQ(bar_->button(2)->frame().size.width, 53);
    EXPECT_NE(bar_->dropDown(1), nullptr);
    EXPECT_EQ(bar_->dropDown(2), nullptr) << "the more button opens nothing";
    open(2);
    EXPECT_EQ(owner_->moreTaps, 1);
    EXPECT_EQ(bar_->frame().size.height, QuickFilterView::kBarHeight);
}

TEST_F(QuickFilterBarTest, OpeningChoosingAndTheMask) {
    build({"price", "latlng", "area"});
    EXPECT_DOUBLE_EQ(bar_->button(1)->frame().size.width, 320.0 / 3);
    open(0);
    EXPECT_FALSE(bar_->dropDown(0)->isHidden());
    EXPECT_EQ(bar_->frame().size.height, 400);
    EXPECT_EQ(bar_->defaultSelectRowDic()[0], QStringList{"0"});
    open(1);
    EXPECT_TRUE(bar_->dropDown(0)->isHidden()) << "one drop-down at a time";
    EXPECT_EQ(bar_->defaultSelectRowDic()[1], QStringList{"2"}) << "the radius defaults to row 2";

    // The mask below the open drop-down.
    driver_.tapAt({160, 380});
    window_->layoutIfNeeded();
    EXPECT_TRUE(bar_->dropDown(1)->isHidden());
    EXPECT_EQ(bar_->frame().size.height, QuickFilterView::kBarHeight);

    open(2);
    ui::TableView* column = bar_->dropDown(2)->column(0);
    ASSERT_NE(column, nullptr);
    ASSERT_TRUE(driver_.tap(column->cellForRowAtIndexPath({0, 1})));
    driver_.wait(0.5);
    ASSERT_EQ(owner_->finalChoices.size(), 1u);
    EXPECT_EQ(owner_->finalChoices.front(), std::make_pair(2, 1));
    EXPECT_TRUE(bar_->dropDown(2)->isHidden()) << "a final choice closes it";

    // A reload that brings nothing keeps the rows shown.
    owner_->firstColumns.erase(2);
    bar_->reloadAtIndex(2);
    EXPECT_EQ(column->numberOfRowsInSection(0), 3);
}

TEST_F(QuickFilterBarTest, AnOwnerWithoutTitlesGetsEmptyButtons) {
    owner_->answerTitles = false;
    build({"price", "area"});
    EXPECT_EQ(bar_->titleAtIndex(0), "");
    bar_->resetTitleForIndex(1, "新");
    EXPECT_EQ(bar_->titleAtIndex(1), "新");
}

TEST_F(QuickFilterBarTest, TheFirstOfTwoColumnsKeepsItOpenAndTheNewSecondColumnStartsAtRowZero) {
    owner_->columns = 2;
    build({"district_id", "price"});
    open(0);
    QuickFilterTbl* dropDown = bar_->dropDown(0);
    ui::TableView* streets = dropDown->column(1);
    ASSERT_NE(streets, nullptr);
    EXPECT_EQ(streets->frame().size.width, 178);
    EXPECT_EQ(dropDown->column(0)->frame().size.width, 126);
    // A street of the first district, then another district.
    ASSERT_TRUE(driver_.tap(streets->cellForRowAtIndexPath({0, 3})));
    driver_.wait(0.5);
    ASSERT_EQ(owner_->finalChoices.size(), 1u);
    EXPECT_TRUE(dropDown->isHidden()) << "a street closes it";
    open(0);
    streets->selectRowAtIndexPath(ui::IndexPath(0, 3), false, ui::TableViewScrollPosition::None);
    ASSERT_TRUE(driver_.tap(dropDown->column(0)->cellForRowAtIndexPath({0, 2})));
    driver_.wait(0.5);
    window_->layoutIfNeeded();
    ASSERT_EQ(owner_->leftChoices.size(), 1u);
    EXPECT_FALSE(dropDown->isHidden()) << "a district keeps it open";
    EXPECT_EQ(streets->numberOfRowsInSection(0), 8);
    EXPECT_EQ(static_cast<ui::Label*>(
                  streets->cellForRowAtIndexPath({0, 0})->contentView()->viewWithTag(1))
                  ->text(),
              "2-0")
        << "the chosen district's streets";
    EXPECT_EQ(streets->indexPathForSelectedRow(), ui::IndexPath(0, 0))
        << "its first street shows as chosen";

    // Tapping the open button again closes it.
    open(0);
    EXPECT_TRUE(dropDown->isHidden());
    EXPECT_EQ(bar_->frame().size.height, QuickFilterView::kBarHeight);
}

TEST_F(QuickFilterBarTest, StoredDefaultRowsAreMarkedInDrawnDropDownsOnly) {
    build({"price", "area"});
    bar_->defaultSelectRowDic()[1] = {"2"};
    bar_->setDefaultSelectRow();  // nothing drawn yet: nothing to mark, nothing breaks
    open(0);
    ui::TableView* prices = bar_->dropDown(0)->column(0);
    bar_->defaultSelectRowDic()[0] = {"2"};
    bar_->setDefaultSelectRow();
    EXPECT_EQ(prices->indexPathForSelectedRow(), ui::IndexPath(0, 2));
    bar_->defaultSelectRowDic()[0] = {"9"};
    bar_->setDefaultSelectRow();
    EXPECT_EQ(prices->indexPathForSelectedRow(), ui::IndexPath(0, 2)) << "no such row: unchanged";

    bar_->resetDefaultDic();
    EXPECT_EQ(bar_->defaultSelectRowDic()[0], QStringList{"0"});
    EXPECT_EQ(bar_->defaultSelectRowDic()[1], QStringList{"0"}) << "each keeps its length";
    bar_->setDefaultSelectRow();
    EXPECT_EQ(prices->indexPathForSelectedRow(), ui::IndexPath(0, 0));
}
