#include "houses/list/FilterMainViewControl.h"

#include <algorithm>
#include <cmath>

#include "houses/list/DistrictSelect1.h"
#include "houses/list/FilterSelectList.h"
#include "houses/query/FilterCondition.h"
#include "houses/shared/HousesHost.h"
#include "location/CityNode.h"
#include "platform/uikit/activity_indicator_view.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/keyboard.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_bar.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/navigation_item.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/table_view_cell.h"
#include "platform/uikit/window.h"
#include "ui/image/StretchedImage.h"
#include "ui/navigation/UIViewController+Navigation.h"
#include "ui/widgets/CheckBox.h"
#include "ui/widgets/TovikModalViewController.h"
#include "util/categories/Tolerant.h"

namespace {

const ui::Color kLabelGreen = ui::Color::rgb(133, 171, 114);

// Values compare as texts: a number as its decimal text, anything else as empty.
QString comparable(const QVariant& value) {
    if (value.typeId() == QMetaType::QString) return value.toString();
    if (value.canConvert<qint64>() && value.typeId() != QMetaType::QVariantMap &&
        value.typeId() != QMetaType::QVariantList && value.isValid()) {
        return QString::number(value.toLongLong());
    }
    return {};
}

// The text a chosen value travels as: a number with a fraction keeps it.
QString conditionText(const QVariant& value) {
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
        const double number = value.toDouble();
        if (std::isfinite(number) && number != std::trunc(number))
            return QString::number(number, 'g', 15);
    }
    return comparable(value);
}

// A picture of the bundle stretched from its centre over `frame`; nullptr when the bundle
// lacks it, so that the plain look stays.
std::shared_ptr<ui::ImageView> stretchedPicture(const QString& name, const ui::Rect& frame) {
    const auto image = StretchedImage::fromCentre(name);
    if (!image) return nullptr;
    auto view = std::make_shared<ui::ImageView>(image);
    view->setFrame(frame);
    return view;
}

}  // namespace

FilterMainViewControl::FilterMainViewControl(std::shared_ptr<tovikFilters2> filter)
    : qxFilter_(std::move(filter)) {
    keyboardObservation_ = ns::NotificationCenter::defaultCenter().addObserver(
        ui::kKeyboardWillShowNotification, [this](const ns::Notification& notification) {
            keyboardWillShow(
                notification.userInfo.value(ui::kKeyboardFrameEndUserInfoKey).toRectF());
        });
    setHidesBottomBarWhenPushed(true);
    // The screen lays out below the navigation bar.
    setEdgesForExtendedLayout(ui::kRectEdgeNone);
}

QString FilterMainViewControl::labelText(const QString& label) {
    return label.size() == 2 ? QStringLiteral("%1     %2").arg(label.at(0)).arg(label.at(1))
                             : label;
}

std::shared_ptr<FilterMainViewControl> FilterMainViewControl::initWithFitlerArray(
    FilterList items) {
    auto screen = std::make_shared<FilterMainViewControl>(nullptr);
    screen->rows_ = std::move(items);
    screen->hasRows_ = true;
    return screen;
}

FilterList FilterMainViewControl::rows() const {
    return hasRows_ ? rows_ : FilterList();
}

FilterItem FilterMainViewControl::rowWithField(const QString& field) const {
    for (const FilterItem& item : rows()) {
        if (item->value(QStringLiteral("f")).toString() == field) return item;
    }
    return nullptr;
}

bool FilterMainViewControl::isJobCategory(const QString& field) {
    return field == QLatin1String("sub_category") || field == QLatin1String("majorScriptIndex");
}

void FilterMainViewControl::takeRows() {
    if (hasRows_ || !qxFilter_ || !qxFilter_->GetData()) return;
    hasRows_ = true;
    qxFilter_->saveTheDate();
    savedCopy_ = true;
    rows_ = *qxFilter_->GetData();
    if (!fromErshou_) return;
    const auto minor = std::find_if(rows_.begin(), rows_.end(), [](const FilterItem& item) {
        const QString field = item->value(QStringLiteral("f")).toString();
        return field == QLatin1String("minor_category") ||
               field == QLatin1String("majorScriptIndex");
    });
    if (minor != rows_.end()) *minor = baseTagItem();
}

