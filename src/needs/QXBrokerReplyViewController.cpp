#include "needs/QXBrokerReplyViewController.h"

#include "needs/NeedNeighbourScreens.h"
#include "needs/QXBrokersPopListView.h"
#include "needs/QXNeedHistoryItem.h"

#include "IMChat/qximlib/QXIMDatabase.h"
#include "IMChat/qximlib/QXIMNotifications.h"
#include "analytics/StatClick.h"
#include "houses/shared/HouseFavourites.h"
#include "net/BodyJson.h"
#include "net/ClassCallBody.h"
#include "net/EndpointTable.h"
#include "net/QXIMRequest.h"
#include "net/QXNetConnection.h"
#include "net/QXNetContext.h"
#include "net/transport/Json.h"
#include "ui/image/AnimatedGIFImage.h"
#include "ui/image/AnimatedImageView.h"
#include "ui/navigation/UIViewController+Navigation.h"
#include "ui/widgets/AlertMessages.h"
#include "ui/widgets/LineImageView.h"
#include "ui/widgets/LoadingOverlay.h"
#include "util/categories/Tolerant.h"

#include "platform/foundation/user_defaults.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/window.h"

#include <algorithm>

namespace {

constexpr double kCountSlide = 20;
constexpr double kStripHeight = 30;
constexpr double kToastSeconds = 5.0;

qint64 userIdOfTalk(const QVariant& talkRow) {
    return Tolerant(
               json_JSON(talkRow.toMap().value(QStringLiteral("o_user"))))[QStringLiteral("id")]
        .value()
        .toLongLong();
}

bool tallScreen() {
    return ui::Screen::mainScreen().bounds().height() >= 568;
}

}  // namespace

QXBrokerReplyViewController::QXBrokerReplyViewController() {
    setEdgesForExtendedLayout(ui::kRectEdgeNone);
    setHidesBottomBarWhenPushed(true);
    observation_ = ns::NotificationCenter::defaultCenter().addObserver(
        QXIMNotifications::kIMRecieveNotification,
        [this](const ns::Notification& notification) { imRecieveNotification(notification); });
}

QXBrokerReplyViewController::~QXBrokerReplyViewController() {
    for (ns::DelayedCall& call : delayedCalls_) call.cancel();
}

void QXBrokerReplyViewController::later(double seconds,
                                        std::function<void(QXBrokerReplyViewController&)> action) {
    std::erase_if(delayedCalls_, [](const ns::DelayedCall& call) { return !call.isPending(); });
    delayedCalls_.push_back(ns::DelayedCall::schedule(
        ns::seconds(seconds),
        [weak = weakAs<QXBrokerReplyViewController>(), action = std::move(action)] {
            if (const auto self = weak.lock()) action(*self);
        }));
}

QVariantMap QXBrokerReplyViewController::loadNeedInfoStringWithDictionary(const QVariantMap& row) {
    QVariantMap texts;
    const int kind = row.value(QStringLiteral("rentOrBuy")).toInt();
    if (kind == 1) texts.insert(QStringLiteral("type"), QStringLiteral("租房"));
    if (kind == 3) texts.insert(QStringLiteral("type"), QStringLiteral("合租房"));
    if (kind == 5) texts.insert(QStringLiteral("type"), QStringLiteral("买房"));
    texts.insert(QStringLiteral("address"), row.value(QStringLiteral("location")).toString());
    texts.insert(QStringLiteral("price"), row.value(QStringLiteral("priceName")).toString());
    texts.insert(QStringLiteral("time"), row.value(QStringLiteral("time")).toString());
    // The house types by the names the form offered and the need history shows, so that
    // one need reads alike on every screen.
    texts.insert(
        QStringLiteral("houseDoor"),
        QXNeedHistoryItem::houseTypeNames(row.value(QStringLiteral("huxing")),
                                          row.value(QStringLiteral("rentOrBuy")).toString()));
    return texts;
}

