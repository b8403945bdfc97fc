#include "app/home/QXMainViewController.h"

#include "IMChat/qximlib/QXIMDatabase.h"
#include "account/QXHouseNewsViewController.h"
#include "account/QXUCenterViewController.h"
#include "account/QXUserInfo.h"
#include "app/QXAppDelegate.h"
#include "app/QXNavigationBar.h"
#include "app/QXUtil.h"
#include "app/ShopMapEntry.h"
#include "app/WebHelp.h"
#include "app/categories/UIView+Addition.h"
#include "houses/HousesNavigation.h"
#include "location/CityData.h"
#include "location/CityNode.h"
#include "location/HotCitySelect.h"
#include "location/SelectedCityState.h"
#include "map/QXMapViewController.h"
#include "needs/QXNeedHistoryListController.h"
#include "needs/QXPublishHouseInfoViewController.h"
#include "net/EndpointTable.h"
#include "net/QXIMRequest.h"
#include "net/QXNetConnection.h"
#include "net/RequestHeaderSet.h"
#include "platform/foundation/clock.h"
#include "platform/foundation/property_list.h"
#include "platform/foundation/timer.h"
#include "platform/foundation/user_defaults.h"
#include "platform/uikit/application.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_bar.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/navigation_item.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/scroll_view.h"
#include "platform/uikit/string_drawing.h"
#include "platform/uikit/tab_bar_controller.h"
#include "ui/image/UIButton+RemoteImage.h"
#include "ui/navigation/UIViewController+Navigation.h"
#include "ui/widgets/IconMenuView.h"
#include "util/categories/Tolerant.h"

#include <QFile>

#include <chrono>

namespace {

const QString kTermsVersionKey = QStringLiteral("termsVersion");
const QString kNewVersionWithSendInfoKey = QStringLiteral("newVersionWithSendInfo");
const QString kBannerImageKey = QStringLiteral("BannerDataImage_%1");
const QString kTermsInterface = QStringLiteral("HousingRequestInfo");
const QString kFindHouseTitle = QStringLiteral("找房意向");
constexpr int kNewsRedPointFrameX = 59;
constexpr double kTileWidth = 106.6;
constexpr double kTileHeight = 72.5;
constexpr double kCarouselHeight = 120;

ns::UserDefaults& defaults() {
    return ns::UserDefaults::standardUserDefaults();
}

QVariant member(const QVariant& value, const QString& key) {
    return value.toMap().value(key);
}

// The reply's class-call result: data → "SearchHousingRequest" → "getNevoruAppConfig".
QVariant appConfig(const QVariant& reply) {
    return member(
        member(member(reply, QStringLiteral("data")), QStringLiteral("SearchHousingRequest")),
        QStringLiteral("getNevoruAppConfig"));
}

std::shared_ptr<ui::ViewController> postList(int master, int major, const QString& title) {
    return HousesNavigation::postList(master, major, title);
}

std::shared_ptr<ui::ViewController> shopMap() {
    return ShopMapEntry::makeScreen(QXAppDelegate::sharedAppDelegate());
}

}  // namespace

QXMainViewController::QXMainViewController() {
    observations_.push_back(ns::NotificationCenter::defaultCenter().addObserver(
        ui::kApplicationDidBecomeActiveNotification,
        [this](const ns::Notification&) { applicationDidBecomeActive(); }));
}

QXMainViewController::~QXMainViewController() = default;

QString QXMainViewController::termsFileName(int version) {
    return QXUtil::pathForDocumentWithFilename(QStringLiteral("%1.plist").arg(version));
}

ui::Button* QXMainViewController::tile(int tag) const {
    if (tag < 0 || tag >= int(tiles_.size())) return nullptr;
    return tiles_[std::size_t(tag)].get();
}

