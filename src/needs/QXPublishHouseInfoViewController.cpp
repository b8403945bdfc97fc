#include "needs/QXPublishHouseInfoViewController.h"

#include "houses/shared/ErrorTipView.h"

#include "needs/DistrictSelect.h"
#include "needs/NeedFilterFile.h"
#include "needs/NeedsHost.h"
#include "needs/QXCustomMultiSelectView.h"
#include "needs/QXNeedSentence.h"
#include "needs/QXTempTableViewController.h"

#include "IMChat/qximlib/qximdata/util/QXIMUtil.h"
#include "analytics/StatClick.h"
#include "chat/QXVoicePlayer.h"
#include "chat/VoiceLeftovers.h"
#include "location/SelectedCityState.h"
#include "location/tovikCitylog.h"
#include "net/EndpointTable.h"
#include "net/QXIMRequest.h"
#include "net/QXNetContext.h"
#include "ui/navigation/UIViewController+Navigation.h"
#include "ui/widgets/AlertMessages.h"
#include "ui/widgets/TovikModalViewController.h"
#include "util/categories/Tolerant.h"

#include "platform/foundation/user_defaults.h"
#include "platform/uikit/activity_indicator_view.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/navigation_item.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/scroll_view.h"
#include "platform/uikit/window.h"

namespace {

constexpr double kHeaderHeight = 138;
constexpr double kRowHeight = 46;
constexpr double kTermPanelHeight = 184;
constexpr double kTermPanelGap = 8;
const ui::Color kChoiceText = ui::Color::rgb(51, 51, 51);
const ui::Color kSoftText = ui::Color::rgb(92, 99, 103);

double screenHeight() {
    return ui::Screen::mainScreen().bounds().height();
}

std::shared_ptr<ui::Image> capped(const QString& name, double top, double left, double bottom,
                                  double right) {
    const auto image = ui::Image::imageNamed(name);
    return image ? image->resizableImageWithCapInsets({top, left, bottom, right}) : nullptr;
}

std::shared_ptr<ui::ImageView> imageAt(const QString& name, const ui::Rect& frame) {
    auto view = std::make_shared<ui::ImageView>(ui::Image::imageNamed(name));
    view->setFrame(frame);
    return view;
}

std::shared_ptr<ui::Label> label(const ui::Rect& frame, const QString& text, double size,
                                 const ui::Color& colour) {
    auto label = std::make_shared<ui::Label>(frame);
    label->setText(text);
    label->setFont(ui::Font::systemFontOfSize(size));
    label->setTextColor(colour);
    label->setBackgroundColor(ui::Color::clearColor());
    return label;
}

// A row of the header: a full-width button whose title starts after the row's icon.
std::shared_ptr<ui::Button> rowButton(double y) {
    auto button = ui::Button::buttonWithType(ui::ButtonType::Custom);
    button->setFrame(ui::Rect(0, y, 320, kRowHeight));
    button->setBackgroundColor(ui::Color::clearColor());
    button->setContentHorizontalAlignment(ui::ControlContentHorizontalAlignment::Left);
    button->setContentEdgeInsets({0, 34, 0, 30});
    button->setFont(ui::Font::systemFontOfSize(15));
    button->setTitleColor(kChoiceText, ui::kControlStateNormal);
    button->setTitleColor(kChoiceText, ui::kControlStateHighlighted);
    button->setExclusiveTouch(true);
    return button;
}

void setTitles(ui::Button& button, const QString& title) {
    button.setTitle(title, ui::kControlStateNormal);
    button.setTitle(title, ui::kControlStateHighlighted);
}

bool reachable() {
    return QXNetContext::shared()->connectionReachabil();
}

}  // namespace

QXPublishHouseInfoViewController::QXPublishHouseInfoViewController()
    : tableViewCtr_(std::make_shared<QXTempTableViewController>()) {
    setHidesBottomBarWhenPushed(true);
    setEdgesForExtendedLayout(ui::kRectEdgeNone);
}

