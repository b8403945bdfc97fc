#include "location/HotCitySelect.h"

#include "analytics/StatClick.h"
#include "location/CityNode.h"
#include "location/CitySearchEngine.h"
#include "location/CustomSearchBar.h"
#include "location/LocationManager.h"
#include "location/SelectedCityState.h"

#include "platform/foundation/notification_center.h"
#include "platform/uikit/color.h"
#include "platform/uikit/font.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/navigation_item.h"
#include "platform/uikit/string_drawing.h"
#include "platform/uikit/table_view_cell.h"
#include "ui/navigation/UIViewController+Navigation.h"
#include "ui/widgets/LoadingOverlay.h"

namespace {

constexpr double kScreenWidth = 320;
constexpr double kLocatedTextWidth = 300;
constexpr double kLetterSize = 80;

ui::Color headerColor() {
    return ui::Color::rgb(236, 236, 236);
}

// The network alert is the application's usual one-button alert ("确  定"); the chooser's own
// alert for a missing user id has a button of its own ("确定") and hears its answer.
void alertNoNetwork() {
    std::make_shared<ui::AlertView>(
        QStringLiteral("网络不可用"), QStringLiteral("请连接到移动数据网络或wifi网络"),
        std::weak_ptr<ui::AlertViewDelegate>(), QStringLiteral("确  定"))
        ->show();
}

void alertNoUserId(std::weak_ptr<ui::AlertViewDelegate> delegate) {
    auto view =
        std::make_shared<ui::AlertView>(QString(), QStringLiteral("网络链接失败,请确认网络链接"),
                                        std::move(delegate), QStringLiteral("确定"));
    view->setTag(HotCitySelect::kNoUserIdAlertTag);
    view->show();
}

// The row pictures, at rest and while touched; a row without them keeps the plain look.
void dressRow(ui::TableViewCell& cell) {
    if (auto picture = ui::Image::imageNamed(QStringLiteral("选城城市bg.png"))) {
        cell.setBackgroundView(std::make_shared<ui::ImageView>(picture));
    }
    if (auto picture = ui::Image::imageNamed(QStringLiteral("选城城市bg点击.png"))) {
        cell.setSelectedBackgroundView(std::make_shared<ui::ImageView>(picture));
    }
}

const std::vector<std::shared_ptr<City>>& noCities() {
    static const std::vector<std::shared_ptr<City>> none;
    return none;
}

}  // namespace

HotCitySelect::HotCitySelect(std::shared_ptr<SelectedCityState> state)
    : state_(std::move(state)), cityData_(state_ ? state_->cityData() : nullptr) {
    if (cityData_) currentCity_ = cityData_->currentCity();
    // The list starts below the navigation bar, whatever the bar's style.
    setEdgesForExtendedLayout(ui::kRectEdgeNone);
}

HotCitySelect::~HotCitySelect() {
    leave();
}

const QStringList& HotCitySelect::latterArr() {
    static const QStringList titles{"当前", "热门", "A", "B", "C", "D", "E", "F",
                                    "G",    "H",    "J", "K", "L", "M", "N", "P",
                                    "Q",    "R",    "S", "T", "W", "X", "Y", "Z"};
    return titles;
}

void HotCitySelect::buildLetterGroups() {
    allCityArr_ = cityData_ ? cityData_->allCities() : std::vector<std::shared_ptr<City>>();
    const QStringList& titles = latterArr();
    for (const auto& city : allCityArr_) {
        const QString initial = city->pinyin().left(1).toUpper();
        if (initial.isEmpty() || !titles.mid(kFixedSections).contains(initial)) continue;
        cityOderByPinyin_[initial].push_back(city);
    }
    sectionTitles_ = titles.mid(0, kFixedSections);
    for (const auto& [letter, cities] : cityOderByPinyin_) sectionTitles_ << letter;
}