QString QXBrokerReplyViewController::nearbyAgentBody(const QVariantMap& row, qint64 userId) {
    const auto text = [&row](const char* key) { return row.value(QLatin1String(key)).toString(); };
    QString latlng = text("latlng");
    if (latlng == QLatin1String("0")) latlng.clear();
    // House types go in as their stored JSON text; anything that is not a number or an
    // array of numbers goes in as a string, so the body stays one valid JSON object.
    QString huxing = text("huxing");
    const QVariant parsed = json_JSON(QVariant(huxing));
    const bool numeric =
        parsed.typeId() == QMetaType::QVariantList ||
        (parsed.canConvert<double>() && parsed.typeId() != QMetaType::QString && parsed.isValid());
    if (!numeric) huxing = BodyJson::string(huxing);
    const auto value = [](const QString& stored) {
        bool isNumber = false;
        stored.toDouble(&isNumber);
        return isNumber ? stored : BodyJson::string(stored);
    };
    const bool placedByPosition =
        text("districtId") == QLatin1String("-") && text("streetId") == QLatin1String("-");
    const QString place =
        placedByPosition
            ? BodyJson::string(QString())
            : BodyJson::object({{QStringLiteral("cityScriptIndex"), value(text("cityScriptIndex"))},
                                {QStringLiteral("streetId"), value(text("streetId"))},
                                {QStringLiteral("districtId"), value(text("districtId"))}});
    // Price before price type in both shapes, as the publishing call sends them.
    return ClassCallBody()
        .call(QStringLiteral("SearchHousingRequest"), QStringLiteral("getNearbyAgent"),
              {BodyJson::string(QString::number(text("rentOrBuy").toInt())), place,
               BodyJson::string(latlng), huxing, BodyJson::number(userId), value(text("price")),
               value(text("priceType"))})
        .text();
}

void QXBrokerReplyViewController::performAction(const QString& action) {
    if (action == QLatin1String("hidingBrokersPopListView")) {
        hidingBrokersPopListView();
        return;
    }
    ui::ViewController::performAction(action);
}

bool QXBrokerReplyViewController::popUpShowing() const {
    const auto sheet = popUp_.lock();
    return sheet && sheet->isShowing();
}

bool QXBrokerReplyViewController::isVisibleInStack() const {
    const ui::NavigationController* stack = navigationController();
    return stack && stack->visibleViewController().get() == this;
}

bool QXBrokerReplyViewController::acceptsRowActions() const {
    return isVisibleInStack() && !popUpShowing();
}

void QXBrokerReplyViewController::hidingBrokersPopListView() {
    if (isVisibleInStack() && popUpShowing()) popUp_.lock()->onClose();
}

void QXBrokerReplyViewController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    if (ui::NavigationController* stack = navigationController())
        stack->setNavigationBarHidden(false, false);
    setTitle(kTitle);
    view()->setBackgroundColor(ui::Color::whiteColor());
    UIViewControllerNavigation::setNavigationBackButton(
        *this, [weak = weakAs<QXBrokerReplyViewController>()] {
            if (const auto self = weak.lock()) self->goBack();
        });
    buildLayoutViews();
    addHeaderViewToSuperView();
    generateBottomPushView();
    needInfoDictFromDB_ = QXIMDatabase::shared()
                              .getNeedInfoWithUserID(HouseFavourites::userIdText(), needId_)
                              .value(0);
    needDict_ = loadNeedInfoStringWithDictionary(needInfoDictFromDB_);
    titleLbl_->setText(needDict_.value(QStringLiteral("address")).toString());
    subTitleLbl_->setText(QStringLiteral("%1，%2的%3")
                              .arg(needDict_.value(QStringLiteral("type")).toString(),
                                   needDict_.value(QStringLiteral("price")).toString(),
                                   needDict_.value(QStringLiteral("houseDoor")).toString()));
    processTabelHeaderView();
    houseSourceTableView_->setBounces(false);
    if (isFromNeedHistoryVC_) {
        loadAgentsInfoResponsedFromDBWithFlag(false);
        loadNearByAgentList();
    } else {
        doSomethingBySubscribeId();
        showBrokerMatchingView();
        later(kMatchingSeconds, [](QXBrokerReplyViewController& self) {
            self.hideBrokerMatchingView();
            self.processFourTipFromPublishNeed();
        });
    }
    auto& defaults = ns::UserDefaults::standardUserDefaults();
    defaults.setBool(false, QXBrokersPopListView::kHaveGoneToImPage);
    defaults.synchronize();
}