QXPublishHouseInfoViewController::~QXPublishHouseInfoViewController() {
    isEnter_ = false;
    relocate_.cancel();
    sectionTitle_.cancel();
    QXIMRequest::shared().cancelToVikRequestByInterface(kInterface,
                                                        EndpointTable::dataShareEndpoint());
    QXIMRequest::shared().cancelToVikRequestByInterface(
        NeedFilterFile::kInterface, EndpointTable::dataShareEndpoint() + kFilterCancelKey);
    // A note never sent is of no use to anyone once the form is gone.
    if (!audioDataPath_.isEmpty()) VoiceLeftovers::removeRecording(audioDataPath_);
}

void QXPublishHouseInfoViewController::setTermsArray(const QStringList& terms) {
    termsArray_ = terms;
    if (selectedTerm_) selectedTerm_->setItems(termsArray_);
}

// --- Building

void QXPublishHouseInfoViewController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    const QString kind = qxInfoModel_.publishInfoRentOrBuyString;
    setTitle(kind == QLatin1String("3")   ? QStringLiteral("填写合租意向")
             : kind == QLatin1String("1") ? QStringLiteral("填写租房意向")
                                          : QStringLiteral("填写买房意向"));
    const double height = screenHeight();
    scrollView_ = std::make_shared<ui::ScrollView>(ui::Rect(0, 0, 320, height));
    scrollView_->setContentSize({320, height > 480 ? height : 480});
    scrollView_->setBackgroundColor(ui::Color::clearColor());
    view()->addSubview(scrollView_);

    headerView_ = std::make_shared<ui::View>(ui::Rect(0, 0, 320, kHeaderHeight));
    scrollView_->addSubview(headerView_);
    termPanel_ = std::make_shared<ui::View>(
        ui::Rect(0, kHeaderHeight + kTermPanelGap, 320, kTermPanelHeight));
    scrollView_->addSubview(termPanel_);
    initDistrictHeader();
    initSelectTermHouseDoorView();
    initDetailTermView();

    view()->setBackgroundColor(ui::Color::colorWithWhite(240.0 / 255, 1));
    const auto host = NeedsHost::shared();
    host->setLocationState(UserLocationLocating);
    host->startLocating();
    relocate_ = ns::DelayedCall::schedule(ns::seconds(kRelocateDelay),
                                          [] { NeedsHost::shared()->afterTenMinStartLocates(); });
    isEnter_ = true;
    isRecodingSelected_ = false;
    if (getLocalState()) {
        showLocated(true);
        setLocationText(host->strLocation());
        qxInfoModel_.publishInfoCityStreetString = host->locationStreet();
    } else {
        showLocated(false);
    }
    setTitles(*priceButton_, QXNeedSentence::kNoLimit);

    recordAudio_ = VoiceHUD::initWithParentView(view().get());
    recordAudio_->setDelegate(weakAs<QXPublishHouseInfoViewController>());
    view()->addSubview(recordAudio_);

    const auto weak = weakAs<QXPublishHouseInfoViewController>();
    auto& center = ns::NotificationCenter::defaultCenter();
    observations_.push_back(
        center.addObserver(UserLocation::kStateChangeNotification, [weak](const ns::Notification&) {
            if (auto self = weak.lock()) self->UserLocationStateChange();
        }));
    observations_.push_back(center.addObserver(SelectedCityState::kLocationGetNotification,
                                               [weak](const ns::Notification&) {
                                                   if (auto self = weak.lock())
                                                       self->LocationGetNotification();
                                               }));
    auto& defaults = ns::UserDefaults::standardUserDefaults();
    if (!defaults.objectForKey(kRentOrBuyKey).isValid()) defaults.setObject(kind, kRentOrBuyKey);
    UIViewControllerNavigation::setNavigationBackButton(*this, [weak] {
        if (auto self = weak.lock()) self->goBack();
    });
    initButtomView();
    // Definitions that failed before the form was shown.
    showFilterFailure();
}