void QXMainViewController::viewDidLoad() {
    QXUIViewController::viewDidLoad();
    auto& center = ns::NotificationCenter::defaultCenter();
    observations_.push_back(center.addObserver(SelectedCityState::kCityChangedNotification,
                                               [this](const ns::Notification&) { cityChanged(); }));
    observations_.push_back(center.addObserver(kUserChangedNotification,
                                               [this](const ns::Notification&) { signChanged(); }));

    if (defaults().boolForKey(kNewVersionWithSendInfoKey)) {
        versionIndex_ = int(defaults().integerForKey(kTermsVersionKey));
    } else {
        versionIndex_ = 0;
        defaults().setBool(true, kNewVersionWithSendInfoKey);
    }
    // Only for its side effect: the terms file is fetched when it is missing.
    (void)loadLocalTermsData(versionIndex_);

    const double screenHeight = ui::Screen::mainScreen().bounds().size.height;
    view()->setBackgroundColor(ui::Color::colorWithWhite(240.0 / 255, 1));
    mainScrollView_ = std::make_shared<ui::ScrollView>(ui::Rect(0, 0, 320, screenHeight));
    mainScrollView_->setContentSize({320, screenHeight + 64});
    mainScrollView_->setBackgroundColor(ui::Color::clearColor());
    mainScrollView_->setScrollEnabled(false);
    view()->addSubview(mainScrollView_);

    initializePublishView();
    initFeatureItemsView();

    const auto weak = weakAs<QXMainViewController>();
    UIViewControllerNavigation::setNavigationRightButton(
        *this,
        [weak] {
            if (auto self = weak.lock()) self->onClickHistroy();
        },
        kFindHouseTitle);
    // The keyword search: a magnifier between the city and the needs button.
    auto search = ui::Button::buttonWithType(ui::ButtonType::Custom);
    search->setFrame(ui::Rect(0, 0, 48, 32));
    search->setImage(ui::Image::imageNamed(QStringLiteral("搜索.png")), ui::kControlStateNormal);
    search->setAccessibilityLabel(QStringLiteral("搜索"));
    search->addTarget(this, ui::kControlEventTouchUpInside, [weak](auto&&...) {
        if (auto self = weak.lock()) self->onClickSearch();
    });
    navigationItem().setTitleView(search);
    view()->setExclusiveTouch(true);

    newsTimer_ = ns::Timer::scheduledTimer(std::chrono::seconds(int(kNewsCheckInterval)), true,
                                           [weak](ns::Timer&) {
                                               if (auto self = weak.lock()) self->requestNewsData();
                                           });

    redImageIcon_ = std::make_shared<ui::ImageView>(ui::Rect(kNewsRedPointFrameX, 10, 12, 12));
    redImageIcon_->setImage(ui::Image::imageNamed(QStringLiteral("红点.png")));
    initScrollView();

    dataArray_ = defaults().arrayForKey(kBannerDataNoImageKey);
    if (!dataArray_.isEmpty()) mainCycleView_->reloadData();
    if (defaults().stringForKey(kNewsUrlKey).isEmpty()) placeNewsRedPoint();
}

void QXMainViewController::viewWillAppear(bool animated) {
    QXUIViewController::viewWillAppear(animated);
    cityChanged();
    if (auto* stack = navigationController()) stack->setNavigationBarHidden(false, animated);
}

void QXMainViewController::start() {
    if (mainCycleView_) mainCycleView_->start();
}

void QXMainViewController::stop() {
    if (mainCycleView_) mainCycleView_->stop();
}

void QXMainViewController::initScrollView() {
    mainCycleView_ = QXCycleScrollView::initWithFrame(ui::Rect(0, 0, 320, kCarouselHeight), 4.0);
    mainCycleView_->setBackgroundColor(ui::Color::clearColor());
    mainCycleView_->setDataource(weakAs<QXMainViewController>());
    mainCycleView_->setDelegate(weakAs<QXMainViewController>());
    mainScrollView_->addSubview(mainCycleView_);
}