void HotCitySelect::viewDidLoad() {
    if (state_) state_->setInCitySelect(true);
    buildLetterGroups();
    setTitle(QStringLiteral("城市选择"));
    const ui::Rect bounds = view()->bounds();
    view()->setBackgroundColor(ui::Color::whiteColor());

    // The search bar lies behind the list, above it; while searching it comes to the front.
    searchEngine_ = std::make_shared<CitySearchEngine>(cityData_, weakAs<HotCitySelect>());
    searchBar_ = std::make_shared<CustomSearchBar>(ui::Rect(0, 0, kScreenWidth, 0), searchEngine_);
    searchBar_->setVcDelegate(weakAs<HotCitySelect>());
    view()->addSubview(searchBar_);

    table_ =
        std::make_shared<ui::TableView>(ui::Rect(0, CustomSearchBar::kHeight, bounds.size.width,
                                                 bounds.size.height - CustomSearchBar::kHeight));
    table_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
    table_->setDataSource(weakAs<HotCitySelect>());
    table_->setDelegate(weakAs<HotCitySelect>());
    table_->setRowHeight(kRowHeight);
    view()->addSubview(table_);

    currentCityCell_ = std::make_shared<ui::TableViewCell>();
    currentCityCell_->textLabel()->setFont(ui::Font::boldSystemFontOfSize(14));
    currentCityCell_->textLabel()->setNumberOfLines(0);
    dressRow(*currentCityCell_);
    UserLocationStateChange();

    selectCityShowName_ = std::make_shared<ui::Label>(
        ui::Rect((bounds.size.width - kLetterSize) / 2, (bounds.size.height - kLetterSize) / 2,
                 kLetterSize, kLetterSize));
    selectCityShowName_->setBackgroundColor(ui::Color::colorWithWhite(0, 0.6));
    selectCityShowName_->setTextColor(ui::Color::whiteColor());
    selectCityShowName_->setTextAlignment(ui::TextAlignment::Center);
    selectCityShowName_->setHidden(true);
    view()->addSubview(selectCityShowName_);

    if (!bFirstPage_) {
        UIViewControllerNavigation::setNavigationLeftButton(
            *this,
            [weak = weakAs<HotCitySelect>()] {
                if (auto self = weak.lock()) self->goBack();
            },
            QStringLiteral("取消"));
    }
    ns::NotificationCenter::defaultCenter().addObserver(
        sharedAs<HotCitySelect>(), UserLocation::kStateChangeNotification,
        [weak = weakAs<HotCitySelect>()](const ns::Notification&) {
            if (auto self = weak.lock()) self->UserLocationStateChange();
        });
}

void HotCitySelect::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    const auto host = state_ ? state_->host() : nullptr;
    if (host && !host->connectionReachabil()) {
        alertNoNetwork();
    }
}

QString HotCitySelect::locatedCityText() const {
    const auto location = state_ ? state_->userLocation() : nullptr;
    if (location && location->state() == UserLocationCityKnown) return location->city();
    const QString status = state_ ? state_->locationStatuString() : QString();
    if (status.isEmpty() || status == QStringLiteral("定位成功")) return QStringLiteral("定位失败");
    return status;
}

void HotCitySelect::UserLocationStateChange() {
    if (!currentCityCell_) return;
    currentCityCell_->textLabel()->setText(locatedCityText());
    if (table_) table_->reloadData();
}

const std::vector<std::shared_ptr<City>>& HotCitySelect::citiesOfSection(int section) const {
    if (section < kFixedSections || section >= sectionTitles_.size()) return noCities();
    const auto found = cityOderByPinyin_.find(sectionTitles_.at(section));
    return found == cityOderByPinyin_.end() ? noCities() : found->second;
}

int HotCitySelect::numberOfSectionsInTableView(ui::TableView&) {
    return int(sectionTitles_.size());
}

int HotCitySelect::numberOfRowsInSection(ui::TableView&, int section) {
    if (section == 0) return 1;
    if (section == 1) return CityData::kHotCityCount;
    return int(citiesOfSection(section).size());
}

