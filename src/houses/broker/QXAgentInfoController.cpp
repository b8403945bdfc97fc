#include "houses/broker/QXAgentInfoController.h"

#include "IMChat/qximlib/QXIMDatabase.h"
#include "analytics/StatClick.h"
#include "houses/broker/BrokerRequests.h"
#include "houses/broker/PromotionListViewController.h"
#include "houses/query/PostListPaging.h"
#include "houses/shared/ChatScreenOpener.h"
#include "houses/shared/ErrorTipView.h"
#include "houses/shared/HousesScreen.h"
#include "houses/shared/PosterTalk.h"
#include "map/MapNotices.h"
#include "map/URLPic.h"
#include "net/EndpointTable.h"
#include "net/QXIMRequest.h"
#include "net/QXNetContext.h"
#include "platform/foundation/notification_center.h"
#include "platform/foundation/url_request.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/scroll_view.h"
#include "platform/uikit/string_drawing.h"
#include "platform/uikit/web_view.h"
#include "ui/image/StretchedImage.h"
#include "ui/navigation/UIViewController+Navigation.h"
#include "ui/widgets/LoadingOverlay.h"
#include "ui/widgets/StarLevelView.h"
#include "util/categories/Tolerant.h"

namespace {

using HousesScreen::kBarsHeight;
using HousesScreen::kWidth;
using HousesScreen::screenHeight;
const QString kDefaultAvatar = QStringLiteral("默认头像.png");
const QString kRowBackground = QStringLiteral("表格列表.png");
const QString kRowPressed = QStringLiteral("表格列表点击.png");

// The places of the page's views (its interface file).
const ui::Rect kCompanyFrame{12, 12, 190, 20};
const ui::Rect kContactCountFrame{160, 12, 148, 20};
const ui::Rect kIconFrame{7.5, 57.5, 55, 55};
const ui::Rect kNameFrame{72, 58, 120, 22};
const ui::Rect kPositionFrame{200, 60, 112, 20};
const ui::Rect kBCardImageFrame{135, 93, 14, 14};
const ui::Rect kBCardLabelFrame{151, 92, 66, 16};
const ui::Rect kICardImageFrame{207, 93, 14, 14};
const ui::Rect kICardLabelFrame{223, 92, 80, 16};
constexpr double kCardHeight = 122;
const ui::Rect kPhoneFrame{0, 130, 320, 44};
constexpr double kFirstEntryY = 182;
constexpr double kEntryHeight = 44;
const ui::Rect kTeleFrame{10, 324, 145, 38};
const ui::Rect kMessageFrame{165, 324, 145, 38};
const ui::Rect kChatFrame{10, 370, 300, 38};

using HousesScreen::clearLabel;

// A value as "%@" prints it; `missing` when there is none.
QString printedOr(const Tolerant& value, const QString& missing = QString()) {
    if (value.isNil() || value.value().isNull()) return missing;
    if (value.value().typeId() == QMetaType::Double)
        return QString::number(value.value().toDouble(), 'g', 15);
    return value.toString();
}

struct EntryLook {
    int tag;
    const char* format;
    const char* countKey;
    const char* event;
    const char* listTitle;
};
const EntryLook kEntries[] = {
    {QXAgentInfoController::kSaleTag, "二手房（%1套）", "5", "agentdetail_bn_sold", "二手房房源"},
    {QXAgentInfoController::kRentTag, "租房（%1套）", "1", "agentdetail_bn_rent", "出租房源"},
    {QXAgentInfoController::kShareTag, "合租（%1套）", "3", "agentdetail_bn_rentshare",
     "合租房源"}};

const EntryLook* entryOf(int tag) {
    for (const EntryLook& entry : kEntries) {
        if (entry.tag == tag) return &entry;
    }
    return nullptr;
}

// A post reference names a post when it has one before its first "_".
bool namesPost(const QString& postReference) {
    const QString id = postReference.section(u'_', 0, 0);
    return !postReference.isEmpty() && !id.isEmpty() && id != QLatin1String("0");
}

}  // namespace

QXAgentInfoController::QXAgentInfoController() {
    setHidesBottomBarWhenPushed(true);
    // The page lays out below the navigation bar.
    setEdgesForExtendedLayout(ui::kRectEdgeNone);
}