void QXMainViewController::initializePublishView() {
    const double screenHeight = ui::Screen::mainScreen().bounds().size.height;
    const bool tall = screenHeight > 480;
    auto background = std::make_shared<ui::ImageView>(
        tall ? ui::Rect(0, 192.5, 320, screenHeight - 192.5) : ui::Rect(0, 192.5, 320, 171));
    background->setImage(ui::Image::imageNamed(tall ? QStringLiteral("首页背景bg.png")
                                                    : QStringLiteral("背景960.png")));
    mainScrollView_->addSubview(background);

    publishButton_ = ui::Button::buttonWithType(ui::ButtonType::Custom);
    publishButton_->setFrame(ui::Rect(0, tall ? 229 : 180, 201, 201));
    UIViewAddition::setCenterX(*publishButton_, 160);
    publishButton_->setBackgroundImage(ui::Image::imageNamed(QStringLiteral("开始找房点击.png")),
                                       ui::kControlStateHighlighted);
    publishButton_->setExclusiveTouch(true);
    const auto weak = weakAs<QXMainViewController>();
    publishButton_->addTarget(this, ui::kControlEventTouchUpInside, [weak](auto&&...) {
        if (auto self = weak.lock()) self->onClickPublish();
    });
    mainScrollView_->addSubview(publishButton_);

    // The rings and the glow of the intro, laid over the button; they let touches through.
    auto frameRing = std::make_shared<ui::ImageView>(publishButton_->frame());
    frameRing->setImage(ui::Image::imageNamed(QStringLiteral("背景2.png")));
    auto innerRing = std::make_shared<ui::ImageView>(ui::Rect(0, 0, 201, 201));
    innerRing->setImage(ui::Image::imageNamed(QStringLiteral("背景1.png")));
    auto glow = std::make_shared<ui::ImageView>(ui::Rect(0, 0, 201, 201));
    glow->setImage(ui::Image::imageNamed(QStringLiteral("背景3.png")));
    glow->setAlpha(0);
    auto circle = std::make_shared<ui::ImageView>(ui::Rect(40, 40, 121, 121));
    circle->setImage(ui::Image::imageNamed(QStringLiteral("圆.png")));
    auto text = std::make_shared<ui::ImageView>(ui::Rect(0, 0, 121, 121));
    text->setImage(ui::Image::imageNamed(QStringLiteral("文字.png")));
    circle->addSubview(text);
    for (auto& layer : {innerRing, glow, circle}) frameRing->addSubview(layer);
    frameRing->setUserInteractionEnabled(false);
    mainScrollView_->addSubview(frameRing);

    // Shrink to 95 % with the glow coming up, back to full size with it going, then the
    // button takes its own face.
    const auto button = publishButton_;
    ui::View::animateWithDuration(
        1.0,
        [innerRing, glow] {
            innerRing->setTransform(ui::AffineTransform::makeScale(0.95, 0.95));
            glow->setAlpha(1);
        },
        [innerRing, glow, frameRing, button](bool) {
            ui::View::animateWithDuration(
                0.2,
                [innerRing, glow] {
                    innerRing->setTransform(ui::AffineTransform::makeScale(1, 1));
                    glow->setAlpha(0);
                },
                [frameRing, button](bool) {
                    frameRing->setHidden(true);
                    button->setBackgroundImage(
                        ui::Image::imageNamed(QStringLiteral("开始找房.png")),
                        ui::kControlStateNormal);
                });
        });
}