void QXPublishHouseInfoViewController::initNavigationTitleView() {
    const bool iOS7 = QXIMUtil::DeviceSystemVersionIsiOS7();
    const QString kind = qxInfoModel_.publishInfoRentOrBuyString;
    const QString title = kind == QLatin1String("1")   ? QStringLiteral("填写租房意向")
                          : kind == QLatin1String("3") ? QStringLiteral("填写合租意向")
                          : kind == QLatin1String("5") ? QStringLiteral("填写买房意向")
                                                       : QString();
    navigationTitleLabel_ = label(ui::Rect(0, iOS7 ? 20 : 0, 320, 44), title, 18, kSoftText);
    navigationTitleLabel_->setTextAlignment(ui::TextAlignment::Center);
    view()->addSubview(navigationTitleLabel_);
    closeButton_ = ui::Button::buttonWithType(ui::ButtonType::Custom);
    closeButton_->setFrame(ui::Rect(18, iOS7 ? 29 : 9, 26, 26));
    closeButton_->setImage(ui::Image::imageNamed(QStringLiteral("发布页返回.png")),
                           ui::kControlStateNormal);
    closeButton_->setImage(ui::Image::imageNamed(QStringLiteral("发布页返回点击.png")),
                           ui::kControlStateHighlighted);
    closeButton_->addTarget(this, ui::kControlEventTouchUpInside,
                            [this](ui::Control&, const ui::Event*) { goBack(); });
    view()->addSubview(closeButton_);
}

QString QXPublishHouseInfoViewController::loadSelectedItems(const QVariantList& items) {
    QString text;
    for (const QVariant& item : items) text += item.toString();
    return text;
}

void QXPublishHouseInfoViewController::initSelectTermHouseDoorView() {
    auto background =
        std::make_shared<ui::ImageView>(capped(QStringLiteral("上表格背景bg"), 2, 2, 2, 2));
    background->setFrame(ui::Rect(0, 0, 320, kHeaderHeight));
    headerView_->addSubview(background);
    const auto weak = weakAs<QXPublishHouseInfoViewController>();

    areaButton_ = rowButton(0);
    areaButton_->addTarget(this, ui::kControlEventTouchUpInside, [weak](auto&&...) {
        if (auto self = weak.lock()) self->getStreetInfo();
    });
    headerView_->addSubview(areaButton_);
    headerView_->addSubview(imageAt(QStringLiteral("地标icon.png"), ui::Rect(13, 16, 13, 13)));
    headerView_->addSubview(
        imageAt(QStringLiteral("下拉三角.png"), ui::Rect(320 - 25, 15, 17, 17)));
    auto separator = std::make_shared<ui::View>(ui::Rect(40, kRowHeight - 0.5, 280, 0.5));
    separator->setBackgroundColor(ui::Color::rgb(217, 217, 217));
    headerView_->addSubview(separator);

    priceButton_ = rowButton(kRowHeight);
    priceButton_->addTarget(this, ui::kControlEventTouchUpInside, [weak](auto&&...) {
        if (auto self = weak.lock()) self->getdifferentKindPrice();
    });
    headerView_->addSubview(priceButton_);
    headerView_->addSubview(
        imageAt(QStringLiteral("金钱icon.png"), ui::Rect(13, kRowHeight + 16, 13, 13)));
    headerView_->addSubview(
        imageAt(QStringLiteral("下拉三角.png"), ui::Rect(320 - 25, kRowHeight + 15, 17, 17)));

    selectedHouseDoor_ =
        std::make_shared<QXCustomMultiSelectView>(ui::Rect(0, 2 * kRowHeight, 320, kRowHeight));
    selectedHouseDoor_->setButtonHeight(kRowHeight);
    selectedHouseDoor_->setButtonNomralImage(
        capped(QStringLiteral("居室多选中.png"), 2, 2, 25, 25));
    selectedHouseDoor_->setButtonHighLightImage(
        capped(QStringLiteral("居室多选中左选中.png"), 2, 2, 25, 25));
    selectedHouseDoor_->setMaxNumberOfColumns(
        qxInfoModel_.publishInfoRentOrBuyString == QLatin1String("3") ? 2 : 4);
    selectedHouseDoor_->setItems(buttonTitlesArray_);
    headerView_->addSubview(selectedHouseDoor_);
}