QXAgentInfoController::~QXAgentInfoController() {
    cancelRequests();
}

void QXAgentInfoController::cancelRequests() {
    auto& request = QXIMRequest::shared();
    for (const QString& interface :
         {BrokerRequests::kPrivilegeInterface, BrokerRequests::kPostListInterface}) {
        request.cancelToVikRequestByInterface(interface, EndpointTable::dataShareEndpoint(),
                                              owner_);
    }
}

void QXAgentInfoController::willMoveToParentViewController(ui::ViewController* parent) {
    ui::ViewController::willMoveToParentViewController(parent);
    if (!parent) cancelRequests();
}

void QXAgentInfoController::goBack() {
    if (ui::NavigationController* navigation = navigationController())
        navigation->popViewControllerAnimated(true);
}

ui::Button* QXAgentInfoController::enterButton(int tag) const {
    switch (tag) {
        case kSaleTag:
            return enter1Bg_.get();
        case kRentTag:
            return enter2Bg_.get();
        case kShareTag:
            return enter3Bg_.get();
        default:
            return nullptr;
    }
}

ui::Label* QXAgentInfoController::enterLabel(int tag) const {
    switch (tag) {
        case kSaleTag:
            return enter1Label_.get();
        case kRentTag:
            return enter2Label_.get();
        case kShareTag:
            return enter3Label_.get();
        default:
            return nullptr;
    }
}

QString QXAgentInfoController::avatarURL() const {
    return avatarURL_;
}

void QXAgentInfoController::loadView() {
    ui::ViewController::loadView();
    buildPage();
}