FilterItem FilterMainViewControl::baseTagItem() const {
    QVariantList choices;
    const qsizetype count = std::min(baseTagArray_.size(), baseTagIdArray_.size());
    for (qsizetype i = 0; i < count; ++i) {
        choices.append(QVariantMap{{QStringLiteral("n"), baseTagArray_[i]},
                                   {QStringLiteral("v"), baseTagIdArray_[i]}});
    }
    return std::make_shared<QVariantMap>(
        QVariantMap{{QStringLiteral("f"), QStringLiteral("base_tag")},
                    {QStringLiteral("n"), QStringLiteral("类别")},
                    {QStringLiteral("s"), QStringLiteral("ture")},
                    {QStringLiteral("t"), QStringLiteral("normal")},
                    {QStringLiteral("v"), baseTagId_},
                    {QStringLiteral("leftIndex"), QString::number(ershouLeftIndex_)},
                    {QStringLiteral("rightIndex"), QString::number(ershouRightIndex_)},
                    {QStringLiteral("vs"), choices}});
}

void FilterMainViewControl::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    setTitle(QStringLiteral("高级筛选"));
    const auto weak = weakAs<FilterMainViewControl>();
    UIViewControllerNavigation::setNavigationBackButton(*this, [weak] {
        if (auto self = weak.lock()) self->backMethod();
    });
    UIViewControllerNavigation::setNavigationRightButton(
        *this,
        [weak] {
            if (auto self = weak.lock()) self->getFilterInfo();
        },
        QStringLiteral("确定"));
    view()->setBackgroundColor(ui::Color::rgb(235, 235, 235));
    table_ = std::make_shared<ui::TableView>(restingFrame());
    table_->setBackgroundColor(ui::Color::clearColor());
    table_->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
    table_->setScrollEnabled(false);
    table_->setDataSource(weakAs<FilterMainViewControl>());
    table_->setDelegate(weakAs<FilterMainViewControl>());
    view()->addSubview(table_);

    titleView_ = std::make_shared<ui::View>(ui::Rect(0, 0, 299, 60));
    auto indicator =
        std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorViewStyle::Gray);
    indicator->setFrame({20, 20, 20, 20});
    indicator->startAnimating();
    titleView_->addSubview(indicator);
    loadingLabel_ = std::make_shared<ui::Label>(ui::Rect(48, 10, 245, 40));
    loadingLabel_->setNumberOfLines(2);
    loadingLabel_->setFont(ui::Font::systemFontOfSize(13));
    loadingLabel_->setText(QStringLiteral("正在加载"));
    loadingLabel_->setBackgroundColor(ui::Color::clearColor());
    titleView_->addSubview(loadingLabel_);

    if (hasRows_ || qxFilter_->GetData()) {
        table_->setContentInset({-20, 0, 0, 0});
    } else {
        table_->setTableHeaderView(titleView_);
        qxFilter_->httpRequestWithSuccess(
            [weak = weakAs<FilterMainViewControl>()] {
                auto self = weak.lock();
                if (!self) return;
                self->takeRows();
                self->table_->setTableHeaderView(nullptr);
                self->table_->reloadData();
                self->table_->setContentInset({-20, 0, 0, 0});
            },
            [weak = weakAs<FilterMainViewControl>()] {
                auto self = weak.lock();
                if (!self) return;
                if (auto* indicator = dynamic_cast<ui::ActivityIndicatorView*>(
                        self->titleView_->subviews().front().get())) {
                    indicator->stopAnimating();
                }
                self->loadingLabel_->setText(kNoServer);
            });
    }
    if (!currentStreet()) {
        setCurrentStreet(HousesHost::shared()->currentStreet());
        if (qxFilter_) qxFilter_->setCurrentStreet(currentStreet());
    }
    const auto barImage = ui::Image::imageNamed(QStringLiteral("tabs-bg.png"));
    auto bar = std::make_shared<ui::ImageView>(
        barImage ? barImage->stretchableImageWithLeftCapWidth(0, 22) : nullptr);
    // The bar closes the screen at its bottom edge, whatever height the view gets.
    bar->setFrame({0, view()->bounds().size.height - 44, 320, 44});
    bar->setAutoresizingMask(ui::kAutoresizingFlexibleTopMargin);
    bar->setBackgroundColor(ui::Color::rgb(245, 245, 245));
    bar->layer()->setShadowColor(ui::Color::colorWithWhite(0, 0.2));
    bar->layer()->setShadowOffset({0, -2});
    bar->layer()->setShadowOpacity(0.6);
    bar->layer()->setShadowRadius(2);
    view()->addSubview(bar);
    // The bar's own confirming button.
    finishBtn_ = std::make_shared<ui::Button>(ui::Rect(100, bar->frame().origin.y + 5, 120, 34));
    finishBtn_->setBackgroundImage(StretchedImage::fromCentre(QStringLiteral("buttonB高34.png")),
                                   ui::kControlStateNormal);
    finishBtn_->setBackgroundImage(
        StretchedImage::fromCentre(QStringLiteral("buttonB高34-点击态.png")),
        ui::kControlStateHighlighted);
    finishBtn_->setBackgroundColor(ui::Color::rgb(90, 160, 80));
    finishBtn_->setTitle(QStringLiteral("确定"), ui::kControlStateNormal);
    finishBtn_->setTitleColor(ui::Color::whiteColor(), ui::kControlStateNormal);
    finishBtn_->titleLabel()->setFont(ui::Font::boldSystemFontOfSize(15));
    finishBtn_->addTarget(this, ui::kControlEventTouchUpInside,
                          [this](ui::Control&, const ui::Event*) { getFilterInfo(); });
    finishBtn_->setAutoresizingMask(ui::kAutoresizingFlexibleTopMargin);
    view()->addSubview(finishBtn_);
    takeRows();
}