void QXBrokerReplyViewController::buildLayoutViews() {
    const double height = view()->bounds().height();
    houseSourceTableView_ = std::make_shared<ui::TableView>(
        ui::Rect(0, kHeaderHeight, 320, height - kHeaderHeight), ui::TableViewStyle::Plain);
    houseSourceTableView_->setAutoresizingMask(ui::kAutoresizingFlexibleHeight);
    houseSourceTableView_->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
    houseSourceTableView_->setDataSource(weakAs<QXBrokerReplyViewController>());
    houseSourceTableView_->setDelegate(weakAs<QXBrokerReplyViewController>());
    view()->addSubview(houseSourceTableView_);
    pushTipInfoView_ = std::make_shared<ui::View>(ui::Rect(0, 0, 320, 40));

    brokerMatchingView_ = std::make_shared<ui::View>(ui::Rect(0, 0, 320, height - kHeaderHeight));
    brokerMatchingView_->setBackgroundColor(ui::Color::whiteColor());
    brokerMatchingGifImageView_ = std::make_shared<AnimatedImageView>(ui::Rect(85, 50, 150, 150));
    brokerMatchingView_->addSubview(brokerMatchingGifImageView_);
    auto matching = std::make_shared<ui::Label>(ui::Rect(0, 215, 320, 20));
    matching->setFont(ui::Font::systemFontOfSize(14));
    matching->setTextColor(ui::Color::rgb(64, 64, 64));
    matching->setTextAlignment(ui::TextAlignment::Center);
    matching->setText(QStringLiteral("正在为您匹配附近的经纪人"));
    brokerMatchingView_->addSubview(matching);
    auto patience = std::make_shared<ui::Label>(ui::Rect(0, 240, 320, 18));
    patience->setFont(ui::Font::systemFontOfSize(12));
    patience->setTextColor(ui::Color::rgb(149, 149, 149));
    patience->setTextAlignment(ui::TextAlignment::Center);
    patience->setText(QStringLiteral("经纪人应答后会通过聊天联系您"));
    brokerMatchingView_->addSubview(patience);

    noResultView_ = std::make_shared<ui::View>(ui::Rect(0, 0, 320, height - kHeaderHeight));
    noResultView_->setBackgroundColor(ui::Color::whiteColor());
    auto picture = std::make_shared<ui::ImageView>(ui::Rect(100, 80, 120, 120));
    picture->setTag(kNoticePictureTag);
    picture->setImage(ui::Image::imageNamed(QStringLiteral("没有经纪人")));
    noResultView_->addSubview(picture);
    auto text = std::make_shared<ui::Label>(ui::Rect(0, 215, 320, 20));
    text->setTag(kNoticeTextTag);
    text->setFont(ui::Font::systemFontOfSize(15));
    text->setTextColor(ui::Color::rgb(64, 64, 64));
    text->setTextAlignment(ui::TextAlignment::Center);
    noResultView_->addSubview(text);
    auto hint = std::make_shared<ui::Label>(ui::Rect(0, 242, 320, 18));
    hint->setTag(kNoticeHintTag);
    hint->setFont(ui::Font::systemFontOfSize(12));
    hint->setTextColor(ui::Color::rgb(149, 149, 149));
    hint->setTextAlignment(ui::TextAlignment::Center);
    noResultView_->addSubview(hint);
}