void QXAgentInfoController::buildPage() {
    view()->setBackgroundColor(ui::Color::rgb(235, 235, 235));
    UIViewControllerNavigation::setNavigationBackButton(*this,
                                                        [weak = weakAs<QXAgentInfoController>()] {
                                                            if (auto self = weak.lock())
                                                                self->goBack();
                                                        });
    mailView_ =
        std::make_shared<ui::ScrollView>(ui::Rect(0, 0, kWidth, screenHeight() - kBarsHeight));
    mailView_->setHidden(true);
    view()->addSubview(mailView_);

    auto card = std::make_shared<ui::View>(ui::Rect(0, 0, kWidth, kCardHeight));
    card->setBackgroundColor(ui::Color::whiteColor());
    mailView_->addSubview(card);
    auto line = std::make_shared<ui::View>(ui::Rect(0, 42, kWidth, 1));
    line->setBackgroundColor(ui::Color::rgb(230, 230, 230));
    mailView_->addSubview(line);

    companyLabel_ =
        clearLabel(kCompanyFrame, ui::Font::systemFontOfSize(14), ui::Color::colorWithWhite(0.4));
    mailView_->addSubview(companyLabel_);
    contactCountLabel_ = clearLabel(kContactCountFrame, ui::Font::systemFontOfSize(13),
                                    ui::Color::colorWithWhite(0.6));
    contactCountLabel_->setTextAlignment(ui::TextAlignment::Right);
    mailView_->addSubview(contactCountLabel_);
    contactIcon_ =
        std::make_shared<ui::ImageView>(ui::Image::imageNamed(QStringLiteral("联系人数.png")));
    contactIcon_->sizeToFit();
    mailView_->addSubview(contactIcon_);

    icon_ = std::make_shared<URLPic>(kIconFrame);
    mailView_->addSubview(icon_);
    nameLabel_ =
        clearLabel(kNameFrame, ui::Font::boldSystemFontOfSize(17), ui::Color::colorWithWhite(0.2));
    mailView_->addSubview(nameLabel_);
    positionLabel_ =
        clearLabel(kPositionFrame, ui::Font::systemFontOfSize(13), ui::Color::colorWithWhite(0.6));
    mailView_->addSubview(positionLabel_);

    const auto badge = [this](const ui::Rect& imageFrame, const ui::Rect& labelFrame,
                              const QString& picture, std::shared_ptr<ui::ImageView>& image,
                              std::shared_ptr<ui::Label>& label) {
        image = std::make_shared<ui::ImageView>(imageFrame);
        image->setImage(ui::Image::imageNamed(picture));
        image->setHidden(true);
        mailView_->addSubview(image);
        label = clearLabel(labelFrame, ui::Font::systemFontOfSize(12), ui::Color::rgb(86, 160, 50));
        label->setHidden(true);
        mailView_->addSubview(label);
    };
    badge(kBCardImageFrame, kBCardLabelFrame, QStringLiteral("名片验证.png"), bCardAutheImage_,
          bCardAutheLabel_);
    badge(kICardImageFrame, kICardLabelFrame, QStringLiteral("身份证验证.png"), iCardAutheImage_,
          iCardAutheLabel_);
    iCardAutheLabel_->setText(QStringLiteral("身份证验证"));

    phoneBg_ = std::make_shared<ui::ImageView>(kPhoneFrame);
    mailView_->addSubview(phoneBg_);
    auto phoneKey = clearLabel({15, kPhoneFrame.origin.y, 80, kPhoneFrame.size.height},
                               ui::Font::systemFontOfSize(15), ui::Color::colorWithWhite(0.6));
    phoneKey->setText(QStringLiteral("联系电话"));
    mailView_->addSubview(phoneKey);
    phoneLabel_ = clearLabel({95, kPhoneFrame.origin.y, 210, kPhoneFrame.size.height},
                             ui::Font::boldSystemFontOfSize(16),
                             ui::Color::colorWithRed(247 / 255.0, 127 / 255.0, 0));
    mailView_->addSubview(phoneLabel_);

    std::shared_ptr<ui::Button>* entries[] = {&enter1Bg_, &enter2Bg_, &enter3Bg_};
    std::shared_ptr<ui::Label>* labels[] = {&enter1Label_, &enter2Label_, &enter3Label_};
    for (std::size_t i = 0; i < std::size(kEntries); ++i) {
        auto entry = std::make_shared<ui::Button>(
            ui::Rect(0, kFirstEntryY + kEntryHeight * double(i), kWidth, kEntryHeight));
        auto label = clearLabel({15, 0, 250, kEntryHeight}, ui::Font::systemFontOfSize(15),
                                ui::Color::colorWithWhite(0.2));
        entry->addSubview(label);
        mailView_->addSubview(entry);
        *entries[i] = entry;
        *labels[i] = label;
    }

    const auto actionButton = [this](const ui::Rect& frame, const QString& title) {
        auto button = std::make_shared<ui::Button>(frame);
        button->setTitle(title, ui::kControlStateNormal);
        button->setFont(ui::Font::systemFontOfSize(16));
        mailView_->addSubview(button);
        return button;
    };
    teleBt_ = actionButton(kTeleFrame, QStringLiteral("打电话"));
    messageBt_ = actionButton(kMessageFrame, QStringLiteral("发短信"));
    beginConnectionBt_ = actionButton(kChatFrame, QStringLiteral("在线沟通"));
    for (ui::Button* button : {teleBt_.get(), messageBt_.get()}) {
        button->setBackgroundColor(ui::Color::whiteColor());
        button->setTitleColor(ui::Color::colorWithWhite(0.2), ui::kControlStateNormal);
    }
    beginConnectionBt_->setTitleColor(ui::Color::whiteColor(), ui::kControlStateNormal);
}

void QXAgentInfoController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    setTitle(kTitle);
    beginConnectionBt_->setBackgroundImage(
        StretchedImage::fromCentre(QStringLiteral("button34px.png")), ui::kControlStateNormal);
    beginConnectionBt_->setBackgroundImage(
        StretchedImage::fromCentre(QStringLiteral("button36px-点击态.png")),
        ui::kControlStateHighlighted);
    const auto pressed = ui::Image::imageWithColor(ui::Color::rgb(230, 230, 230), ui::Size(1, 1));
    teleBt_->setBackgroundImage(pressed, ui::kControlStateHighlighted);
    messageBt_->setBackgroundImage(pressed, ui::kControlStateHighlighted);
    const auto weak = weakAs<QXAgentInfoController>();
    teleBt_->addTarget(this, ui::kControlEventTouchUpInside,
                       [weak](ui::Control&, const ui::Event*) {
                           if (auto self = weak.lock()) self->callPhoneToAgent();
                       });
    messageBt_->addTarget(this, ui::kControlEventTouchUpInside,
                          [weak](ui::Control&, const ui::Event*) {
                              if (auto self = weak.lock()) self->sendSMSMessage();
                          });
    beginConnectionBt_->addTarget(this, ui::kControlEventTouchUpInside,
                                  [weak](ui::Control&, const ui::Event*) {
                                      if (auto self = weak.lock()) self->sendMessageToAgent();
                                  });
    if (!dataInfo_.isEmpty()) {
        refreshView();
    } else {
        loadAgentInfo();
    }
    for (ui::Button* button : {teleBt_.get(), messageBt_.get(), beginConnectionBt_.get()})
        button->setExclusiveTouch(true);
}