std::shared_ptr<ui::Button> QXMainViewController::customButton(const ui::Rect& frame,
                                                               const QString& title,
                                                               const QString& icon) {
    auto button = ui::Button::buttonWithType(ui::ButtonType::Custom);
    button->setFrame(frame);
    button->setBackgroundImage(QXUtil::imageWithColor(ui::Color::whiteColor()),
                               ui::kControlStateNormal);
    button->setBackgroundImage(QXUtil::imageWithColor(ui::Color::colorWithWhite(229.0 / 255, 1)),
                               ui::kControlStateHighlighted);
    auto iconView = std::make_shared<ui::ImageView>(ui::Rect(37.3, 12, 32, 32));
    iconView->setImage(ui::Image::imageNamed(icon));
    button->addSubview(iconView);
    auto label = std::make_shared<ui::Label>(ui::Rect(0, 48, frame.size.width, 20));
    label->setText(title);
    label->setFont(ui::Font::systemFontOfSize(14));
    label->setTextColor(ui::Color::colorWithWhite(64.0 / 255, 1));
    label->setTextAlignment(ui::TextAlignment::Center);
    label->setBackgroundColor(ui::Color::clearColor());
    button->addSubview(label);
    return button;
}

void QXMainViewController::initFeatureItemsView() {
    const std::pair<QString, QString> items[] = {
        {QStringLiteral("好房子"), QStringLiteral("首页好房子.png")},
        {QStringLiteral("中介门店"), QStringLiteral("首页门店.png")},
        {QStringLiteral("房产资讯"), QStringLiteral("首页资讯发布icon.png")},
    };
    tiles_.clear();
    const auto weak = weakAs<QXMainViewController>();
    for (int tag = 0; tag < 3; ++tag) {
        auto button =
            customButton(ui::Rect(kTileWidth * tag, kCarouselHeight, kTileWidth, kTileHeight),
                         items[tag].first, items[tag].second);
        button->setTag(tag);
        if (tag < 2)
            button->addSubview(QXUtil::lineImageViewWithFrame(ui::Rect(106, 0, 0.5, kTileHeight)));
        button->addTarget(this, ui::kControlEventTouchUpInside, [weak, tag](auto&&...) {
            if (auto self = weak.lock()) self->onClickTag(tag);
        });
        mainScrollView_->addSubview(button);
        tiles_.push_back(std::move(button));
    }
}

void QXMainViewController::updateOnClassInjection() {
    const bool redPointShown = redImageIcon_ && redImageIcon_->superview();
    UIViewAddition::removeAllSubviews(*view());
    // The tiles live in the scroll view: it comes back, holding only them.
    UIViewAddition::removeAllSubviews(*mainScrollView_);
    view()->addSubview(mainScrollView_);
    initFeatureItemsView();
    if (redPointShown) placeNewsRedPoint();
}

void QXMainViewController::updateOnResourceInjection(const QString& /*path*/) {
    updateOnClassInjection();
}

void QXMainViewController::placeNewsRedPoint() {
    ui::Button* news = tile(kHouseNews);
    if (!news || !redImageIcon_ || redImageIcon_->superview() == news) return;
    news->addSubview(redImageIcon_);
}

void QXMainViewController::cityChanged() {
    const auto& state = QXAppDelegate::sharedAppDelegate().cityState();
    const auto cities = state ? state->cityData() : nullptr;
    const auto city = cities ? cities->currentCity() : nullptr;
    titleViewName(city ? city->sname() : QString());
}