void FilterMainViewControl::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    view()->setBackgroundColor(ui::Color::rgb(235, 235, 235));
    if (table_) table_->reloadData();
}

std::shared_ptr<Street> FilterMainViewControl::shownStreet() {
    if (auto street = currentStreet()) return street;
    const auto city = HousesHost::shared()->currentCity();
    if (!city || city->Districts.empty() || city->Districts.front()->Streets.empty())
        return nullptr;
    const auto first = city->Districts.front()->Streets.front();
    setCurrentStreet(first);
    return first;
}

QString FilterMainViewControl::valueTextOf(const QVariantMap& item) {
    const QString field = item.value(QStringLiteral("f")).toString();
    if (field == QLatin1String("district_id")) {
        const auto street = shownStreet();
        const auto district = street ? street->parent() : nullptr;
        if (!street || !district || district->index() == -1) return QStringLiteral("不限");
        if (street->index() == -1) return district->name();
        return QStringLiteral("%1-%2").arg(district->name(), street->name());
    }
    if (fromZhaoPTag_ && isJobCategory(field)) {
        const int position = Tolerant(item.value(QStringLiteral("v"))).intValue();
        if (position == -1) return QStringLiteral("不限");
        return Tolerant(QVariant(ZhaoPTagArray_))[position][QStringLiteral("CateName")].toString();
    }
    const QString value = comparable(item.value(QStringLiteral("v")));
    const QVariantList choices = item.value(QStringLiteral("vs")).toList();
    for (const QVariant& choice : choices) {
        if (comparable(choice.toMap().value(QStringLiteral("v"))) == value) {
            return choice.toMap().value(QStringLiteral("n")).toString();
        }
    }
    return field == QLatin1String("baseTag") && !choices.isEmpty() ? QStringLiteral("不限")
                                                                   : QString();
}