// The header over the area chooser: where the device is, a way to locate again, and the two
// other ways of placing the need (the current position, a point on the map).
void QXPublishHouseInfoViewController::initDistrictHeader() {
    iSelectDistrictHeader_ = std::make_shared<ui::View>(ui::Rect(0, 0, 320, 96));
    iSelectDistrictHeader_->setBackgroundColor(ui::Color::colorWithWhite(235.0 / 255, 1));
    locationLabel_ = label(ui::Rect(15, 8, 255, 30), QString(), 14, kSoftText);
    iSelectDistrictHeader_->addSubview(locationLabel_);
    const auto weak = weakAs<QXPublishHouseInfoViewController>();
    refreshButton_ = ui::Button::buttonWithType(ui::ButtonType::Custom);
    refreshButton_->setFrame(ui::Rect(270, 8, 44, 30));
    refreshButton_->setTitle(QStringLiteral("刷新"), ui::kControlStateNormal);
    refreshButton_->setFont(ui::Font::systemFontOfSize(14));
    refreshButton_->setTitleColor(ui::Color::rgb(86, 186, 34), ui::kControlStateNormal);
    refreshButton_->setTitleColor(ui::Color::rgb(60, 150, 20), ui::kControlStateHighlighted);
    refreshButton_->addTarget(this, ui::kControlEventTouchUpInside, [weak](auto&&...) {
        if (auto self = weak.lock()) self->refreshLoction();
    });
    iSelectDistrictHeader_->addSubview(refreshButton_);
    activity_ = std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorViewStyle::Gray);
    activity_->setFrame(ui::Rect(282, 13, 20, 20));
    activity_->setHidesWhenStopped(true);
    iSelectDistrictHeader_->addSubview(activity_);

    const std::pair<QString, std::function<void(QXPublishHouseInfoViewController&)>> modes[] = {
        {QStringLiteral("使用当前位置"), &QXPublishHouseInfoViewController::chooseCurrentLocation},
        {QStringLiteral("在地图上选点"), &QXPublishHouseInfoViewController::enterMapView},
    };
    double x = 15;
    for (const auto& [title, action] : modes) {
        auto button = ui::Button::buttonWithType(ui::ButtonType::Custom);
        button->setFrame(ui::Rect(x, 46, 140, 38));
        button->setTitle(title, ui::kControlStateNormal);
        button->setFont(ui::Font::systemFontOfSize(14));
        button->setTitleColor(kSoftText, ui::kControlStateNormal);
        button->setTitleColor(ui::Color::whiteColor(), ui::kControlStateHighlighted);
        button->setBackgroundImage(capped(QStringLiteral("选框.png"), 8, 8, 8, 8),
                                   ui::kControlStateNormal);
        button->setBackgroundImage(capped(QStringLiteral("选框选中.png"), 8, 8, 8, 8),
                                   ui::kControlStateHighlighted);
        button->addTarget(this, ui::kControlEventTouchUpInside, [weak, action = action](auto&&...) {
            if (auto self = weak.lock()) action(*self);
        });
        iSelectDistrictHeader_->addSubview(button);
        x += 150;
    }
}