void QXMainViewController::titleViewName(const QString& cityName) {
    const QString appTitle = QStringLiteral("Nevoru找房");
    const ui::Font titleFont = ui::Font::boldSystemFontOfSize(18);
    const ui::Font cityFont = ui::Font::boldSystemFontOfSize(14);
    const double titleWidth =
        std::min(140.0, ui::StringDrawing::sizeWithFont(appTitle, titleFont).width);
    const double cityWidth = ui::StringDrawing::sizeWithFont(cityName, cityFont).width;

    auto holder = std::make_shared<ui::View>(ui::Rect(0, 0, titleWidth + cityWidth + 30, 44));
    auto button = ui::Button::buttonWithType(ui::ButtonType::Custom);
    button->setFrame(ui::Rect(0, 11, titleWidth + cityWidth + 30, 31));
    button->setBackgroundImage(ui::Image::imageNamed(QStringLiteral("button34px.png"))
                                   ->stretchableImageWithLeftCapWidth(3, 16),
                               ui::kControlStateHighlighted);
    const auto weak = weakAs<QXMainViewController>();
    button->addTarget(this, ui::kControlEventTouchUpInside, [weak](auto&&...) {
        if (auto self = weak.lock()) self->selectCity();
    });
    holder->addSubview(button);

    auto title = std::make_shared<ui::Label>(ui::Rect(0, 11, titleWidth, 31));
    title->setText(appTitle);
    title->setFont(titleFont);
    auto city = std::make_shared<ui::Label>(ui::Rect(titleWidth + 8, 3 + 11, cityWidth, 31));
    city->setText(cityName);
    city->setFont(cityFont);
    for (auto& label : {title, city}) {
        label->setTextColor(ui::Color::whiteColor());
        label->setBackgroundColor(ui::Color::clearColor());
        label->setUserInteractionEnabled(false);
        holder->addSubview(label);
    }
    auto arrow = std::make_shared<ui::ImageView>(ui::Rect(titleWidth + cityWidth + 9, 20, 15, 15));
    arrow->setImage(ui::Image::imageNamed(QStringLiteral("首页-选择城市箭头.png")));
    holder->addSubview(arrow);
    UIViewControllerNavigation::setNavLeftView(*this, holder);
}

void QXMainViewController::signChanged() {
    auto* stack = navigationController();
    auto* tabs = tabBarController();
    if (!stack || !tabs || tabs->selectedViewController().get() != stack) return;
    if (stack->visibleViewController().get() != this) return;
    viewWillAppear(false);
}

void QXMainViewController::selectCity() {
    QXUtil::mobEvent(QStringLiteral("bn_change_city"));
    const auto& state = QXAppDelegate::sharedAppDelegate().cityState();
    if (!state) return;
    auto chooser = std::make_shared<HotCitySelect>(state);
    if (const auto cities = state->cityData()) chooser->setCurrentCity(cities->currentCity());
    auto stack = QXNavigationBar::NavigationControllerWithQXBar(chooser);
    stack->navigationBar()->setTranslucent(false);
    stack->navigationBar()->setBarStyle(ui::BarStyle::Black);
    chooser->setTitle(QStringLiteral("城市选择"));
    presentViewController(stack, true);
}

void QXMainViewController::onClickTag(int tag) {
    auto* stack = navigationController();
    if (!stack) return;
    switch (tag) {
        case kGoodHouses:
            QXUtil::mobEvent(QStringLiteral("home_goodhouses"));
            stack->pushViewController(postList(7, 1, QString()), true);
            break;
        case kAgentShops:
            QXUtil::mobEvent(QStringLiteral("home_agentshop"));
            stack->pushViewController(shopMap(), true);
            break;
        case kHouseNews:
            QXUtil::mobEvent(QStringLiteral("home_news"));
            if (redImageIcon_ && redImageIcon_->superview()) redImageIcon_->removeFromSuperview();
            stack->pushViewController(std::make_shared<QXHouseNewsViewController>(), true);
            break;
        default:
            break;
    }
}

void QXMainViewController::onClickPublish() {
    QXUtil::mobEvent(QStringLiteral("home_findhouses"));
    menu_ = std::make_shared<IconMenuView>(view()->bounds());
    struct Item {
        QString title;
        QString icon;
        int kind;
        QString event;
    };
    const Item items[] = {
        {QStringLiteral("买房"), QStringLiteral("买房icon.png"), 5,
         QStringLiteral("findhouses_bn_sold")},
        {QStringLiteral("租房"), QStringLiteral("整租icon.png"), 1,
         QStringLiteral("findhouses_bn_rent")},
        {QStringLiteral("合租"), QStringLiteral("合租icon.png"), 3,
         QStringLiteral("findhouses_bn_rentshare")},
    };
    const auto weak = weakAs<QXMainViewController>();
    for (const Item& item : items) {
        menu_->addMenuItemWithTitle(item.title, ui::Image::imageNamed(item.icon),
                                    [weak, kind = item.kind, event = item.event] {
                                        QXUtil::mobEvent(event);
                                        if (auto self = weak.lock()) self->publish(kind);
                                    });
    }
    menu_->setFiniallyShowBlock([weak] {
        if (auto self = weak.lock()) {
            if (auto* stack = self->navigationController())
                stack->setNavigationBarHidden(false, true);
        }
    });
    if (auto* stack = navigationController()) stack->setNavigationBarHidden(true, true);
    view()->addSubview(menu_);
    menu_->show();
}