std::shared_ptr<ui::TableViewCell> HotCitySelect::cellForRowAtIndexPath(ui::TableView& table,
                                                                        const ui::IndexPath& path) {
    if (path.section == 0) return currentCityCell_;
    const QString identifier = QStringLiteral("city");
    auto cell = table.dequeueReusableCellWithIdentifier(identifier);
    if (!cell) {
        cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, identifier);
        cell->textLabel()->setFont(ui::Font::systemFontOfSize(16));
        dressRow(*cell);
    }
    if (path.section == 1) {
        cell->textLabel()->setTextAlignment(ui::TextAlignment::Center);
        cell->textLabel()->setText(CityData::hotCityNames().value(path.row));
    } else {
        cell->textLabel()->setTextAlignment(ui::TextAlignment::Left);
        const auto& cities = citiesOfSection(path.section);
        if (path.row >= 0 && std::size_t(path.row) < cities.size()) {
            cell->textLabel()->setText(cities[std::size_t(path.row)]->name());
        }
    }
    return cell;
}

double HotCitySelect::heightForRowAtIndexPath(ui::TableView&, const ui::IndexPath& path) {
    if (path.section != 0) return kRowHeight;
    const ui::Size size = ui::StringDrawing::sizeWithFont(
        locatedCityText(), ui::Font::systemFontOfSize(17), ui::Size(kLocatedTextWidth, 1000));
    return std::max(kRowHeight, size.height + 10);
}

std::shared_ptr<ui::View> HotCitySelect::viewForHeaderInSection(ui::TableView& table, int section) {
    auto header =
        std::make_shared<ui::View>(ui::Rect(0, 0, table.bounds().size.width, kHeaderHeight));
    header->setBackgroundColor(headerColor());
    auto label = std::make_shared<ui::Label>(ui::Rect(10, 0, 280, kHeaderHeight));
    label->setFont(ui::Font::boldSystemFontOfSize(14));
    label->setBackgroundColor(ui::Color::clearColor());
    if (section == 0) {
        label->setText(QStringLiteral("当前定位城市"));
    } else if (section == 1) {
        label->setText(QStringLiteral("热门城市"));
    } else {
        label->setText(sectionTitles_.value(section));
    }
    header->addSubview(label);
    // The divider closes the header along its bottom edge.
    if (auto divider = ui::Image::imageNamed(QStringLiteral("切换城市-分割线.png"))) {
        const double height = divider->size().height;
        auto line = std::make_shared<ui::ImageView>(divider);
        line->setFrame(ui::Rect(0, kHeaderHeight - height, header->bounds().size.width, height));
        line->setAutoresizingMask(ui::kAutoresizingFlexibleWidth);
        header->addSubview(line);
    }
    return header;
}

int HotCitySelect::sectionForSectionIndexTitle(ui::TableView&, const QString& title, int index) {
    showLetter(title);
    return index;
}

void HotCitySelect::showLetter(const QString& title) {
    const bool word = title == QStringLiteral("当前") || title == QStringLiteral("热门");
    selectCityShowName_->setFont(ui::Font::boldSystemFontOfSize(word ? 18 : 22));
    selectCityShowName_->setText(title);
    selectCityShowName_->setAlpha(1);
    selectCityShowName_->setHidden(false);
    letterHide_.cancel();
    letterHide_ = ns::DelayedCall::schedule(ns::seconds(2), [weak = weakAs<HotCitySelect>()] {
        const auto self = weak.lock();
        if (!self) return;
        const auto letter = self->selectCityShowName_;
        ui::View::animateWithDuration(
            1.0, [letter] { letter->setAlpha(0); }, [letter](bool) { letter->setHidden(true); });
    });
}

bool HotCitySelect::refusedWithoutNetwork() {
    const auto host = state_ ? state_->host() : nullptr;
    if (host && !host->connectionReachabil()) {
        alertNoNetwork();
        return true;
    }
    return false;
}