std::shared_ptr<ui::TableViewCell> FilterMainViewControl::cellForRowAtIndexPath(
    ui::TableView& table, const ui::IndexPath& path) {
    const FilterList all = rows();
    auto cell = std::make_shared<ui::TableViewCell>();
    cell->setBackgroundColor(ui::Color::whiteColor());
    if (path.row >= int(all.size())) return cell;
    const QVariantMap item = *all[std::size_t(path.row)];
    const QString field = item.value(QStringLiteral("f")).toString();
    const QString kind = item.value(QStringLiteral("t")).toString();
    const double width = table.bounds().size.width;
    const bool boxRow = field == QLatin1String("image_count");
    if (auto background = stretchedPicture(
            boxRow ? QStringLiteral("填写信息框.png") : QStringLiteral("更多框.png"),
            {0, 0, width, kRowHeight})) {
        cell->setBackgroundView(background);
    }
    if (auto title =
            stretchedPicture(QStringLiteral("填写信息框-标题.png"), {0, 0, 90, kRowHeight}))
        cell->contentView()->addSubview(title);
    auto label = std::make_shared<ui::Label>(ui::Rect(8, 0, 90, kRowHeight));
    label->setFont(ui::Font::boldSystemFontOfSize(14));
    label->setTextColor(kLabelGreen);
    label->setBackgroundColor(ui::Color::clearColor());
    label->setText(labelText(item.value(QStringLiteral("n")).toString()));
    cell->contentView()->addSubview(label);
    auto line = std::make_shared<ui::View>(ui::Rect(0, kRowHeight - 1, width, 1));
    line->setBackgroundColor(ui::Color::rgb(225, 225, 225));
    cell->contentView()->addSubview(line);
    // The last row closes the framed list.
    if (path.row == int(all.size()) - 1) {
        if (auto closing =
                stretchedPicture(QStringLiteral("更多框-封口.png"), {0, kRowHeight - 1, width, 1}))
            cell->contentView()->addSubview(closing);
    }

    if (boxRow) {
        cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
        const FilterItem picture = rowWithField(QStringLiteral("image_count"));
        const bool ticked =
            picture && Tolerant(picture->value(QStringLiteral("v"))).intValue() == 1;
        auto box = pictureBox(ticked);
        cell->contentView()->addSubview(box);
        return cell;
    }
    if (kind == QLatin1String("text")) {
        if (const auto kept = keywordCells_.find(all[std::size_t(path.row)].get());
            kept != keywordCells_.end()) {
            return kept->second;
        }
        keywordCells_[all[std::size_t(path.row)].get()] = cell;
        cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
        // Beside the label column, where the other rows show their values.
        auto field = std::make_shared<ui::TextField>(ui::Rect(97, 11, width - 97 - 9, 22));
        field->setPlaceholder(QStringLiteral("请输入") +
                              item.value(QStringLiteral("n")).toString());
        field->setTag(kKeywordFieldTag);
        field->setReturnKeyType(ui::ReturnKeyType::Done);
        field->setBackgroundColor(ui::Color::rgb(245, 245, 245));
        field->setClearButtonMode(ui::TextFieldViewMode::WhileEditing);
        field->setLeftView(std::make_shared<ui::View>(ui::Rect(0, 0, 8, 5)));
        field->setLeftViewMode(ui::TextFieldViewMode::Always);
        field->setDelegate(weakAs<FilterMainViewControl>());
        const QString value = item.value(QStringLiteral("v")).toString();
        field->setText(value == QLatin1String("-1") ? QString() : value);
        field->addTarget(this, ui::kControlEventEditingChanged,
                         [this, row = path.row](ui::Control& sender, const ui::Event*) {
                             textFieldDidChange(static_cast<ui::TextField&>(sender), row);
                         });
        cell->contentView()->addSubview(field);
        return cell;
    }
    auto value = std::make_shared<ui::Label>(ui::Rect(97, (kRowHeight - 20) / 2, 180, 20));
    value->setFont(ui::Font::boldSystemFontOfSize(14));
    value->setBackgroundColor(ui::Color::clearColor());
    value->setText(valueTextOf(item));
    cell->contentView()->addSubview(value);
    auto arrow =
        std::make_shared<ui::ImageView>(ui::Image::imageNamed(QStringLiteral("向下展开.png")));
    arrow->setFrame({0, 0, 10, 10});
    cell->setAccessoryView(arrow);
    std::shared_ptr<ui::View> selected =
        stretchedPicture(QStringLiteral("点击灰色.png"), {0, 0, width, kRowHeight});
    if (!selected) {
        selected = std::make_shared<ui::View>();
        selected->setBackgroundColor(ui::Color::rgb(225, 225, 225));
    }
    cell->setSelectedBackgroundView(selected);
    return cell;
}