void QXBrokerReplyViewController::addHeaderViewToSuperView() {
    headerView_ = std::make_shared<ui::ImageView>(ui::Rect(0, 0, 320, 60));
    headerView_->setUserInteractionEnabled(true);
    if (const auto band = ui::Image::imageNamed(QStringLiteral("列表.png"))) {
        headerView_->setImage(band->stretchableImageWithLeftCapWidth(int(band->size().width / 2),
                                                                     int(band->size().height / 2)));
    }
    view()->addSubview(headerView_);
    titleLbl_ = std::make_shared<ui::Label>(ui::Rect(8, 8, 230, 25));
    titleLbl_->setFont(ui::Font::systemFontOfSize(14));
    titleLbl_->setTextColor(ui::Color::rgb(64, 64, 64));
    headerView_->addSubview(titleLbl_);
    subTitleLbl_ = std::make_shared<ui::Label>(ui::Rect(8, 33, 250, 20));
    subTitleLbl_->setFont(ui::Font::systemFontOfSize(12));
    subTitleLbl_->setTextColor(ui::Color::rgb(149, 149, 149));
    headerView_->addSubview(subTitleLbl_);
    headerView_->addSubview(lineImageViewWithFrame(ui::Rect(259, 0, 1, 57.5)));

    brokerListViewBtn_ = ui::Button::buttonWithType(ui::ButtonType::Custom);
    brokerListViewBtn_->setFrame(ui::Rect(262, 0, 58, 58));
    brokerListViewBtn_->setTitle(QStringLiteral("0"), ui::kControlStateNormal);
    brokerListViewBtn_->titleLabel()->setFont(ui::Font::systemFontOfSize(12));
    brokerListViewBtn_->setBackgroundImage(ui::Image::imageNamed(QStringLiteral("消息提示")),
                                           ui::kControlStateNormal);
    brokerListViewBtn_->setBackgroundImage(ui::Image::imageNamed(QStringLiteral("消息提示点击")),
                                           ui::kControlStateHighlighted);
    brokerListViewBtn_->setExclusiveTouch(true);
    brokerListViewBtn_->addTarget(
        this, ui::kControlEventTouchUpInside,
        [this](ui::Control&, const ui::Event*) { brokerListViewBtnFunc(); });
    headerView_->addSubview(brokerListViewBtn_);

    brokerListViewBtnGifImageView_ = std::make_shared<AnimatedImageView>(ui::Rect(0, 0, 58, 58));
    brokerListViewBtnGifImageView_->setImage(
        AnimatedGIFImage::imageNamed(QStringLiteral("消息提示gif动画@2x.gif")));
    // It marks answers not yet looked at from beneath the button's opaque picture, where none
    // of its frames shows: played, it would have the screen drawn eight times a second for
    // nothing, so it stands still wherever it goes.
    brokerListViewBtnGifImageView_->stopAnimating();
    brokerListViewBtnGifImageView_->setUserInteractionEnabled(false);

    brokerListViewBtnLbl_ = std::make_shared<ui::Label>(ui::Rect(19, -2, 20, 20));
    brokerListViewBtnLbl_->setFont(ui::Font::systemFontOfSize(12));
    brokerListViewBtnLbl_->setTextColor(ui::Color::whiteColor());
    brokerListViewBtnLbl_->setTextAlignment(ui::TextAlignment::Center);
    brokerListViewBtnLbl_->setBackgroundColor(ui::Color::clearColor());
    brokerListViewBtnLbl_->setHidden(true);
    brokerListViewBtn_->addSubview(brokerListViewBtnLbl_);
}

void QXBrokerReplyViewController::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    if (houseSourceTableView_) houseSourceTableView_->reloadData();
    auto& defaults = ns::UserDefaults::standardUserDefaults();
    if (defaults.boolForKey(QXBrokersPopListView::kHaveGoneToImPage)) {
        defaults.setBool(false, QXBrokersPopListView::kHaveGoneToImPage);
        defaults.synchronize();
        // The pop-up this screen opened and left for a chat.
        if (const auto sheet = popUp_.lock()) sheet->showAgainWithoutAnimation();
    }
    if (needLoad_) {
        needLoad_ = false;
        loadAgentsInfoResponsedFromDBWithFlag(false);
    }
}