void QXAgentInfoController::showCustomLoadingView() {
    if (view()->viewWithTag(LoadingOverlay::kTag)) return;
    auto loading = LoadingOverlay::make(ui::Rect(0, 0, kWidth, screenHeight() - kBarsHeight),
                                        QStringLiteral("正在加载"));
    loading->setBackgroundColor(ui::Color::colorWithWhite(0, 0.35));
    view()->addSubview(loading);
}

void QXAgentInfoController::loadAgentInfo() {
    if (agentId_.isEmpty()) return;
    showCustomLoadingView();
    BrokerRequests::getPrivilege(
        agentId_, owner_,
        [weak = weakAs<QXAgentInfoController>()](const QVariant& reply) {
            auto self = weak.lock();
            if (!self) return;
            if (ui::View* loading = self->view()->viewWithTag(LoadingOverlay::kTag))
                loading->removeFromSuperview();
            self->dataInfo_ = reply.toMap();
            self->refreshView();
        },
        [weak = weakAs<QXAgentInfoController>()](const QVariantMap& failure) {
            auto self = weak.lock();
            if (!self || PostListPaging::isCancellation(failure)) return;
            if (ui::View* loading = self->view()->viewWithTag(LoadingOverlay::kTag))
                loading->removeFromSuperview();
            self->addErrorTipViewWithErrorMsg(kLoadFailed);
        });
}

void QXAgentInfoController::addErrorTipViewWithErrorMsg(const QString& message) {
    ErrorTipView::show(*view(), ui::Rect(0, 0, kWidth, screenHeight()), message);
}