void HotCitySelect::didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) {
    if (refusedWithoutNetwork()) return;
    table.deselectRowAtIndexPath(path, true);
    const auto host = state_ ? state_->host() : nullptr;
    if (!host || !host->hasUserId()) {
        alertNoUserId(weakAs<HotCitySelect>());
        return;
    }
    StatClick::event(QStringLiteral("choose city_city"));
    const int stored = SelectedCityState::storedCityId() - 1;
    if (path.section == 1) {
        const auto index =
            cityData_ ? cityData_->hotCityIndexes().at(std::size_t(path.row)) : std::nullopt;
        if (!index) return;
        if (stored != *index) {
            selectCityName_ = CityData::hotCityNames().value(path.row);
            updateCityWithIndex(*index);
        } else {
            goBack();
        }
        return;
    }
    if (path.section == 0) {
        const auto location = state_->userLocation();
        if (!location || location->state() != UserLocationCityKnown || location->cityId() < 0) {
            currentCityCell_->textLabel()->setText(QStringLiteral("正在定位中"));
            if (location) location->setState(UserLocationLocating);
            LocationManager::locationManager()->startUpdates();
            return;
        }
        selectCityName_ = location->city();
        if (bFirstPage_) {
            // At first run there is no city to go back to: the screen stays until the
            // switch has gone through, as for any other row.
            updateCityWithIndex(location->cityId());
            return;
        }
        state_->updateCityWithIndex(location->cityId());
        goBack();
        return;
    }
    const auto& cities = citiesOfSection(path.section);
    if (path.row < 0 || std::size_t(path.row) >= cities.size()) return;
    selectCityName_ = cities[std::size_t(path.row)]->name();
    const auto index = cityData_->getCityIndexWithName(selectCityName_);
    if (index && *index != stored) {
        updateCityWithIndex(*index);
    } else {
        goBack();
    }
}

void HotCitySelect::chooseSearchResult(const std::shared_ptr<City>& city) {
    if (refusedWithoutNetwork()) return;
    const auto host = state_ ? state_->host() : nullptr;
    if (!host || !host->hasUserId()) {
        alertNoUserId(weakAs<HotCitySelect>());
        return;
    }
    selectCityName_ = city->name();
    if (city->scriptIndex() != state_->currentCityScript_index()) {
        updateCityWithIndex(city->scriptIndex());
    } else {
        goBack();
    }
}

void HotCitySelect::updateCityWithIndex(int scriptIndex) {
    showLoading();
    if (SelectedCityState::storedCityId() - 1 != scriptIndex && state_) {
        state_->updateCityByUser(scriptIndex, weakAs<HotCitySelect>());
    } else {
        hideLoading();
    }
}

void HotCitySelect::updateCitySuccessWithIndex(int) {
    hideLoading();
    goBack();
}

void HotCitySelect::updateCityFailed() {
    // The update's own alerts tell why; the screen stays for another choice.
    hideLoading();
}

void HotCitySelect::showLoading() {
    if (!loadingView_) {
        loadingView_ = std::make_shared<ui::View>(view()->bounds());
        loadingView_->setTag(LoadingOverlay::kTag);
        loadingView_->setBackgroundColor(ui::Color::colorWithWhite(0, 0.35));
        auto label = std::make_shared<ui::Label>(
            ui::Rect(0, view()->bounds().size.height / 2 - 15, view()->bounds().size.width, 30));
        label->setText(QStringLiteral("正在加载"));
        label->setTextColor(ui::Color::whiteColor());
        label->setBackgroundColor(ui::Color::clearColor());
        label->setTextAlignment(ui::TextAlignment::Center);
        loadingView_->addSubview(label);
    }
    loadingView_->setAlpha(0);
    view()->addSubview(loadingView_);
    const auto overlay = loadingView_;
    ui::View::animateWithDuration(0.5, [overlay] { overlay->setAlpha(1); });
}

void HotCitySelect::hideLoading() {
    if (!loadingView_ || !loadingView_->superview()) return;
    const auto overlay = loadingView_;
    ui::View::animateWithDuration(
        0.4, [overlay] { overlay->setAlpha(0); },
        [overlay](bool) { overlay->removeFromSuperview(); });
}

void HotCitySelect::goBack() {
    leave();
    if (auto* navigation = navigationController()) {
        navigation->dismissViewControllerAnimated(true);
    } else {
        dismissViewControllerAnimated(true);
    }
}

void HotCitySelect::leave() {
    if (left_) return;
    left_ = true;
    letterHide_.cancel();
    if (cityData_) cityData_->removeTargetAction();
    ns::NotificationCenter::defaultCenter().removeObserver(this);
    if (state_) state_->setInCitySelect(false);
}