void FilterMainViewControl::didSelectRowAtIndexPath(ui::TableView& table,
                                                    const ui::IndexPath& path) {
    table.deselectRowAtIndexPath(path, true);
    const FilterList all = rows();
    if (path.row >= int(all.size())) return;
    const FilterItem item = all[std::size_t(path.row)];
    const QString field = item->value(QStringLiteral("f")).toString();
    if (field == QLatin1String("image_count") ||
        item->value(QStringLiteral("t")).toString() == QLatin1String("text")) {
        return;
    }
    if (field == QLatin1String("district_id")) {
        auto chooser = std::make_shared<DistrictSelect1>(item);
        chooser->setCurrentStreet(shownStreet());
        chooser->setTopController(weakAs<FilterMainViewControl>());
        chooser->setIsCancel(true);
        presentView(chooser);
        return;
    }
    if (fromZhaoPTag_ && isJobCategory(field)) {
        // The job categories are the choices, each by its position.
        QVariantList choices;
        for (qsizetype position = 0; position < ZhaoPTagArray_.size(); ++position) {
            choices.append(QVariantMap{
                {QStringLiteral("n"),
                 Tolerant(ZhaoPTagArray_[position])[QStringLiteral("CateName")].toString()},
                {QStringLiteral("v"), QString::number(position)}});
        }
        item->insert(QStringLiteral("vs"), choices);
    }
    presentView(std::make_shared<FilterSelectList>(item));
}

std::shared_ptr<CheckBox> FilterMainViewControl::pictureBox(bool ticked) {
    auto box = std::make_shared<CheckBox>(ui::Rect(180, 5, 130, 34), QStringLiteral("仅显示有图"));
    box->label()->setFont(ui::Font::boldSystemFontOfSize(14));
    box->label()->setTextColor(ui::Color::rgb(51, 51, 51));
    box->setChecked(ticked);
    box->setTarget([weak = weakAs<FilterMainViewControl>()](CheckBox& changed) {
        if (auto self = weak.lock()) self->typeChanged(changed.checked());
    });
    return box;
}

void FilterMainViewControl::presentView(const std::shared_ptr<ui::ViewController>& controller) {
    ui::Window* window = view()->window();
    auto navigation = ui::NavigationController::withRootViewController(controller);
    navigation->navigationBar()->setTranslucent(false);
    const std::shared_ptr<ui::ViewController> parent = window && window->rootViewController()
                                                           ? window->rootViewController()
                                                           : sharedAs<ui::ViewController>();
    modelView_ = TovikModalViewController::initWithRootViewController(navigation, parent);
    modelView_->setDelegate(weakAs<FilterMainViewControl>());
    modelView_->presentRootViewControllerWithPresentationStyle(1, [] {});
}

void FilterMainViewControl::typeChanged(bool ticked) {
    if (const FilterItem item = rowWithField(QStringLiteral("image_count"))) {
        item->insert(QStringLiteral("v"), ticked ? QStringLiteral("1") : QStringLiteral("-1"));
    }
    table_->reloadData();
}

void FilterMainViewControl::textFieldDidChange(ui::TextField& field, int row) {
    const QString text = field.text().trimmed();
    const FilterList all = rows();
    if (row >= 0 && row < int(all.size())) {
        all[std::size_t(row)]->insert(QStringLiteral("v"), text);
        return;
    }
    if (qxFilter_) qxFilter_->setKeyWord(text.isEmpty() ? QString() : text);
}

namespace {

constexpr double kKeyboardAnimation = 0.27;
const ui::Rect kEditingFrame{11, 20, 299, 179};
const ui::Rect kShortEditingFrame{11, 20, 299, 144};

void moveTable(ui::TableView& table, const ui::Rect& frame) {
    ui::View::animateWithDuration(kKeyboardAnimation, 0, ui::kViewAnimationOptionCurveEaseIn,
                                  [&table, frame] { table.setFrame(frame); }, {});
}

}  // namespace

bool FilterMainViewControl::textFieldShouldBeginEditing(ui::TextField& field) {
    changeFrame_ = field.tag() == kKeywordFieldTag;
    return true;
}

void FilterMainViewControl::shrinkTableKeeping(int row, const ui::Rect& frame) {
    // Scrolled first, so that the row is inside the shorter table when it lays out: a row
    // out of sight leaves the window, and a field being typed in with it.
    if (row >= 0) {
        const ui::Rect rect = table_->rectForRowAtIndexPath({0, row});
        table_->setContentOffset(
            {0, std::max(0.0, rect.origin.y + rect.size.height - frame.size.height)});
    }
    moveTable(*table_, frame);
}

void FilterMainViewControl::textFieldDidBeginEditing(ui::TextField& field) {
    if (!table_ || table_->frame().size.height <= 348) return;
    int row = -1;
    for (ui::View* view = field.superview(); view; view = view->superview()) {
        if (auto* cell = dynamic_cast<ui::TableViewCell*>(view)) {
            if (const auto path = table_->indexPathForCell(cell)) row = path->row;
            break;
        }
    }
    shrinkTableKeeping(row, kEditingFrame);
}