void QXPublishHouseInfoViewController::initDetailTermView() {
    auto background =
        std::make_shared<ui::ImageView>(capped(QStringLiteral("上表格背景bg"), 2, 2, 2, 2));
    background->setFrame(ui::Rect(0, 0, 320, 186));
    termPanel_->addSubview(background);
    termPanel_->addSubview(label(ui::Rect(8, 9, 300, 20), QStringLiteral("补充信息（多选项）"), 14,
                                 ui::Color::colorWithWhite(149.0 / 255, 1)));
    selectedTerm_ = std::make_shared<QXCustomMultiSelectView>(ui::Rect(6, 34, 320 - 12, 74));
    selectedTerm_->setButtonHeight(34);
    selectedTerm_->setButtonNomralImage(capped(QStringLiteral("选框.png"), 8, 8, 8, 8));
    selectedTerm_->setButtonHighLightImage(capped(QStringLiteral("选框选中.png"), 8, 8, 8, 8));
    selectedTerm_->setVMargin(5);
    selectedTerm_->setHMargin(4);
    selectedTerm_->setMaxNumberOfColumns(4);
    selectedTerm_->setItems(termsArray_);
    termPanel_->addSubview(selectedTerm_);
    auto line = std::make_shared<ui::View>(ui::Rect(6, 120, 308, 1));
    line->setBackgroundColor(ui::Color::colorWithWhite(242.0 / 255, 1));
    termPanel_->addSubview(line);
    termPanel_->addSubview(
        label(ui::Rect(8, 143, 130, 20), QStringLiteral("我对经纪人有话说"), 14, kSoftText));
    initVoiceButtons();
}

void QXPublishHouseInfoViewController::initButtomView() {
    sendButton_ = ui::Button::buttonWithType(ui::ButtonType::Custom);
    sendButton_->setFrame(ui::Rect(20, termPanel_->frame().maxY() + 16, 280, 40));
    sendButton_->setFont(ui::Font::systemFontOfSize(14));
    setTitles(*sendButton_, QStringLiteral("发给周围经纪人"));
    sendButton_->setTitleColor(ui::Color::whiteColor(), ui::kControlStateNormal);
    // The green button's corners are rounder than two points: caps of half its size keep
    // them whole when it is stretched.
    sendButton_->setBackgroundImage(capped(QStringLiteral("button36px.png"), 18, 6, 17, 6),
                                    ui::kControlStateNormal);
    sendButton_->setBackgroundImage(capped(QStringLiteral("button36px-点击态.png"), 18, 6, 17, 6),
                                    ui::kControlStateHighlighted);
    sendButton_->setExclusiveTouch(true);
    sendButton_->addTarget(this, ui::kControlEventTouchUpInside,
                           [weak = weakAs<QXPublishHouseInfoViewController>()](auto&&...) {
                               if (auto self = weak.lock()) self->unRecordPublishNeedInfo();
                           });
    scrollView_->addSubview(sendButton_);
}

// --- Showing

bool QXPublishHouseInfoViewController::getLocalState() const {
    const auto host = NeedsHost::shared();
    return host->locationState() == UserLocationCityKnown || !host->locationStreet().isEmpty();
}

void QXPublishHouseInfoViewController::showLocated(bool located) {
    getlocationSuccess_ = located;
    locationLabel_->setText(
        located ? QStringLiteral("当前位置:%1").arg(NeedsHost::shared()->locationStreet())
                : kLocateFailed);
}

void QXPublishHouseInfoViewController::setAreaTitle(const QString& title) {
    setTitles(*areaButton_, title);
}

void QXPublishHouseInfoViewController::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    refreshChoices();
}

// The price band, the chosen area and the place text as the pickers left them; run each time
// the form shows and when a sheet closes.
void QXPublishHouseInfoViewController::refreshChoices() {
    setHidesBottomBarWhenPushed(true);
    // Nothing chosen yet is no limit. (A chosen band whose value starts with other than a
    // digit, such as "_1500", is a choice all the same.)
    const QString price = tableViewCtr_->priceString();
    if (price.isEmpty()) {
        tableViewCtr_->setPriceName(QXNeedSentence::kNoLimit);
        qxInfoModel_.publishInfoPrice = QStringLiteral("-1");
    } else {
        qxInfoModel_.publishInfoPrice = price;
    }
    setTitles(*priceButton_, tableViewCtr_->priceName());
    const tovikCitylog& choice = tovikCitylog::instance();
    qxInfoModel_.publishInfoDistrictId = choice.districtId();
    qxInfoModel_.publishInfoStreetId = choice.streetId();
    if (!choice.isSelectCityData()) {
        setAreaTitle(locationLabel_->text());
        return;
    }
    if (choice.districtName().isEmpty()) {
        setAreaTitle(kChooseArea);
        qxInfoModel_.publishInfoCitySelectStreetString = QString();
        return;
    }
    qxInfoModel_.publishInfoCitySelectStreetString =
        choice.streetName().isEmpty()
            ? choice.districtName()
            : QStringLiteral("%1-%2").arg(choice.districtName(), choice.streetName());
    setAreaTitle(qxInfoModel_.publishInfoCitySelectStreetString);
}