void QXBrokerReplyViewController::loadAgentsInfoResponsedFromDBWithFlag(bool animated) {
    QXIMDatabase::shared().needResponseInfoAsyncByUser(
        HouseFavourites::userIdText(), needInfoDictFromDB_.value(QStringLiteral("n_id")).toString(),
        [weak = weakAs<QXBrokerReplyViewController>(), animated](const QXIMDatabase::Rows& talks,
                                                                 const QXIMDatabase::Rows&) {
            const auto self = weak.lock();
            if (!self) return;
            QVariantList rows;
            for (const QVariantMap& talk : talks) rows.append(talk);
            const int count = int(rows.size());
            if (count <= int(self->agentsInfoArray_.size())) {
                self->agentsInfoArray_ = rows;
                self->animationWithReplyingBrokerNum(count, false);
            } else if (self->popUpShowing()) {
                const std::lock_guard guard(self->lock_);
                self->animationWithReplyingBrokerNum(count, false);
                QXBrokersPopListView::showNewReplyedBrokers(
                    self->getNewAddedBrokersFromArray(rows));
                self->agentsInfoArray_ = rows;
            } else {
                self->agentsInfoArray_ = rows;
                self->animationWithReplyingBrokerNum(count, animated);
            }
        });
}

QVariantList QXBrokerReplyViewController::getNewAddedBrokersFromArray(
    const QVariantList& rows) const {
    QVariantList added = rows;
    for (const QVariant& known : agentsInfoArray_) {
        const qint64 id = userIdOfTalk(known);
        const auto same = std::find_if(added.begin(), added.end(), [id](const QVariant& row) {
            return userIdOfTalk(row) == id;
        });
        if (same != added.end()) added.erase(same);
    }
    return added;
}

void QXBrokerReplyViewController::animationWithReplyingBrokerNum(int count, bool animated) {
    const QString text = QString::number(count);
    if (!animated) {
        brokerListViewBtn_->setTitle(text, ui::kControlStateNormal);
        return;
    }
    if (!replyingBrokerTipView_) {
        replyingBrokerTipView_ =
            std::make_shared<ui::ImageView>(ui::Rect(0, kHeaderHeight, 320, kStripHeight));
        replyingBrokerTipView_->setAlpha(0);
        replyingBrokerTipView_->setBackgroundColor(ui::Color::rgb(83, 188, 44));
        replyingBrokerTipView_->setClipsToBounds(true);
        auto strip = std::make_shared<ui::Label>(ui::Rect(0, 0, 320, 20));
        strip->setTag(kStripLabelTag);
        strip->setFont(ui::Font::systemFontOfSize(12));
        strip->setTextColor(ui::Color::whiteColor());
        strip->setTextAlignment(ui::TextAlignment::Center);
        strip->setBackgroundColor(ui::Color::clearColor());
        strip->setCenter(ui::Point(160, kStripHeight / 2));
        replyingBrokerTipView_->addSubview(strip);
        view()->addSubview(replyingBrokerTipView_);
    }
    brokerListViewBtnLbl_->setText(text);
    brokerListViewBtnLbl_->setHidden(false);
    const auto weak = weakAs<QXBrokerReplyViewController>();
    ui::View::animateWithDuration(
        0.5,
        [this] {
            brokerListViewBtnLbl_->setCenter(brokerListViewBtnLbl_->center() +
                                             ui::Point(0, kCountSlide));
        },
        [weak](bool) {
            const auto self = weak.lock();
            if (!self) return;
            self->brokerListViewBtnLbl_->setHidden(true);
            self->brokerListViewBtnLbl_->setCenter(self->brokerListViewBtnLbl_->center() -
                                                   ui::Point(0, kCountSlide));
        });
    ui::Label* title = brokerListViewBtn_->titleLabel();
    ui::View::animateWithDuration(
        0.5, [title] { title->setCenter(title->center() + ui::Point(0, kCountSlide)); },
        [weak, text](bool) {
            const auto self = weak.lock();
            if (!self) return;
            ui::Label* label = self->brokerListViewBtn_->titleLabel();
            label->setCenter(label->center() - ui::Point(0, kCountSlide));
            self->brokerListViewBtn_->setTitle(text, ui::kControlStateNormal);
            if (!self->brokerListViewBtnGifImageView_->window())
                self->brokerListViewBtn_->insertSubviewAtIndex(self->brokerListViewBtnGifImageView_,
                                                               0);
            auto* strip =
                dynamic_cast<ui::Label*>(self->replyingBrokerTipView_->viewWithTag(kStripLabelTag));
            if (strip) strip->setText(QStringLiteral("已有%1位经纪人应答您的需求").arg(text));
            ui::ImageView& tip = *self->replyingBrokerTipView_;
            tip.setAlpha(0.9);
            tip.setFrame(ui::Rect(0, kHeaderHeight, 320, 0));
            ui::View::animateWithDuration(
                0.2, [&tip] { tip.setFrame(ui::Rect(0, kHeaderHeight, 320, kStripHeight)); },
                [weak](bool) {
                    const auto self = weak.lock();
                    if (!self) return;
                    self->later(1.0, [](QXBrokerReplyViewController& screen) {
                        ui::ImageView* strip = screen.replyingBrokerTipView_.get();
                        // The fade's end may come once the screen and its strip are gone (a
                        // layer that goes ends its animations unfinished).
                        const std::weak_ptr<ui::ImageView> weakStrip =
                            screen.replyingBrokerTipView_;
                        ui::View::animateWithDuration(
                            2.5, [strip] { strip->setAlpha(0); },
                            [weakStrip](bool) {
                                if (const auto faded = weakStrip.lock())
                                    faded->setFrame(ui::Rect(0, kHeaderHeight, 320, 0));
                            });
                    });
                });
        });
}