void FilterMainViewControl::keyboardWillShow(const QRectF& keyboardEnd) {
    if (!changeFrame_ || !table_) return;
    shrinkTableKeeping(table_->numberOfRowsInSection(0) - 1,
                       keyboardEnd.height() > 216 ? kShortEditingFrame : kEditingFrame);
}

bool FilterMainViewControl::textFieldShouldReturn(ui::TextField& field) {
    field.resignFirstResponder();
    if (!table_) return true;
    // Back where it lay before the keyboard came, with no band above it.
    const ui::Rect resting = restingFrame();
    moveTable(*table_, resting);
    // Back at its full height the table may hold every row: the rows scrolled away while
    // typing come back rather than stay out of reach.
    const double end = std::max(0.0, table_->contentSize().height - resting.size.height);
    table_->setContentOffset({0, std::min(table_->contentOffset().y, end)}, true);
    return true;
}

void FilterMainViewControl::viewDidDisappear(bool animated) {
    ui::ViewController::viewDidDisappear(animated);
    if (table_) table_->setFrame(restingFrame());
}

ui::Rect FilterMainViewControl::restingFrame() {
    return {11, 0, 299, ui::Screen::mainScreen().bounds().size.height - 108};
}

void FilterMainViewControl::getFilterDicByFilterData() {
    for (const FilterItem& entry : rows()) {
        const QVariantMap item = *entry;
        const QString field = item.value(QStringLiteral("f")).toString();
        const QString kind = item.value(QStringLiteral("t")).toString();
        if (field == QLatin1String("district_id")) {
            const auto street = shownStreet();
            const auto district = street ? street->parent() : nullptr;
            if (!district || district->index() == -1) {
                filterDic_.remove(QStringLiteral("district_id"));
                filterDic_.remove(QStringLiteral("street_id"));
                continue;
            }
            filterDic_[field] = FilterCondition::make(QStringLiteral("district_id"),
                                                      QString::number(district->index()));
            if (street->index() != -1) {
                filterDic_[QStringLiteral("street_id")] = FilterCondition::make(
                    QStringLiteral("street_id"), QString::number(street->index()));
            } else {
                filterDic_.remove(QStringLiteral("street_id"));
            }
            continue;
        }
        if (fromZhaoPTag_ && isJobCategory(field)) continue;
        const QString value = item.value(QStringLiteral("v")).toString();
        if (Tolerant(item.value(QStringLiteral("v"))).intValue() == -1 ||
            (kind != QLatin1String("range") && kind != QLatin1String("normal"))) {
            continue;
        }
        if (field == QLatin1String("latlng")) {
            const auto position =
                HousesHost::shared()->bestEffortAtLocation().value_or(std::make_pair(0.0, 0.0));
            filterDic_[field] = FilterCondition::make(
                field, QString::asprintf("%0.5f,%0.5f,", position.first, position.second) + value);
            continue;
        }
        const QString name = field == QLatin1String("baseTag") ? QStringLiteral("base_tag") : field;
        filterDic_[name] =
            FilterCondition::make(name, conditionText(item.value(QStringLiteral("v"))));
    }
}

void FilterMainViewControl::getFilterInfo() {
    getFilterDicByFilterData();
    if (auto street = currentStreet()) HousesHost::shared()->setCurrentStreet(street);
    for (const FilterItem& item : rows()) {
        if (item->value(QStringLiteral("f")).toString() != QLatin1String("base_tag")) continue;
        if (filterIndexArr_) {
            const QString left = item->value(QStringLiteral("leftIndex")).toString();
            const QString right = item->value(QStringLiteral("rightIndex")).toString();
            filterIndexArr_({left.isEmpty() ? QStringLiteral("0") : left,
                             right.isEmpty() ? QStringLiteral("0") : right});
        }
    }
    if (filterBlock_)
        filterBlock_(filterDic_, qxFilter_ ? qxFilter_->getKeyWord() : QString(), fromZhaoPTag_);
    if (ui::NavigationController* navigation = navigationController())
        navigation->popViewControllerAnimated(true);
}

void FilterMainViewControl::backMethod() {
    if (savedCopy_ && qxFilter_) qxFilter_->returnTheDate();
    if (ui::NavigationController* navigation = navigationController())
        navigation->popViewControllerAnimated(true);
}