void QXPublishHouseInfoViewController::setLocationText(const QString& text) {
    qxInfoModel_.publishInfoLocalString = text;
    locationReversed_ = false;
}

void QXPublishHouseInfoViewController::viewDidAppear(bool animated) {
    ui::ViewController::viewDidAppear(animated);
    if (!iIsChooseMapPiont_) setLocationText(NeedsHost::shared()->strLocation());
}

void QXPublishHouseInfoViewController::viewDidDisappear(bool animated) {
    ui::ViewController::viewDidDisappear(animated);
    QXVoicePlayer::shared().stop();
}

// --- Location

void QXPublishHouseInfoViewController::UserLocationStateChange() {
    if (!isEnter_) return;
    refreshButton_->setHidden(false);
    activity_->stopAnimating();
    sectionTitle_.cancel();
    const auto host = NeedsHost::shared();
    if (host->locationState() != UserLocationCityKnown) {
        showLocated(false);
        // An area chosen from the lists keeps its title.
        if (!isAreaMode()) setAreaTitle(kLocateFailed);
        return;
    }
    showLocated(true);
    setLocationText(host->strLocation());
    qxInfoModel_.publishInfoCityStreetString = host->locationStreet();
}

void QXPublishHouseInfoViewController::LocationGetNotification() {
    const auto weak = weakAs<QXPublishHouseInfoViewController>();
    sectionTitle_ = ns::DelayedCall::schedule(ns::seconds(kSectionTitleDelay), [weak] {
        if (auto self = weak.lock()) self->setSectionTitleText();
    });
}

void QXPublishHouseInfoViewController::setSectionTitleText() {
    const auto host = NeedsHost::shared();
    if (host->locationState() == UserLocationCityKnown)
        locationLabel_->setText(QStringLiteral("当前位置:%1").arg(host->locationStreet()));
}

void QXPublishHouseInfoViewController::refreshLoction() {
    if (!reachable()) {
        AlertMessages::showAlertViewWithAlertString(kNoNetwork);
        return;
    }
    QXIMRequest::shared().cancelToVikRequestByInterface(kInterface,
                                                        EndpointTable::dataShareEndpoint());
    locationLabel_->setText(kLocating);
    StatClick::event(QStringLiteral("nearby_bn_position"));
    refreshButton_->setHidden(true);
    activity_->startAnimating();
    const auto host = NeedsHost::shared();
    host->setLocationState(UserLocationLocating);
    host->forgetLocation();
    host->startLocating();
}

void QXPublishHouseInfoViewController::chooseCurrentLocation() {
    tovikCitylog::instance().setIsSelectCityData(false);
    iIsChooseMapPiont_ = false;
    const auto host = NeedsHost::shared();
    const bool located = host->locationState() == UserLocationCityKnown;
    showLocated(located);
    qxInfoModel_.publishInfoCityStreetString = host->locationStreet();
    setAreaTitle(locationLabel_->text());
    setLocationText(host->strLocation());
    closeSheet();
}

void QXPublishHouseInfoViewController::enterMapView() {
    if (!reachable()) {
        AlertMessages::showAlertViewWithAlertString(kNoNetwork);
        return;
    }
    StatClick::event(QStringLiteral("findhouses_bn_onmap"));
    if (activity_->isAnimating()) {
        activity_->stopAnimating();
        refreshButton_->setHidden(false);
    }
    closeSheet();
    auto picker = std::make_shared<QXFBAgentAddress>();
    picker->setIDelegate(weakAs<QXPublishHouseInfoViewController>());
    const auto host = NeedsHost::shared();
    const auto best = host->bestEffortAtLocation();
    picker->setPreAddress(best && best->first > 0 && best->second > 0
                              ? host->locationStreet()
                              : QXFBAgentAddress::kNoAddress);
    if (ui::NavigationController* navigation = navigationController())
        navigation->pushViewController(picker, true);
    StatClick::event(QStringLiteral("nearby_bn_position"));
}