void QXBrokerReplyViewController::imRecieveNotification(const ns::Notification& notification) {
    if (!isVisibleInStack()) {
        needLoad_ = true;
        return;
    }
    const auto* received = std::any_cast<QXIMNotifications::ReceivedMessages>(&notification.object);
    if (!received || received->messages.isEmpty()) return;
    const bool aboutThisNeed =
        std::any_of(received->messages.begin(), received->messages.end(),
                    [this](const QXIMMessage& message) { return message.needId == needId_; });
    if (aboutThisNeed) loadAgentsInfoResponsedFromDBWithFlag(true);
}

void QXBrokerReplyViewController::brokerListViewBtnFunc() {
    StatClick::event(QStringLiteral("subscribe_detail_respond_clk"));
    if (brokerListViewBtnGifImageView_->window())
        brokerListViewBtnGifImageView_->removeFromSuperview();
    const bool busy = (brokerMatchingView_ && brokerMatchingView_->window()) ||
                      (loadingView_ && loadingView_->window());
    if (busy || !isVisibleInStack()) return;
    popUp_ = QXBrokersPopListView::showWithAgentArray(agentsInfoArray_);
}

void QXBrokerReplyViewController::loadNearByAgentList() {
    if (!QXNetContext::shared()->connectionReachabil()) {
        AlertMessages::showAlertViewWithAlertString(kNoNetwork);
        return;
    }
    showLoadingView();
    const QString body =
        nearbyAgentBody(needInfoDictFromDB_, QXNetContext::shared()->logonState().userId);
    const auto weak = weakAs<QXBrokerReplyViewController>();
    QXNetConnection::sharedInstance().requestNearByAgentInfoWithParameter(
        body,
        [weak](const QVariant& reply) {
            const auto self = weak.lock();
            if (!self) return;
            const QVariant data = Tolerant(reply)[QStringLiteral("data")].value();
            if (data.typeId() == QMetaType::QString) {
                self->matchedBrokerCount_ = 0;
            } else {
                const QVariant agents = Tolerant(data)[QStringLiteral("SearchHousingRequest")]
                                                      [QStringLiteral("getNearbyAgent")]
                                                          .value();
                if (agents.typeId() == QMetaType::QVariantList)
                    self->matchedBrokerCount_ = int(agents.toList().size());
            }
            self->doSomethingBySubscribeId();
        },
        [weak](const QVariantMap&) {
            if (const auto self = weak.lock()) self->doSomethingBySubscribeId();
        });
}