void QXMainViewController::publish(int needKind) {
    auto* stack = navigationController();
    if (!stack) return;
    const QString kind = QString::number(needKind);
    auto form = std::make_shared<QXPublishHouseInfoViewController>();
    form->setRentOrBuyKey(needKind);
    form->qxInfoModel().publishInfoRentOrBuyString = kind;
    QStringList terms;
    for (const QVariant& term : loadLocalTermsData(needKind).value_or(QVariantList()))
        terms << term.toString();
    form->setTermsArray(terms);
    form->didLoadUnLocalHouseDoorAndPriceInfoWithIndex(
        kind, QXAppDelegate::sharedAppDelegate().currentCityScript_index());
    stack->pushViewController(form, true);
}

void QXMainViewController::onClickSearch() {
    HousesNavigation::pushKeywordSearch(*this);
}

void QXMainViewController::onClickHistroy() {
    QXUtil::mobEvent(QStringLiteral("home_findhouses_history"));
    showRedPointOnFindHouseWithFlag(false);
    if (auto* stack = navigationController()) {
        stack->pushViewController(std::make_shared<QXNeedHistoryListController>(), true);
    }
}

int QXMainViewController::numberOfPages() {
    return int(dataArray_.size());
}

std::shared_ptr<ui::View> QXMainViewController::pageAtIndex(int index) {
    auto button = ui::Button::buttonWithType(ui::ButtonType::Custom);
    button->setFrame(ui::Rect(0, 0, 320, kCarouselHeight));
    button->setTag(index);
    button->setExclusiveTouch(true);
    // The picture kept from an earlier load shows until the banner's own arrives, and a
    // picture that arrives is kept for the next launch, once: the carousel shows its pages
    // over and over, and each keeping rewrites the defaults file.
    const QByteArray cached = defaults().dataForKey(kBannerImageKey.arg(index));
    const auto placeholder = cached.isEmpty() ? nullptr : ui::Image::imageWithData(cached);
    const QUrl url = bannerURL(index);
    const auto weak = weakAs<QXMainViewController>();
    ButtonRemoteImage::setBackgroundImageWithURL(
        *button, url, ui::kControlStateNormal, placeholder, 0,
        [weak, index, url](const RemoteImage::Image& picture, const std::optional<ns::Error>&,
                           IKImageCacheType) {
            auto self = weak.lock();
            if (!self || !picture) return;
            // A load that outlived its banners must not stand for the new banner there.
            if (self->bannerURL(index) == url &&
                defaults().dataForKey(kBannerImageKey.arg(index)).isEmpty()) {
                self->saveBannerDataToUserDefaults(index, *picture);
            }
        });
    return button;
}

QUrl QXMainViewController::bannerURL(int index) const {
    return QUrl(dataArray_.value(index).toMap().value(QStringLiteral("img_url")).toString());
}

void QXMainViewController::didClickPage(QXCycleScrollView&, int index) {
    QXUtil::mobEvent(QStringLiteral("home_banner"));
    loadBannerDetailView(index);
}