void QXPublishHouseInfoViewController::didGetChooseCityId(int cityId, const QString& streetName,
                                                          const QString& locationStr) {
    iIsChooseMapPiont_ = true;
    iTempCityId_ = cityId;
    tovikCitylog::instance().setIsSelectCityData(false);
    qxInfoModel_.publishInfoCityStreetString = streetName;
    locationLabel_->setText(streetName);
    setLocationText(locationStr);
    getlocationSuccess_ = true;
    areaButton_->setTitle(streetName, ui::kControlStateNormal);
}

// --- Sheets

void QXPublishHouseInfoViewController::getStreetInfo() {
    if (!reachable()) {
        AlertMessages::showAlertViewWithAlertString(kNoNetwork);
        return;
    }
    auto districts = std::make_shared<DistrictSelect>();
    (void)districts->view();
    districts->tableView()->setTableHeaderView(iSelectDistrictHeader_);
    presentSheet(districts);
}

void QXPublishHouseInfoViewController::getdifferentKindPrice() {
    if (!reachable()) {
        AlertMessages::showAlertViewWithAlertString(kNoNetwork);
        return;
    }
    presentSheet(tableViewCtr_);
}

void QXPublishHouseInfoViewController::presentSheet(std::shared_ptr<ui::ViewController> root) {
    auto navigation = NeedsHost::shared()->makeNavigationController(std::move(root));
    ui::Window* window = view()->window();
    const std::shared_ptr<ui::ViewController> parent = window && window->rootViewController()
                                                           ? window->rootViewController()
                                                           : sharedAs<ui::ViewController>();
    modall_ = TovikModalViewController::initWithRootViewController(navigation, parent);
    modall_->setDelegate(weakAs<QXPublishHouseInfoViewController>());
    modall_->presentRootViewControllerWithPresentationStyle(1, [] {});
}

void QXPublishHouseInfoViewController::closeSheet() {
    if (modall_) modall_->dismissRootViewControllerWithcompletion([] {});
}

void QXPublishHouseInfoViewController::customModalViewControllerDidDismiss(
    ModalSheetViewController&) {
    refreshChoices();
}

// --- Filter definitions

void QXPublishHouseInfoViewController::didLoadUnLocalHouseDoorAndPriceInfoWithIndex(
    const QString& kind, int cityScriptIndex) {
    tableViewCtr_->setPriceName(QString());
    if (NeedFilterFile::readUsable(cityScriptIndex, kind)) {
        didLoadLocalHouseDoorAndPriceInfoWithIndex(kind, cityScriptIndex);
    } else {
        downLoadSendNeedInfo(kind.toInt(), cityScriptIndex);
    }
}

void QXPublishHouseInfoViewController::didLoadLocalHouseDoorAndPriceInfoWithIndex(
    const QString& kind, int cityScriptIndex) {
    const QVariantMap file = NeedFilterFile::read(cityScriptIndex, kind).value_or(QVariantMap());
    tableViewCtr_->setListArray(NeedFilterFile::priceRows(file));
    houseArray_ = NeedFilterFile::houseValues(file);
    loadHousDoorButtonTitles();
}

void QXPublishHouseInfoViewController::loadHousDoorButtonTitles() {
    QStringList titles;
    const bool share = qxInfoModel_.publishInfoRentOrBuyString == QLatin1String("3");
    const int last = share ? 3 : 4;
    for (int entry = 2; entry <= last && entry <= houseArray_.size(); ++entry)
        titles << Tolerant(houseArray_.at(entry - 1))[QStringLiteral("n")].toString();
    if (!share && !titles.isEmpty()) titles << QXNeedSentence::kFourRoomsAndMore;
    buttonTitlesArray_ = titles;
    // Definitions that arrive while the form shows give it its buttons at once.
    if (selectedHouseDoor_) selectedHouseDoor_->setItems(buttonTitlesArray_);
}