void QXAgentInfoController::refreshView() {
    const Tolerant data{QVariant(dataInfo_)};
    const Tolerant base = data["baseInfo"];
    // A reply without the broker's profile is no broker's data: the page cannot be shown.
    if (base.value().typeId() != QMetaType::QVariantMap) {
        mailView_->setHidden(true);
        addErrorTipViewWithErrorMsg(kLoadFailed);
        return;
    }
    const auto placeholder = ui::Image::imageNamed(kDefaultAvatar);
    if (base["avatar"].value().typeId() == QMetaType::QString) {
        icon_->setFrame({7.5, 57.5, icon_->frame().size.width, icon_->frame().size.height});
        avatarURL_ = EndpointTable::imageURL(base["avatar"].toString());
        icon_->setImageWithURL(QUrl(avatarURL_), placeholder);
    } else {
        avatarURL_.clear();
        icon_->setImageWithURL(QUrl(), placeholder);
    }

    const QString name = printedOr(base["name"], QStringLiteral("    "));
    nameLabel_->setText(name);
    const QString district = base["district_name"].toString();
    const QString street = base["street_name"].toString();
    positionLabel_->setText(district + (district.isEmpty() ? QString() : QStringLiteral("-")) +
                            street);
    const double nameWidth =
        ui::StringDrawing::sizeWithFont(name, nameLabel_->font(), nameLabel_->frame().size.width,
                                        nameLabel_->lineBreakMode())
            .width;
    const double positionX = nameLabel_->frame().origin.x + nameWidth + 5;
    positionLabel_->setFrame({positionX, positionLabel_->frame().origin.y,
                              std::max(0.0, 312 - positionX), positionLabel_->frame().size.height});

    contactCountLabel_->setText(
        QStringLiteral("%1人联系过").arg(base["agentUserContactNum"].intValue()));
    const ui::Rect count = contactCountLabel_->frame();
    const double textWidth =
        ui::StringDrawing::sizeWithFont(contactCountLabel_->text(), contactCountLabel_->font())
            .width;
    const double iconWidth = contactIcon_->frame().size.width;
    contactIcon_->setCenter(
        {count.maxX() - textWidth - 2 - iconWidth / 2, count.origin.y + count.size.height / 2});

    companyLabel_->setText(printedOr(base["companyName"]));

    const int credit = base["creditScore"].intValue();
    if (starView_) starView_->removeFromSuperview();
    starView_ = StarLevelView::starViewByLevel(credit, 5);
    const ui::Rect stars = starView_->frame();
    const ui::Rect badgeLabel = iCardAutheLabel_->frame();
    starView_->setFrame({nameLabel_->frame().origin.x,
                         badgeLabel.origin.y + badgeLabel.size.height / 2 - stars.size.height / 2,
                         stars.size.width, stars.size.height});
    mailView_->addSubview(starView_);

    const bool businessCard = base["businessCardImage"].value().toBool();
    const bool identityCard = base["ICImage"].value().toBool();
    bCardAutheImage_->setHidden(!(businessCard || identityCard));
    bCardAutheLabel_->setHidden(!(businessCard || identityCard));
    bCardAutheLabel_->setText(businessCard ? QStringLiteral("名片验证")
                                           : QStringLiteral("身份证验证"));
    bCardAutheImage_->setImage(ui::Image::imageNamed(
        businessCard ? QStringLiteral("名片验证.png") : QStringLiteral("身份证验证.png")));
    iCardAutheImage_->setHidden(!(businessCard && identityCard));
    iCardAutheLabel_->setHidden(!(businessCard && identityCard));
    // The badges' places of the interface file, moved right when the business card shows.
    const double shift = businessCard ? 12 : 0;
    bCardAutheImage_->setFrame(kBCardImageFrame.offsetBy(shift, 0));
    bCardAutheLabel_->setFrame(kBCardLabelFrame.offsetBy(shift, 0));
    iCardAutheImage_->setFrame(kICardImageFrame.offsetBy(shift, 0));
    iCardAutheLabel_->setFrame(kICardLabelFrame.offsetBy(shift, 0));

    if (auto background = StretchedImage::fromCentreColumn(kRowBackground))
        phoneBg_->setImage(background);
    phoneLabel_->setText(printedOr(data["phone"]));

    const Tolerant counts = data["premierPrivilege"]["postNum"];
    const auto arrow = ui::Image::imageNamed(QStringLiteral("箭头"));
    for (const EntryLook& look : kEntries) {
        ui::Button* entry = enterButton(look.tag);
        enterLabel(look.tag)->setText(
            QString::fromUtf8(look.format)
                .arg(counts[QString::fromLatin1(look.countKey)].intValue()));
        entry->setTag(look.tag);
        entry->setImage(arrow, ui::kControlStateNormal);
        entry->setImageEdgeInsets({0, 280, 0, 8});
        entry->setBackgroundImage(StretchedImage::fromCentreColumn(kRowBackground),
                                  ui::kControlStateNormal);
        entry->setBackgroundImage(StretchedImage::fromCentreColumn(kRowPressed),
                                  ui::kControlStateHighlighted);
        entry->removeTarget(this, ui::kControlEventTouchUpInside);
        entry->addTarget(this, ui::kControlEventTouchUpInside,
                         [weak = weakAs<QXAgentInfoController>(), tag = look.tag](
                             ui::Control&, const ui::Event*) {
                             if (auto self = weak.lock()) self->getAgentPostList(tag);
                         });
        entry->setExclusiveTouch(true);
    }

    mailView_->setContentSize({0, beginConnectionBt_->frame().maxY() + 5});
    mailView_->setHidden(false);
}

void QXAgentInfoController::callPhoneToAgent() {
    if (phoneLabel_->text().isEmpty()) return;
    StatClick::event(QStringLiteral("agentdetail_bn_calling"));
    webView_ = std::make_shared<ui::WebView>();
    webView_->loadRequest(ns::URLRequest(QUrl(QStringLiteral("tel://") + phoneLabel_->text())));
}

void QXAgentInfoController::sendSMSMessage() {
    if (!ui::MessageComposeViewController::canSendText()) return;
    StatClick::event(QStringLiteral("agentdetail_bn_message"));
    auto composer = std::make_shared<ui::MessageComposeViewController>();
    composer->setMessageComposeDelegate(weakAs<QXAgentInfoController>());
    composer->setBody(kMessageBody);
    composer->setRecipients({phoneLabel_->text()});
    presentViewController(composer, true);
}