void QXMainViewController::loadBannerDetailView(int index) {
    if (dataArray_.isEmpty() || index < 0 || index >= dataArray_.size()) return;
    const QVariantMap item = dataArray_.at(index).toMap();
    const QString jump = item.value(QStringLiteral("jump_url")).toString();
    auto* stack = navigationController();
    if (jump.isEmpty() || !stack) return;
    // Web addresses, plain or secure, open in the web page; numbers name a post list.
    if (jump.startsWith(QStringLiteral("http://")) || jump.startsWith(QStringLiteral("https://"))) {
        stack->pushViewController(
            std::make_shared<WebHelp>(item.value(QStringLiteral("title")).toString(), jump), true);
        return;
    }
    // The number's leading digits count, as the platform reads a number from text ("3a" is 3).
    const int major = Tolerant::intValueOfString(jump);
    if (major == 1 || major == 3 || major == 5) {
        stack->pushViewController(postList(7, major, QString()), true);
    } else {
        stack->pushViewController(shopMap(), true);
    }
}

void QXMainViewController::applicationDidBecomeActive() {
    requetBannerData();
    getSubscribeRefreshStatusFromServerWithFlag(false);
}

void QXMainViewController::requetBannerData() {
    const auto weak = weakAs<QXMainViewController>();
    QXNetConnection::sharedInstance().requestBannerDataWithSuccess(
        [weak](const QVariant& reply) {
            if (auto self = weak.lock()) self->didFinishedBannerDataConnection(reply);
        },
        {});
}

void QXMainViewController::requestNewsData() {
    const auto weak = weakAs<QXMainViewController>();
    QXNetConnection::sharedInstance().requestNewsDataWithSuccess(
        [weak](const QVariant& reply) {
            if (reply.typeId() != QMetaType::QVariantMap) return;
            if (auto self = weak.lock()) self->loadRedPoint(reply);
        },
        {}, 0);
}

void QXMainViewController::didFinishedBannerDataConnection(const QVariant& reply) {
    const QVariant data = member(reply, QStringLiteral("data"));
    if (data.typeId() != QMetaType::QVariantMap) return;
    const QVariant top = data.toMap().value(QStringLiteral("top"));
    if (top.typeId() != QMetaType::QVariantList) return;
    dataArray_ = top.toList().mid(0, kMaxBanners);
    saveBannerDataToUserDefaults(dataArray_);
    if (mainCycleView_) mainCycleView_->reloadData();
}

void QXMainViewController::saveBannerDataToUserDefaults(const QVariantList& items) {
    defaults().setObject(items, kBannerDataNoImageKey);
    for (int i = 0; i < kMaxBanners; ++i) defaults().removeObjectForKey(kBannerImageKey.arg(i));
    defaults().synchronize();
}

void QXMainViewController::saveBannerDataToUserDefaults(int index, const ui::Image& picture) {
    defaults().setObject(picture.JPEGRepresentation(0.1), kBannerImageKey.arg(index));
    defaults().synchronize();
}

void QXMainViewController::loadRedPoint(const QVariant& reply) {
    const QVariant first = member(reply, QStringLiteral("data")).toList().value(0);
    const QString url = member(first, QStringLiteral("url")).toString();
    if (url == defaults().stringForKey(kNewsUrlKey)) return;
    QXUtil::mobEvent(QStringLiteral("home_news_new"));
    placeNewsRedPoint();
    defaults().setObject(url, kNewsUrlKey);
    defaults().synchronize();
}

std::optional<QVariantList> QXMainViewController::loadLocalTermsData(int needKind) {
    const QString path = termsFileName(versionIndex_);
    if (!QFile::exists(path)) {
        didLoadOtherTerms(versionIndex_);
        return std::nullopt;
    }
    const auto stored = ns::dictionaryWithContentsOfFile(path);
    if (!stored) return std::nullopt;
    const QVariant tags =
        member(member(appConfig(*stored), QStringLiteral("config")), QStringLiteral("tags"));
    const QVariant terms = tags.toMap().value(QString::number(needKind));
    if (terms.typeId() != QMetaType::QVariantList) return std::nullopt;
    return terms.toList();
}