void QXPublishHouseInfoViewController::downLoadSendNeedInfo(int major, int cityScriptIndex) {
    QXIMRequest::shared().addValuesFormDic(NeedFilterFile::downloadHeaders(major, cityScriptIndex));
    const auto weak = weakAs<QXPublishHouseInfoViewController>();
    QXIMRequest::shared().requestWithUrl(
        EndpointTable::dataShareEndpoint() + kFilterCancelKey, NeedFilterFile::kInterface,
        NeedFilterFile::downloadBody(major, cityScriptIndex),
        QVariantMap{{QStringLiteral("major"), major},
                    {QStringLiteral("cityIndex"), cityScriptIndex}},
        [weak, major, cityScriptIndex](const QVariant& reply, const QVariant&) {
            const auto self = weak.lock();
            if (!self) return;
            // A refusal, or definitions without house values, is none: kept, it would
            // stand in for them from then on.
            if (!NeedFilterFile::holdsHouseValues(reply.toMap())) {
                self->filterDownloadFailed(major, cityScriptIndex);
                return;
            }
            NeedFilterFile::write(reply.toMap(), cityScriptIndex, major);
            if (QString::number(major) == self->qxInfoModel_.publishInfoRentOrBuyString)
                self->didLoadLocalHouseDoorAndPriceInfoWithIndex(QString::number(major),
                                                                 cityScriptIndex);
        },
        [weak, major, cityScriptIndex](const QVariantMap&, const QVariant&) {
            if (const auto self = weak.lock()) self->filterDownloadFailed(major, cityScriptIndex);
        });
}

// The form needs its own kind's definitions: it asks for them once more, never for another
// kind's; failing again, it says so and asks again when the user taps the notice.
void QXPublishHouseInfoViewController::filterDownloadFailed(int major, int cityScriptIndex) {
    if (!filterRetried_) {
        filterRetried_ = true;
        downLoadSendNeedInfo(major, cityScriptIndex);
        return;
    }
    if (QString::number(major) != qxInfoModel_.publishInfoRentOrBuyString) return;
    filterFailed_ = std::pair{major, cityScriptIndex};
    if (isViewLoaded()) showFilterFailure();
}

void QXPublishHouseInfoViewController::showFilterFailure() {
    if (!filterFailed_) return;
    const auto [major, city] = *filterFailed_;
    ErrorTipView::show(*view(), ui::Rect(0, 0, 320, screenHeight()), kFilterLoadFailed,
                       [weak = weakAs<QXPublishHouseInfoViewController>(), major = major, city = city] {
                           const auto self = weak.lock();
                           if (!self) return;
                           self->filterFailed_.reset();
                           // One call for each tap: a failure shows the notice again.
                           self->downLoadSendNeedInfo(major, city);
                       });
}

// --- Leaving

void QXPublishHouseInfoViewController::stopObserving() {
    observations_.clear();
}

void QXPublishHouseInfoViewController::goBack() {
    QXVoicePlayer::shared().stop();
    relocate_.cancel();
    sectionTitle_.cancel();
    isEnter_ = false;
    QXIMRequest::shared().cancelToVikRequestByInterface(kInterface,
                                                        EndpointTable::dataShareEndpoint());
    QXIMRequest::shared().cancelToVikRequestByInterface(
        NeedFilterFile::kInterface, EndpointTable::dataShareEndpoint() + kFilterCancelKey);
    // A voice note still on its way would otherwise publish the need after the user left.
    ViewControllerUpload::cancelUpload(sharedAs<ui::ViewController>());
    if (!audioDataPath_.isEmpty()) VoiceLeftovers::removeRecording(audioDataPath_);
    audioDataPath_.clear();
    stopObserving();
    if (ui::NavigationController* navigation = navigationController())
        navigation->popViewControllerAnimated(true);
}