void QXBrokerReplyViewController::showBrokerMatchingView() {
    if (brokerMatchingView_->window()) return;
    if (!brokerMatchingGifImageView_->image()) {
        brokerMatchingGifImageView_->setImage(
            AnimatedGIFImage::imageNamed(QStringLiteral("经纪人应答gif@2x.gif")));
    }
    ui::Rect frame = brokerMatchingView_->frame();
    frame.origin.y = kHeaderHeight;
    brokerMatchingView_->setFrame(frame);
    view()->addSubview(brokerMatchingView_);
}

void QXBrokerReplyViewController::hideBrokerMatchingView() {
    brokerMatchingView_->removeFromSuperview();
}

void QXBrokerReplyViewController::showLoadingView() {
    if (!loadingView_) {
        loadingView_ = LoadingOverlay::make(
            ui::Rect(0, kHeaderHeight, 320, tallScreen() ? 450 : 362), QStringLiteral("正在加载"));
    }
    if (!loadingView_->superview()) view()->addSubview(loadingView_);
}

void QXBrokerReplyViewController::hideLoadingView() {
    // Let go, not kept: its picture turns for ever, and a turn unseen is still a frame drawn.
    if (loadingView_) loadingView_->removeFromSuperview();
    loadingView_.reset();
}

void QXBrokerReplyViewController::processFourTipFromPublishNeed() {
    if (matchedBrokerCount_ != 0) {
        topBlackToastViewWithText(QStringLiteral("正在等待经纪人响应..."));
        if (houseSourceArray_.isEmpty()) {
            showNoResultViewWithText(kNoHouse);
            return;
        }
    } else {
        topBlackToastViewWithText(QStringLiteral("暂未找到合适的经纪人，先看看这些房源吧"));
        if (houseSourceArray_.isEmpty()) {
            showNoResultViewWithText(kNoBroker);
            return;
        }
    }
    hideNoResultView();
}

void QXBrokerReplyViewController::topBlackToastViewWithText(const QString& text) {
    if (ui::View* old = view()->viewWithTag(kToastTag)) old->removeFromSuperview();
    auto toast = std::make_shared<ui::Label>(
        ui::Rect(0, kHeaderHeight, ui::Screen::mainScreen().bounds().width(), 34));
    toast->setTag(kToastTag);
    toast->setTextAlignment(ui::TextAlignment::Center);
    toast->setFont(ui::Font::systemFontOfSize(12));
    toast->setTextColor(ui::Color::whiteColor());
    toast->setBackgroundColor(ui::Color::colorWithWhite(0, 0.6));
    toast->setText(text);
    view()->addSubview(toast);
    const std::weak_ptr<ui::Label> weakToast = toast;
    later(kToastSeconds, [weakToast](QXBrokerReplyViewController&) {
        const auto shown = weakToast.lock();
        if (!shown) return;
        ui::View::animateWithDuration(
            1.0, [shown] { shown->setAlpha(0); }, [shown](bool) { shown->removeFromSuperview(); });
    });
}

void QXBrokerReplyViewController::goBack() {
    if (popUpShowing()) return;
    QXIMRequest& request = QXIMRequest::shared();
    for (const char* interface : {"HousingAppCInfo", "GetPost", "GetUserPrivilegeByUserId"})
        request.cancelToVikRequestByInterface(QLatin1String(interface),
                                              EndpointTable::dataShareEndpoint());
    request.cancelToVikRequestByInterface(QStringLiteral("CommonSubscribe"),
                                          EndpointTable::pushEndpoint());
    ui::NavigationController* stack = navigationController();
    if (!stack) return;
    const auto& screens = stack->viewControllers();
    if (screens.size() >= 3 &&
        NeedNeighbourScreens::isPublishingScreen(*screens[screens.size() - 2])) {
        stack->popToRootViewControllerAnimated(true);
    } else {
        stack->popViewControllerAnimated(true);
    }
}