void QXMainViewController::didLoadOtherTerms(int version) {
    RequestHeaderSet headers = RequestHeaderSet::clientIdentity();
    headers.set(QStringLiteral("userId"), QXAppDelegate::sharedAppDelegate().userId())
        .set(QStringLiteral("contentformat"), EndpointTable::contentFormat())
        .set(QStringLiteral("agency"), EndpointTable::agency())
        .set(QStringLiteral("interface"), kTermsInterface)
        .set(QStringLiteral("Accept-Encoding"), QStringLiteral("gzip"));
    QXIMRequest::shared().addValuesFormDic(headers);
    const QString body =
        QStringLiteral("class={\"SearchHousingRequest\":{\"getNevoruAppConfig\":[%1]}}")
            .arg(version);
    const auto weak = weakAs<QXMainViewController>();
    QXIMRequest::shared().requestWithUrl(
        EndpointTable::dataShareEndpoint(), kTermsInterface, body,
        [weak](const QVariant& reply) {
            if (auto self = weak.lock()) self->parseData(reply);
        },
        [](const QVariantMap&) {});
}

void QXMainViewController::parseData(const QVariant& reply) {
    const QVariant version = member(appConfig(reply), QStringLiteral("version"));
    bool numeric = false;
    const int newVersion = version.toString().toInt(&numeric);
    if (!version.isValid() || !numeric || newVersion <= versionIndex_) return;
    if (!ns::writeToFile(reply, termsFileName(newVersion), true)) return;
    versionIndex_ = newVersion;
    defaults().setObject(version, kTermsVersionKey);
    defaults().synchronize();
}

void QXMainViewController::getSubscribeRefreshStatusFromServerWithFlag(bool force) {
    auto& app = QXAppDelegate::sharedAppDelegate();
    if (!app.connectionReachabil()) return;
    const double now = ns::Clock::shared().timeIntervalSince1970();
    if (!force &&
        now - defaults().doubleForKey(kSubscribeRefreshTimeKey) < kSubscribeCheckInterval) {
        return;
    }
    const auto user = app.userInfo();
    const QString userId = QString::number(user ? user->userId() : 0);
    const auto weak = weakAs<QXMainViewController>();
    QXNetConnection::sharedInstance().requestManageSubscribeWithID(
        QStringLiteral("0"), QXNetConnection::kListSubscriptions, 0,
        [weak, force, now, userId](const QVariant& reply) {
            // The time is kept only once the server answered, so that a failure is
            // retried the next time the app becomes active.
            if (!force) {
                defaults().setDouble(now, kSubscribeRefreshTimeKey);
                defaults().synchronize();
            }
            const QVariantList subscriptions = member(reply, QStringLiteral("data")).toList();
            QXIMDatabase::shared().getNeedInfoAsyncWithUserID(
                userId, QXIMDatabase::kEndOfTime, [weak, subscriptions](const QXIMDatabase::Rows& needs) {
                    if (auto self = weak.lock()) self->countNewAnswers(subscriptions, needs);
                });
        },
        {});
}

void QXMainViewController::countNewAnswers(const QVariantList& subscriptions,
                                           const QList<QVariantMap>& needs) {
    if (needs.isEmpty()) return;
    qint64 sum = 0;
    for (const QVariant& subscription : subscriptions) {
        const qint64 id = member(subscription, QStringLiteral("id")).toLongLong();
        const bool known = std::any_of(needs.begin(), needs.end(), [id](const QVariantMap& need) {
            return need.value(QStringLiteral("subscribeId")).toLongLong() == id;
        });
        if (known) sum += member(subscription, QStringLiteral("newNum")).toLongLong();
        showRedPointOnFindHouseWithFlag(sum != 0);
    }
}

void QXMainViewController::showRedPointOnFindHouseWithFlag(bool shown) {
    findHouseRedPoint_ = shown;
    const auto weak = weakAs<QXMainViewController>();
    UIViewControllerNavigation::setNavigationRightButton(
        *this,
        [weak] {
            if (auto self = weak.lock()) self->onClickHistroy();
        },
        kFindHouseTitle, shown);
}