void QXAgentInfoController::didFinishWithResult(ui::MessageComposeViewController& controller,
                                                ui::MessageComposeResult) {
    controller.dismissViewControllerAnimated(true);
}

void QXAgentInfoController::sendMessageToAgent() {
    if (const auto chat = popToChatController_.lock()) {
        if (ui::NavigationController* navigation = navigationController())
            navigation->popToViewController(chat, true);
        // Back in the talk the page was opened from: a new talk opens only about a post
        // handed in.
        if (!namesPost(postId_)) return;
    }
    if (agentId_.isEmpty()) return;
    if (namesPost(postId_)) {
        openChat(postId_);
        return;
    }
    // Opened without a post to talk about: one of the broker's own posts serves.
    findPostAndChat();
}

void QXAgentInfoController::findPostAndChat() {
    if (findingPost_) return;
    findingPost_ = true;
    auto& request = QXIMRequest::shared();
    request.addValuesFormDic(BrokerRequests::headers(BrokerRequests::kPostListInterface));
    request.requestWithUrl(
        EndpointTable::dataShareEndpoint(), BrokerRequests::kPostListInterface,
        BrokerRequests::postListBody(QXNetContext::shared()->currentCityScript_index(), agentId_, 0,
                                     0, 1, 1),
        owner_,
        [weak = weakAs<QXAgentInfoController>()](const QVariant& reply) {
            auto self = weak.lock();
            if (!self) return;
            self->findingPost_ = false;
            const Tolerant read(reply);
            if (read["errCode"].isNil() || read["errCode"].intValue() != 0) {
                MapNotices::showAlert(kNetworkTrouble);
                return;
            }
            const Tolerant post = read["page"]["posts"][0];
            if (post.value().typeId() != QMetaType::QVariantMap) {
                MapNotices::showAlert(kNoPostToTalkAbout);
                return;
            }
            self->postId_ = PosterTalk::talkPostId(post.value().toMap());
            self->openChat(self->postId_);
        },
        [weak = weakAs<QXAgentInfoController>()](const QVariantMap& failure) {
            auto self = weak.lock();
            if (!self) return;
            self->findingPost_ = false;
            if (!PostListPaging::isCancellation(failure)) MapNotices::showAlert(kNetworkTrouble);
        });
}

void QXAgentInfoController::openChat(const QString& postReference) {
    const Tolerant base = Tolerant(QVariant(dataInfo_))["baseInfo"];
    PosterTalk talk;
    talk.posterId = agentId_;
    talk.name = nameLabel_->text();
    talk.phone = phoneLabel_->text();
    talk.creditScore = base["creditScore"].isNil() ? -1 : base["creditScore"].intValue();
    talk.picUrl = avatarURL_;
    talk.streetName = base["street_name"].toString();
    talk.companyName = base["companyName"].toString();
    talk.districtName = base["district_name"].toString();
    talk.postReference = postReference;
    const QVariantMap talkInfo = talk.talkInfo(QXNetContext::shared()->logonState().userId);
    const QString talkId = talkInfo.value(QStringLiteral("t_id")).toString();
    StatClick::event(QStringLiteral("agentdetail_bn_im"));
    QXIMDatabase::shared().saveTalkInfoAndClearReadByTalkId(talkId);
    ns::NotificationCenter::defaultCenter().post(QStringLiteral("refreshIcon"));
    auto chat =
        ChatScreenOpener::shared()->makeChatScreen(talkInfo, nameLabel_->text(), false, true);
    if (!chat) return;
    chat->setHidesBottomBarWhenPushed(true);
    if (ui::NavigationController* navigation = navigationController())
        navigation->pushViewController(chat, true);
}

void QXAgentInfoController::getAgentPostList(int tag) {
    const EntryLook* look = entryOf(tag);
    if (!look) return;
    StatClick::event(QString::fromLatin1(look->event));
    auto list = std::make_shared<PromotionListViewController>(
        tag, QString::fromUtf8(look->listTitle), dataInfo_, agentId_);
    if (ui::NavigationController* navigation = navigationController())
        navigation->pushViewController(list, true);
}
