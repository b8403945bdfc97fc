#include "chat/QXMessageController.h"

#include "chat/AmrWavConversion.h"
#include "chat/ChatHost.h"
#include "chat/ChatMedia.h"
#include "chat/ChatNeighbourScreens.h"
#include "chat/QXInputTelPhoneNumberViewController.h"
#include "chat/QXMAlertView.h"
#include "chat/QXMessageTextCell.h"
#include "chat/QXVoicePlayer.h"

#include "IMChat/qximlib/QXIMAgentCalls.h"
#include "IMChat/qximlib/QXIMDatabase.h"
#include "IMChat/qximlib/QXIMMessageContent.h"
#include "IMChat/qximlib/QXIMNotifications.h"
#include "IMChat/qximlib/QXIMService.h"
#include "IMChat/qximlib/QXIMUser.h"
#include "IMChat/qximlib/qximdata/util/QXIMUtil.h"
#include "analytics/StatClick.h"
#include "map/MapArtwork.h"
#include "net/EndpointTable.h"
#include "net/QXIMRequest.h"
#include "net/QXNetConnection.h"
#include "net/QXNetContext.h"
#include "net/transport/Json.h"
#include "ui/navigation/UIViewController+Navigation.h"
#include "ui/widgets/FloatView.h"
#include "util/TextChecks.h"
#include "util/categories/Tolerant.h"

#include "platform/foundation/clock.h"
#include "platform/foundation/file_manager.h"
#include "platform/foundation/main_queue.h"
#include "platform/uikit/application.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/keyboard.h"
#include "platform/uikit/label.h"
#include "platform/uikit/layer.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/navigation_item.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/tap_gesture_recognizer.h"
#include "platform/uikit/text_view.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kMobileLength = 11;
const QString kMoreCell = QStringLiteral("more");
const QString kWebTitle = QStringLiteral("Nevoru找房");

double screenHeight() {
    return ui::Screen::mainScreen().bounds().height();
}

// A phone number a server gave that may be dialled: digits with dashes, an optional "+".
bool isDiallable(const QString& phone) {
    static const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(QStringLiteral("\\+?[0-9][0-9-]{4,19}")));
    return pattern.match(phone).hasMatch();
}

// The first contents element of a message. A plain one-text array (no quotes or escapes inside)
// is read without a parse: opening a long talk reads thousands of them.
QVariant firstElement(const QXIMMessage& message) {
    const QString& contents = message.contents();
    if (contents.size() >= 4 && contents.startsWith(QStringLiteral("[\"")) &&
        contents.endsWith(QStringLiteral("\"]"))) {
        const QStringView inside = QStringView(contents).mid(2, contents.size() - 4);
        if (!inside.contains(QLatin1Char('"')) && !inside.contains(QLatin1Char('\\')))
            return inside.toString();
    }
    return message.contentsJson().toList().value(0);
}

QString firstText(const QXIMMessage& message) {
    const QVariant first = message.contentsJson().toList().value(0);
    return first.typeId() == QMetaType::QString ? first.toString() : QString();
}

// Whether the text may hold a web address: every address has "://" or begins with "www".
bool mayHoldWebUrl(const QString& text) {
    return (text.contains(QStringLiteral("://")) ||
            text.contains(QStringLiteral("www"), Qt::CaseInsensitive)) &&
           !TextChecks::firstWebUrl(text).isEmpty();
}

// An address the app shows under the image host when it is not a whole URL.
QString withHost(const QString& value) {
    return value.startsWith(QStringLiteral("http"))
               ? value
               : QStringLiteral("%1/%2").arg(EndpointTable::imageHost(), value);
}

}  // namespace

QXMessageController::QXMessageController(QVariantMap talkInfo) : talkInfo_(std::move(talkInfo)) {
    // The screen starts below the navigation bar.
    setEdgesForExtendedLayout(ui::kRectEdgeNone);
    setHidesBottomBarWhenPushed(true);
}

QXMessageController::~QXMessageController() {
    failUploadsOnTheirWay();
}

bool QXMessageController::hasMore() const {
    return action_ && action_->isMore();
}

const QList<QXIMMessage>& QXMessageController::chatData() const {
    static const QList<QXIMMessage> none;
    return action_ ? action_->messageData() : none;
}

QString QXMessageController::timeLabel(qint64 time) {
    const auto now = qint64(std::floor(ns::Clock::shared().timeIntervalSince1970()));
    return QXIMMessageAction::dayLabel(time, now, QStringLiteral("MM-dd HH:mm:ss"));
}

bool QXMessageController::isMobileInContents(const QString& text) {
    // A number counts when no digit stands right before or right after it: it is a whole run of
    // eleven digits. Runs are found in one pass; only those of eleven meet the pattern.
    for (qsizetype at = 0; at < text.size();) {
        if (!text[at].isDigit()) {
            ++at;
            continue;
        }
        qsizetype end = at;
        while (end < text.size() && text[end].isDigit()) ++end;
        if (end - at == kMobileLength && TextChecks::isMobileNumber(text.mid(at, kMobileLength)))
            return true;
        at = end;
    }
    return false;
}

QString QXMessageController::cellNameByInfo(const QVariant& first) {
    if (first.typeId() == QMetaType::QString) {
        // Links are looked for in what the bubble shows.
        const QString text = QXMessageTextCell::shownText(first.toString());
        return isMobileInContents(text) || mayHoldWebUrl(text)
                   ? QStringLiteral("QXMessageTextAndMobileCell")
                   : QStringLiteral("QXMessageTextCell");
    }
    const QString kind = first.toList().value(0).toString();
    if (kind == QStringLiteral("pic")) return QStringLiteral("QXMessageImageCell");
    if (kind == QStringLiteral("sound")) return QStringLiteral("QXMessageAudioCell");
    if (kind == QStringLiteral("url")) return QStringLiteral("QXMessageVcardCell");
    if (kind == QStringLiteral("notice")) return QStringLiteral("QXMessageSystemCell");
    // Any other item, and contents that are neither text nor a list, show the fallback bubble.
    return QStringLiteral("QXMessageUnknownCell");
}

QVariantMap QXMessageController::otherUser() const {
    return json_JSON(talkInfo_.value(QStringLiteral("o_user"))).toMap();
}

QString QXMessageController::otherUserId() const {
    return Tolerant(otherUser())[QStringLiteral("id")].toString();
}

bool QXMessageController::isServiceTalk() const {
    return talkInfo_.value(QStringLiteral("t_id"))
        .toString()
        .startsWith(QXIMMessage::serviceUserId());
}

bool QXMessageController::reachable() const {
    return QXNetContext::shared()->connectionReachabil();
}

void QXMessageController::showNoNetwork() const {
    std::make_shared<ui::AlertView>(kNoNetworkTitle, kNoNetworkMessage,
                                    std::weak_ptr<ui::AlertViewDelegate>(), QStringLiteral("确定"))
        ->show();
}

bool QXMessageController::isVisible() const {
    const ui::NavigationController* stack = navigationController();
    return stack && stack->visibleViewController().get() == this;
}

// --- Set-up

void QXMessageController::loadView() {
    ui::ViewController::loadView();
    const double height = screenHeight();
    action_ = std::make_unique<QXIMMessageAction>(
        weakAs<QXMessageController>(),
        QXIMMessageAction::Options{kLoadLimit, [](qint64 time) { return timeLabel(time); }});

    chatTable_ = std::make_shared<ui::TableView>(ui::Rect(0, 0, 320, height - 112));
    chatTable_->setDataSource(weakAs<QXMessageController>());
    chatTable_->setDelegate(weakAs<QXMessageController>());
    chatTable_->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
    chatTable_->setBackgroundColor(ui::Color::clearColor());
    chatTable_->setAllowsSelection(false);
    view()->addSubview(chatTable_);

    containerView_ = QXChatTextView::initWithFrame(ui::Rect(0, height - 112, 320, 48));
    containerView_->setDelegate(weakAs<QXMessageController>());
    containerView_->setResetChatWhenResign(true);
    attachRecording();

    recordAudio_ = VoiceHUD::initWithParentView(view().get());
    recordAudio_->setDelegate(weakAs<QXMessageController>());

    if (!hiddenAgentView_ && !isServiceTalk()) buildBrokerBar();
    buildPicturePanel();

    const std::weak_ptr<QXMessageController> weak = weakAs<QXMessageController>();
    UIViewControllerNavigation::setNavigationBackButton(*this, [weak] {
        if (auto self = weak.lock()) self->goBack();
    });
    if (!isServiceTalk()) {
        UIViewControllerNavigation::setNavigationRightButton(
            *this,
            [weak] {
                auto self = weak.lock();
                if (!self) return;
                if (!self->url_.isEmpty()) {
                    self->pushWebPage(QStringLiteral("成交记录"), withHost(self->url_));
                    return;
                }
                auto alert = std::make_shared<ui::AlertView>(
                    QString(), QStringLiteral("和这位经纪人成交了吗？留下手机号记录这笔成交。"),
                    std::static_pointer_cast<ui::AlertViewDelegate>(self), QStringLiteral("取消"),
                    QStringList{QStringLiteral("去记录")});
                alert->setTag(kDealRecordTag);
                alert->show();
            },
            QStringLiteral("成交记录"));
    }

    auto& center = ns::NotificationCenter::defaultCenter();
    observations_.push_back(
        center.addObserver(ui::kKeyboardWillShowNotification, [weak](const ns::Notification&) {
            // The keyboard comes for the text field: the panel gives way, the bar stays the
            // first responder that the keyboard came for.
            auto self = weak.lock();
            if (self && self->isVisible()) self->closePicturePanel();
        }));
    observations_.push_back(center.addObserver(
        ui::kApplicationWillResignActiveNotification, [weak](const ns::Notification&) {
            auto self = weak.lock();
            if (self && self->isVisible() && self->containerView_->isChatFirstResponder())
                self->containerView_->resignFirstResponder();
        }));
}

void QXMessageController::buildBrokerBar() {
    headerView_ = std::make_shared<ui::ImageView>(ui::Rect(0, 0, 320, kBrokerBarHeight));
    if (auto shade = ui::Image::imageNamed(QStringLiteral("带投影图片.png")))
        static_cast<ui::ImageView&>(*headerView_)
            .setImage(shade->stretchableImageWithLeftCapWidth(5, 1));
    headerView_->setBackgroundColor(ui::Color::whiteColor());
    headerView_->setUserInteractionEnabled(true);

    boundImageView_ = std::make_shared<ui::View>(ui::Rect(9, 9, 42, 42));
    boundImageView_->setBackgroundColor(ui::Color::colorWithWhite(0.8));
    boundImageView_->layer()->setCornerRadius(4);
    headerView_->addSubview(boundImageView_);
    brokerImageView_ = std::make_shared<URLPic>(ui::Rect(10, 10, 40, 40));
    brokerImageView_->layer()->setCornerRadius(4);
    const auto fallback = MapArtwork::imageNamed(QStringLiteral("默认头像.png"));
    brokerImageView_->setDefaultImage(fallback);
    brokerImageView_->setFailureImage(fallback);
    brokerImageView_->setImageSizeType(1);
    headerView_->addSubview(brokerImageView_);

    brokerName_ = std::make_shared<ui::Label>(ui::Rect(60, 10, 150, 20));
    brokerName_->setFont(ui::Font::boldSystemFontOfSize(15));
    brokerName_->setTextColor(ui::Color::rgb(40, 40, 40));
    brokerName_->setBackgroundColor(ui::Color::clearColor());
    headerView_->addSubview(brokerName_);
    brokerTelNum_ = std::make_shared<ui::Label>(ui::Rect(60, 32, 160, 18));
    brokerTelNum_->setFont(ui::Font::systemFontOfSize(13));
    brokerTelNum_->setTextColor(ui::Color::rgb(120, 120, 120));
    brokerTelNum_->setBackgroundColor(ui::Color::clearColor());
    headerView_->addSubview(brokerTelNum_);

    brokerButton_ = std::make_shared<ui::Button>(ui::Rect(236, 5, 80, 50));
    brokerButton_->setBackgroundImage(
        ui::Image::imageWithColor(ui::Color::rgb(242, 242, 242), {1, 1}),
        ui::kControlStateHighlighted);
    auto icon = std::make_shared<ui::ImageView>(ui::Rect(10.5, 10, 30, 30));
    icon->setImage(MapArtwork::imageNamed(QStringLiteral("拨打电话icon.png")));
    icon->setUserInteractionEnabled(false);
    brokerButton_->addSubview(icon);
    auto call = std::make_shared<ui::Label>(ui::Rect(44, 15, 32, 20));
    call->setText(QStringLiteral("电话"));
    call->setFont(ui::Font::systemFontOfSize(14));
    call->setTextColor(ui::Color::rgb(83, 188, 44));
    call->setBackgroundColor(ui::Color::clearColor());
    call->setUserInteractionEnabled(false);
    brokerButton_->addSubview(call);
    headerView_->addSubview(brokerButton_);

    const std::weak_ptr<QXMessageController> weak = weakAs<QXMessageController>();
    brokerButton_->addTarget(this, ui::kControlEventTouchUpInside,
                             [weak](ui::Control&, const ui::Event*) {
                                 if (auto self = weak.lock()) self->dialPhone();
                             });
    auto tap = std::make_shared<ui::TapGestureRecognizer>();
    tap->addTarget(this, [weak](ui::GestureRecognizer& recognizer) {
        auto self = weak.lock();
        if (!self) return;
        const ui::Point at = recognizer.locationInView(self->headerView_.get());
        if (self->brokerButton_->frame().contains(at)) return;
        self->urlPictureSingleTapped(*self->brokerImageView_);
    });
    headerView_->addGestureRecognizer(tap);
}

void QXMessageController::buildPicturePanel() {
    const double height = screenHeight();
    sengImageBg_ =
        std::make_shared<ui::ImageView>(ui::Rect(0, height + kPanelHeight, 320, kPanelHeight));
    if (auto panel = ui::Image::imageNamed(QStringLiteral("im更多底部bg.png")))
        static_cast<ui::ImageView&>(*sengImageBg_)
            .setImage(panel->resizableImageWithCapInsets({2, 0, 0, 0}));
    sengImageBg_->setBackgroundColor(ui::Color::rgb(240, 240, 240));
    sengImageBg_->setUserInteractionEnabled(true);
    sengImageBg_->setHidden(true);
    const std::weak_ptr<QXMessageController> weak = weakAs<QXMessageController>();
    const auto addChoice = [&](double x, const QString& picture, const QString& title, int source) {
        auto button = std::make_shared<ui::Button>(ui::Rect(x, 14, 60, 60));
        button->setImage(ui::Image::imageNamed(picture), ui::kControlStateNormal);
        button->setAccessibilityLabel(title);
        button->addTarget(this, ui::kControlEventTouchUpInside,
                          [weak, source](ui::Control&, const ui::Event*) {
                              if (auto self = weak.lock()) self->chooseImage(source);
                          });
        sengImageBg_->addSubview(button);
        auto caption = std::make_shared<ui::Label>(ui::Rect(x, 78, 60, 18));
        caption->setText(title);
        caption->setFont(ui::Font::systemFontOfSize(12));
        caption->setTextColor(ui::Color::rgb(110, 110, 110));
        caption->setTextAlignment(ui::TextAlignment::Center);
        caption->setBackgroundColor(ui::Color::clearColor());
        sengImageBg_->addSubview(caption);
    };
    addChoice(24, QStringLiteral("im拍照.png"), QStringLiteral("拍照"), 0);
    addChoice(104, QStringLiteral("im图片.png"), QStringLiteral("照片"), 1);
}

void QXMessageController::attachRecording() {
    ui::Button* talk = containerView_->inputButton();
    const std::weak_ptr<QXMessageController> weak = weakAs<QXMessageController>();
    talk->addTarget(this, ui::kControlEventTouchDown, [weak](ui::Control&, const ui::Event*) {
        if (auto self = weak.lock()) self->beginRecord();
    });
    talk->addTarget(this, ui::kControlEventTouchDragExit, [weak](ui::Control&, const ui::Event*) {
        if (auto self = weak.lock())
            self->recordAudio_->setRecordingType(VoiceHUD::kReleaseToCancel);
    });
    talk->addTarget(this, ui::kControlEventTouchDragEnter, [weak](ui::Control&, const ui::Event*) {
        if (auto self = weak.lock()) self->recordAudio_->setRecordingType(VoiceHUD::kRecording);
    });
    talk->addTarget(this, ui::kControlEventTouchUpInside, [weak](ui::Control&, const ui::Event*) {
        if (auto self = weak.lock()) self->recordAudio_->finishRecording();
    });
    talk->addTarget(this, ui::kControlEventTouchUpOutside | ui::kControlEventTouchCancel,
                    [weak](ui::Control&, const ui::Event*) {
                        auto self = weak.lock();
                        if (!self) return;
                        StatClick::event(QStringLiteral("chat_cancel_voice"));
                        self->recordAudio_->cancelRecording();
                    });
}

void QXMessageController::viewDidLoad() {
    StatClick::event(QStringLiteral("message_detail"));
    QXVoicePlayer::shared().stop();
    singleTap_ = std::make_shared<ui::TapGestureRecognizer>();
    singleTap_->addTarget(this, [weak = weakAs<QXMessageController>()](ui::GestureRecognizer&) {
        if (auto self = weak.lock()) self->singleTapCellViewGesture();
    });
    view()->addSubview(containerView_);
    view()->addSubview(sengImageBg_);
    view()->addSubview(recordAudio_);
    view()->setBackgroundColor(ui::Color::rgb(247, 247, 242));

    const QVariantMap other = otherUser();
    const Tolerant user(other);
    const QString phone = user[QStringLiteral("phone")].toString();
    phone_ = phone.size() >= 2 ? phone : QString();
    const QString name = user[QStringLiteral("name")].toString();
    if (headerView_) {
        brokerTelNum_->setText(phone_);
        brokerTelNum_->setHidden(phone_.isEmpty());
        brokerButton_->setHidden(phone_.isEmpty());
        brokerName_->setText(name);
        const QString picture = user[QStringLiteral("picUrl")].toString();
        if (!picture.isEmpty()) {
            brokerImageView_->requestURL(
                TextChecks::clipedImageURLString(withHost(picture), 76, 76));
        } else {
            brokerImageView_->setImage(brokerImageView_->defaultImage());
        }
        const QVariant score = other.value(QStringLiteral("creditScore"));
        if (score.isValid() && !score.isNull() && score.toInt() >= 0) {
            const double nameWidth = std::min(150.0, brokerName_->sizeThatFits({150, 20}).width);
            for (int star = 0; star < 5; ++star) {
                auto mark = std::make_shared<ui::ImageView>(
                    ui::Rect(60 + nameWidth + 6 + star * 11, 14, 10, 10));
                mark->setImage(ui::Image::imageNamed(star < score.toInt()
                                                         ? QStringLiteral("彩色五星.png")
                                                         : QStringLiteral("灰色五星.png")));
                headerView_->addSubview(mark);
            }
        }
    }
    setTitle(name);
    if (!isServiceTalk()) getUserAgentTransaction(otherUserId());
    reloadChatList();
    if (agentTag_ == -1 && headerView_) loadAgentInfo();
}

void QXMessageController::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    if (needLoad_) {
        reloadChatList();
        needLoad_ = false;
        if (talkInfo_.contains(QStringLiteral("_id")))
            QXIMDatabase::shared().saveTalkInfoAndClearRead(
                talkInfo_.value(QStringLiteral("_id")).toLongLong());
    }
    hideSendImage();
}

void QXMessageController::viewDidAppear(bool animated) {
    ui::ViewController::viewDidAppear(animated);
    if (!isFirst_) return;
    isFirst_ = false;
    chatTable_->setFrame({0, 0, 320, screenHeight() - 112});
    scrollToBottom();
}

void QXMessageController::viewWillDisappear(bool animated) {
    ui::ViewController::viewWillDisappear(animated);
    // Whatever covers or leaves the screen (a pushed page, a presented one, going back) takes
    // the keyboard away with the text field; the bar and the table come down with it, so that
    // the screen shows again as it is without the keyboard.
    if (containerView_->isChatFirstResponder()) containerView_->resignFirstResponder();
}

void QXMessageController::goBack() {
    if (!isVisible()) return;
    QXVoicePlayer::shared().stop();
    QXIMRequest::shared().cancelToVikRequestByInterface(QStringLiteral("GetUserPrivilegeByUserId"),
                                                        EndpointTable::dataShareEndpoint());
    QXIMRequest::shared().cancelToVikRequestByInterface(QXIMAgentCalls::kInterface,
                                                        EndpointTable::dataShareEndpoint());
    ViewControllerUpload::cancelUpload(sharedAs<ui::ViewController>());
    failUploadsOnTheirWay();
    if (ui::NavigationController* stack = navigationController())
        stack->popViewControllerAnimated(true);
}

// --- The list

void QXMessageController::reloadChatList() {
    if (!action_) return;
    action_->refreshMessagesData();
}

void QXMessageController::scrollToBottom() {
    chatTable_->layoutIfNeeded();
    const double offset = chatTable_->contentSize().height - chatTable_->frame().size.height;
    chatTable_->setContentOffset({0, std::max(0.0, offset)});
}

void QXMessageController::reloadTable() {
    chatTable_->reloadData();
    scrollToBottom();
}

QVariantMap QXMessageController::talkInfoForMessageAction(QXIMMessageAction&) {
    return talkInfo_;
}

bool QXMessageController::isVisibleMessageAction(QXIMMessageAction&) {
    return isVisible();
}

void QXMessageController::messageActionRefreshedMessageData(QXIMMessageAction&) {
    if (chatTable_) reloadTable();
}

void QXMessageController::messageActionInsertDataAtIndex(QXIMMessageAction& action, int count) {
    messageActionMergedMessages(action, {.inserted = {count - 1}});
}

void QXMessageController::messageActionReplaceDataAtIndex(QXIMMessageAction&, int) {
    chatTable_->reloadData();
}

void QXMessageController::messageActionMergedMessages(QXIMMessageAction&,
                                                      const QXIMMessageListChange& change) {
    if (!chatTable_) return;
    // Only the rows that came or left are laid out: the others keep their cells and heights.
    const int first = hasMore() ? 1 : 0;
    std::vector<ui::IndexPath> removed;
    std::vector<ui::IndexPath> inserted;
    for (const int row : change.removed) removed.emplace_back(0, row + first);
    for (const int row : change.inserted) inserted.emplace_back(0, row + first);
    chatTable_->beginUpdates();
    chatTable_->deleteRowsAtIndexPaths(removed, ui::TableViewRowAnimation::None);
    chatTable_->insertRowsAtIndexPaths(inserted, ui::TableViewRowAnimation::None);
    chatTable_->endUpdates();
    // Bubbles that moved tell their new positions when deleted or resent.
    for (ui::TableViewCell* cell : chatTable_->visibleCells()) {
        auto* bubble = dynamic_cast<QXMessageCell*>(cell);
        const auto place = chatTable_->indexPathForCell(cell);
        if (bubble && place) bubble->setIndex(place->row - first);
    }
    scrollToBottom();
}

void QXMessageController::messageActionWillReceive(
    QXIMMessageAction&, const QXIMNotifications::ReceivedMessages& received) {
    const QString talkId = talkInfo_.value(QStringLiteral("t_id")).toString();
    if (received.messages.isEmpty()) {
        // A deletion or the welcome messages: the list is read again, the talk row with it.
        const auto rows = QXIMDatabase::shared().talkInfoExist(
            talkId, QString::number(QXIMUser::shared().userId()));
        if (rows.size() == 1) talkInfo_ = rows.first();
        return;
    }
    // The talk row as the service wrote it comes with the messages: the screen does not read
    // the store while the service writes the next ones.
    for (const QVariant& talk : received.talks) {
        const QVariantMap row = talk.toMap();
        if (row.value(QStringLiteral("t_id")).toString() == talkId &&
            row.value(QStringLiteral("_id")).toLongLong() > 0)
            talkInfo_ = row;
    }
    for (const QXIMMessage& message : received.messages) {
        if (message.talkId == talkId && isMobileInContents(firstText(message)))
            StatClick::event(QStringLiteral("chat_Bmobilenumber_show"));
    }
}

void QXMessageController::messageActionReceivedWhileHidden(QXIMMessageAction&) {
    needLoad_ = true;
}

double QXMessageController::heightForHeaderInSection(ui::TableView&, int) {
    return headerView_ ? headerView_->frame().size.height : 0;
}

std::shared_ptr<ui::View> QXMessageController::viewForHeaderInSection(ui::TableView&, int) {
    return headerView_;
}

int QXMessageController::numberOfRowsInSection(ui::TableView&, int) {
    return int(chatData().size()) + (hasMore() ? 1 : 0);
}

double QXMessageController::heightForRowAtIndexPath(ui::TableView&,
                                                    const ui::IndexPath& indexPath) {
    const int row = indexPath.row - (hasMore() ? 1 : 0);
    if (row < 0) return kMoreRowHeight;
    const QXIMMessage& message = chatData().at(row);
    const QVariant first = firstElement(message);
    // Both text bubbles measure alike: no need to tell them apart here.
    if (first.typeId() == QMetaType::QString)
        return QXMessageTextCell::heightByInfo(first, !message.showTime.isEmpty());
    return QXMessageCell::heightForClass(cellNameByInfo(first), first, !message.showTime.isEmpty());
}

std::shared_ptr<ui::TableViewCell> QXMessageController::cellForRowAtIndexPath(
    ui::TableView& table, const ui::IndexPath& indexPath) {
    const int row = indexPath.row - (hasMore() ? 1 : 0);
    if (row < 0) {
        auto more = table.dequeueReusableCellWithIdentifier(kMoreCell);
        if (!more)
            more = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, kMoreCell);
        more->setBackgroundColor(ui::Color::clearColor());
        more->textLabel()->setText(QStringLiteral("more.."));
        return more;
    }
    const QXIMMessage& message = chatData().at(row);
    const QVariant first = firstElement(message);
    const QString name = cellNameByInfo(first);
    auto cell =
        std::dynamic_pointer_cast<QXMessageCell>(table.dequeueReusableCellWithIdentifier(name));
    if (!cell) cell = QXMessageCell::makeCell(name);
    cell->setDelegate(weakAs<QXMessageController>());
    cell->setIndex(row);
    cell->setTimeText(message.showTime);
    cell->setContents(first);
    cell->setMessage(message);
    cell->resendOrDownButton()->setHidden(message.sendingState >= 0);
    return cell;
}

// --- Sending

void QXMessageController::chatTextViewFinishedInput(QXChatTextView& bar, const QString& text) {
    if (text.isEmpty() || TextChecks::isEmpty(text) || text.contains(QChar(0xFFFC))) return;
    senderTextToServer(text);
    bar.textView()->setText({});
    layoutTableAgainstBar(bar.center(), !bar.textView()->isFirstResponder());
}

void QXMessageController::senderTextToServer(const QString& text) {
    if (isMobileInContents(text)) StatClick::event(QStringLiteral("chat_Cmobilenumber_show"));
    sendContents2Server(json_JSONString(QVariantList{text}));
}

void QXMessageController::recordContact() const {
    QXIMAgentCalls::insertAgentUserContact(otherUserId(), QStringLiteral("user"),
                                           talkInfo_.value(QStringLiteral("r_id")).toString());
}

void QXMessageController::sendContents2Server(const QString& contents,
                                              const QVariantMap& userInfo) {
    if (!reachable()) {
        showNoNetwork();
        return;
    }
    if (contents.isEmpty()) return;
    recordContact();
    QXIMMessageTextContent content{QString()};
    content.setContentJSONString(contents);
    if (userInfo.contains(QStringLiteral("m_sid")))
        content.messageInfo.insert(QStringLiteral("m_sid"),
                                   userInfo.value(QStringLiteral("m_sid")));
    qint64 localId = 0;
    const QString complete = action_->saveUnsendMessageContent(content, &localId);
    if (localId <= 0) return;
    QXIMService::shared()->sendTextMessage(complete, localId);
}

void QXMessageController::sendMessageFaild(const QVariantMap& userInfo) {
    QVariantList ids = userInfo.value(QStringLiteral("m_sids")).toList();
    if (ids.isEmpty() && userInfo.contains(QStringLiteral("m_sid")))
        ids = {userInfo.value(QStringLiteral("m_sid"))};
    bool changed = false;
    for (const QVariant& id : ids) {
        if (id.toLongLong() <= 0) continue;
        changed |= action_->updateSendState(QXIMMessage::kFailed, id.toLongLong()) !=
                   QXIMMessageAction::kNotFound;
    }
    if (changed) chatTable_->reloadData();
}

// --- Voice

void QXMessageController::beginRecord() {
    QXVoicePlayer::shared().stop();
    if (!recordAudio_->canRecord()) {
        std::make_shared<ui::AlertView>(
            QStringLiteral("无法录音"),
            QStringLiteral(
                "请在iPhone的“设置-隐私-麦克风”选项中，允许Nevoru找房访问您的手机麦克风。"),
            std::weak_ptr<ui::AlertViewDelegate>(), QStringLiteral("确定"))
            ->show();
        return;
    }
    const QString name = ChatMedia::uniqueFileName(
        {QXIMUtil::getWavCacheDirectory(), QXIMUtil::getAmrCacheDirectory()});
    recordAudio_->startForFilePath(QXIMUtil::getWavCacheDirectory() + QLatin1Char('/') + name);
}

void QXMessageController::voiceRecorded(VoiceHUD&, const QString& path, double length) {
    if (!reachable()) {
        showNoNetwork();
        return;
    }
    QString name = QFileInfo(path).fileName();
    if (name.endsWith(QStringLiteral(".wav"))) name.chop(4);
    const QString amr = QXIMUtil::getAmrCacheDirectory() + QLatin1Char('/') + name;
    if (encodeWavFileToAmrFile(path.toUtf8().constData(), amr.toUtf8().constData(), 1, 16) < 1)
        return;
    const QString contents = json_JSONString(QVariantList{QVariantList{
        QStringLiteral("sound"), QVariantMap{{QStringLiteral("src"), ChatMedia::kFileScheme + name},
                                             {QStringLiteral("duration"), length}}}});
    QXIMMessageTextContent content{QString()};
    content.setContentJSONString(contents);
    qint64 localId = 0;
    action_->saveUnsendMessageContent(content, &localId);
    uploadFile(amr, 1,
               {{ViewControllerUpload::kTempPathKey, amr},
                {QStringLiteral("duration"), length},
                {QStringLiteral("m_sid"), localId}});
}

void QXMessageController::uploadFile(const QString& path, int kind, const QVariantMap& userInfo) {
    const std::optional<QByteArray> data = ns::FileManager::contentsAtPath(path);
    if (!data) {
        sendMessageFaild(userInfo);
        return;
    }
    ViewControllerUpload::uploadData(sharedAs<ui::ViewController>(), data, kind, userInfo);
}

void QXMessageController::failUploadsOnTheirWay() {
    if (!action_) return;
    QList<qint64> uploading;
    for (const QXIMMessage& message : action_->messageData()) {
        if (message.sendingState != QXIMMessage::kSending) continue;
        const QVariantList item = message.contentsJson().toList().value(0).toList();
        const QVariantMap data = item.value(1).toMap();
        const QString address =
            data.value(item.value(0) == QStringLiteral("pic") ? QStringLiteral("pic_url")
                                                              : QStringLiteral("src"))
                .toString();
        if (address.startsWith(ChatMedia::kFileScheme)) uploading << message.m_sid;
    }
    for (const qint64 localId : uploading) action_->updateSendState(QXIMMessage::kFailed, localId);
}

bool QXMessageController::chatCellWillStartPlaySoundFile(QXMessageCell& cell, const QString&) {
    StatClick::event(QStringLiteral("chat_bn_playvoice"));
    // The bubble counts the play in the store and in its own copy; the list's copy, which
    // every redraw hands the bubbles, counts it as well.
    if (cell.message()) action_->increaseListedReadCount(cell.message()->m_sid);
    return true;
}

// --- Pictures

void QXMessageController::chatTextViewWillSendImage(QXChatTextView&) {
    if (sengImageBg_->isHidden()) {
        showSendImage();
    } else {
        hideSendImage();
    }
}

void QXMessageController::chatTextViewWillSwitchVoiceChat(QXChatTextView&) {
    hideSendImage();
}

void QXMessageController::showSendImage() {
    const double height = screenHeight();
    sengImageBg_->setHidden(false);
    const double barHeight = containerView_->frame().size.height;
    const double oldHeight = chatTable_->frame().size.height;
    // The table ends where the bar begins, above the panel.
    const ui::Rect table(0, 0, 320, height - 64 - kPanelHeight - barHeight);
    ui::View::animateWithDuration(0.3, [&] {
        sengImageBg_->setFrame({0, height - 64 - kPanelHeight, 320, kPanelHeight});
        containerView_->setFrame({0, height - 64 - barHeight - kPanelHeight, 320, barHeight});
        chatTable_->setFrame(table);
    });
    if (table.size.height < oldHeight) {
        const ui::Point offset = chatTable_->contentOffset();
        const double bottom = table.origin.y + table.size.height;
        chatTable_->setContentOffset(
            {0, std::min(offset.y + kPanelHeight,
                         std::max(0.0, chatTable_->contentSize().height - bottom))},
            true);
    }
}

void QXMessageController::hideSendImage() {
    if (closePicturePanel()) containerView_->resignFirstResponder();
}

bool QXMessageController::closePicturePanel() {
    if (!sengImageBg_) return false;
    const bool shown = !sengImageBg_->isHidden();
    sengImageBg_->setFrame({0, screenHeight() + kPanelHeight, 320, kPanelHeight});
    sengImageBg_->setHidden(true);
    return shown;
}

void QXMessageController::chooseImage(int source) {
    const auto type = source == 0 ? ui::ImagePickerControllerSourceType::Camera
                                  : ui::ImagePickerControllerSourceType::PhotoLibrary;
    if (!ui::ImagePickerController::isSourceTypeAvailable(type)) {
        std::make_shared<ui::AlertView>(QString(),
                                        source == 0 ? QStringLiteral("设备无法打开照相机")
                                                    : QStringLiteral("设备无法打开图片库"),
                                        std::weak_ptr<ui::AlertViewDelegate>(),
                                        QStringLiteral("确定"))
            ->show();
        return;
    }
    auto picker = std::make_shared<ui::ImagePickerController>();
    picker->setSourceType(type);
    picker->setAllowsEditing(false);
    picker->setPickerDelegate(weakAs<QXMessageController>());
    presentViewController(picker, false);
    hideSendImage();
}

void QXMessageController::didFinishPickingMediaWithInfo(ui::ImagePickerController& picker,
                                                        const ui::ImagePickerMediaInfo& info) {
    if (info.mediaType != ui::kMediaTypeImage || !info.originalImage) return;
    const std::shared_ptr<ui::Image> picked = info.originalImage;
    const std::weak_ptr<QXMessageController> weak = weakAs<QXMessageController>();
    (void)picker;
    dismissViewControllerAnimated(true, [weak, picked] {
        auto self = weak.lock();
        if (!self) return;
        if (!self->reachable()) {
            self->showNoNetwork();
            return;
        }
        const QByteArray data =
            ui::Image::imageWithQImage(picked->uprightPixels())->JPEGRepresentation(0.85);
        const QString folder = QXIMUtil::getPicCacheDirectory();
        const QString name = ChatMedia::uniqueFileName({folder});
        const QString path = folder + QLatin1Char('/') + name;
        const bool written = ns::FileManager::createFileAtPath(path, data);
        const QString contents = json_JSONString(QVariantList{
            QVariantList{QStringLiteral("pic"),
                         QVariantMap{{QStringLiteral("pic_url"), ChatMedia::kFileScheme + name}}}});
        QXIMMessageTextContent content{QString()};
        content.setContentJSONString(contents);
        qint64 localId = 0;
        self->action_->saveUnsendMessageContent(content, &localId);
        const QVariantMap userInfo{{ViewControllerUpload::kTempPathKey, path},
                                   {QStringLiteral("m_sid"), localId}};
        if (!written) {
            self->sendMessageFaild(userInfo);
            return;
        }
        ViewControllerUpload::uploadData(self->sharedAs<ui::ViewController>(), data, 0, userInfo);
    });
}

// --- Uploads

unsigned QXMessageController::uploadCallbacksAnswered() const {
    return kReturnResultUserInfo | kFaildResult;
}

void QXMessageController::uploadReturnResultUserInfo(const QVariant& reply,
                                                     const QVariant& userInfoValue) {
    const QVariantMap userInfo = userInfoValue.toMap();
    const QString value = Tolerant(reply)[QStringLiteral("data")].toString();
    if (value.isEmpty()) {
        uploadFaildResult({}, userInfo);
        return;
    }
    const QString url = withHost(value);
    const QString temp = userInfo.value(ViewControllerUpload::kTempPathKey).toString();
    QString contents;
    static const QRegularExpression picture(QStringLiteral("\\.(jpg|png|jpeg|gif)$"));
    if (picture.match(url).hasMatch()) {
        contents = json_JSONString(QVariantList{QVariantList{
            QStringLiteral("pic"),
            QVariantMap{{QStringLiteral("pic_url"), url}, {QStringLiteral("success"), "1"}},
            QStringLiteral("有图片%1").arg(url)}});
        StatClick::event(QStringLiteral("chat_bn_picture"));
    } else if (url.endsWith(QStringLiteral(".amr"))) {
        contents = json_JSONString(QVariantList{QVariantList{
            QStringLiteral("sound"),
            QVariantMap{{QStringLiteral("src"), url},
                        {QStringLiteral("duration"), userInfo.value(QStringLiteral("duration"))}},
            QStringLiteral("有语音%1").arg(url)}});
        StatClick::event(QStringLiteral("chat_bn_sendvoice"));
    } else {
        // An address of no kind the chat knows: the message cannot go out as it is.
        uploadFaildResult({}, userInfo);
        return;
    }
    sendContents2Server(contents,
                        {{QStringLiteral("m_sid"), userInfo.value(QStringLiteral("m_sid"))}});
    const QString destination = ChatMedia::uploadedFileCachePath(url);
    if (!temp.isEmpty() && temp != destination) {
        ns::FileManager::removeItemAtPath(destination);
        ns::FileManager::moveItemAtPath(temp, destination);
    }
}

void QXMessageController::uploadFaildResult(const QVariantMap&, const QVariant& userInfo) {
    if (userInfo.isValid()) sendMessageFaild(userInfo.toMap());
}

// --- Resend and delete

void QXMessageController::chatCellResendMessage(QXMessageCell& cell, const QXIMMessage& message) {
    if (!reachable()) {
        showNoNetwork();
        return;
    }
    const bool own = cell.isMyself();
    auto alert = std::make_shared<QXMAlertView>(
        QString(),
        message.messageId <= 0 && own ? QStringLiteral("重发该消息")
                                      : QStringLiteral("是否重新下载"),
        std::static_pointer_cast<ui::AlertViewDelegate>(sharedAs<QXMessageController>()),
        QStringLiteral("否"), QStringList{QStringLiteral("是")});
    alert->setTag(kResendTag);
    alert->message = message;
    alert->info = {{QStringLiteral("index"), cell.index()}, {QStringLiteral("myself"), own}};
    alert->show();
}

void QXMessageController::clickedButtonAtIndex(ui::AlertView& alert, int index) {
    if (index != 1) return;
    if (alert.tag() == kResendTag) {
        if (auto* resend = dynamic_cast<QXMAlertView*>(&alert)) resendAnswered(*resend);
    } else if (alert.tag() == kDealRecordTag) {
        StatClick::event(QStringLiteral("chat_bn_deal"));
        auto screen = std::make_shared<QXInputTelPhoneNumberViewController>();
        screen->setResponseVc(weakAs<QXMessageController>());
        screen->setToId(otherUserId());
        if (ui::NavigationController* stack = navigationController())
            stack->pushViewController(screen, true);
    } else if (alert.tag() == kCallTag) {
        StatClick::event(QStringLiteral("chat_bn_callling"));
        dialPhone();
    }
}

void QXMessageController::resendAnswered(QXMAlertView& alert) {
    if (!alert.message) return;
    QXIMMessage message = *alert.message;
    const bool own = alert.info.value(QStringLiteral("myself")).toBool();
    const QVariantMap userInfo{{QStringLiteral("m_sid"), message.m_sid}};
    if (message.messageId > 0 || !own) {
        // A failed download: the bubble loads its media again.
        chatTable_->reloadData();
        return;
    }
    const QVariant first = message.contentsJson().toList().value(0);
    action_->updateSendState(QXIMMessage::kSending, message.m_sid);
    if (first.typeId() == QMetaType::QVariantList) {
        const QVariantList item = first.toList();
        const QVariantMap data = item.value(1).toMap();
        const QString kind = item.value(0).toString();
        const QString picture = ChatMedia::localFileName(data.value("pic_url").toString());
        const QString voice = ChatMedia::localFileName(data.value("src").toString());
        if (kind == QStringLiteral("pic") && !picture.isEmpty()) {
            const QString path = QXIMUtil::getPicCacheDirectory() + QLatin1Char('/') + picture;
            uploadFile(path, 0,
                       {{ViewControllerUpload::kTempPathKey, path}, {"m_sid", message.m_sid}});
            chatTable_->reloadData();
            return;
        }
        if (kind == QStringLiteral("sound") && !voice.isEmpty()) {
            const QString path = QXIMUtil::getAmrCacheDirectory() + QLatin1Char('/') + voice;
            uploadFile(path, 1,
                       {{ViewControllerUpload::kTempPathKey, path},
                        {QStringLiteral("duration"), data.value(QStringLiteral("duration"))},
                        {QStringLiteral("m_sid"), message.m_sid}});
            chatTable_->reloadData();
            return;
        }
    }
    sendContents2Server(message.contents(), userInfo);
    chatTable_->reloadData();
}

void QXMessageController::chatCellWillDeleteIndex(QXMessageCell&, int index) {
    deleteContentAtIndex(index);
}

void QXMessageController::deleteContentAtIndex(int index) {
    action_->deleteMessageAtIndex(index);
    ns::NotificationCenter::defaultCenter().post(QXIMNotifications::kIMRecieveNotification);
    chatTable_->reloadData();
}

// --- Layout against the bar

void QXMessageController::chatTextViewChangedCenter(QXChatTextView& bar, ui::Point center,
                                                    bool isResign) {
    bar.setCenter(center);
    layoutTableAgainstBar(center, isResign);
}

void QXMessageController::layoutTableAgainstBar(ui::Point center, bool isResign) {
    const double barTop = center.y - containerView_->frame().size.height / 2;
    if (chatTable_->frame().size.height == barTop) return;
    const double hidden = !isResign && headerView_ ? headerView_->frame().size.height : 0;
    ui::View::animateWithDuration(0.25, [&] {
        chatTable_->setFrame({0, -hidden, 320, hidden + barTop});
    });
    ns::MainQueue::post([weak = weakAs<QXMessageController>()] {
        if (auto self = weak.lock()) self->scrollToBottom();
    });
}

void QXMessageController::chatCellOtherSpaceClicked(QXMessageCell&) {
    singleTapCellViewGesture();
}

void QXMessageController::singleTapCellViewGesture() {
    hideSendImage();
    if (containerView_->isChatFirstResponder()) containerView_->resetViewFrame();
}

// --- Taps on bubbles

void QXMessageController::pushWebPage(const QString& title, const QString& address) {
    if (ui::NavigationController* stack = navigationController())
        stack->pushViewController(ChatHost::shared()->makeWebPage(title, address), true);
}

void QXMessageController::chatCellClickedText(QXMessageCell&, const QString& text) {
    QString address = TextChecks::firstWebUrl(text);
    if (address.isEmpty()) return;
    if (address.startsWith(QStringLiteral("www"), Qt::CaseInsensitive))
        address = QStringLiteral("http://") + address;
    StatClick::event(QStringLiteral("chat_bn_url"));
    pushWebPage(kWebTitle, address);
}

void QXMessageController::chatCellOpenWebLink(QXMessageCell&, const QString& address) {
    pushWebPage(kWebTitle, address);
}

void QXMessageController::chatCellClickedImage(QXMessageCell&, URLPic& picture) {
    if (picture.URLString().isEmpty()) return;
    ChatNeighbourScreens::showPicture(*this, picture.URLString());
}

void QXMessageController::chatCellReferralMessage(QXMessageCell&, const QVariant& contents) {
    const QVariantList item = contents.toList();
    if (item.size() < 2 || item.value(1).typeId() != QMetaType::QVariantMap) return;
    StatClick::event(QStringLiteral("chat_bn_houses"));
    ChatNeighbourScreens::pushPostDetail(
        *this, item.value(1).toMap().value(QStringLiteral("puid")).toString());
}

// --- The broker

void QXMessageController::loadAgentInfo() {
    const std::weak_ptr<QXMessageController> weak = weakAs<QXMessageController>();
    QXNetConnection::sharedInstance().requestAgentInfoWithAgentId(
        otherUserId(),
        [weak](const QVariant& reply) {
            auto self = weak.lock();
            if (!self) return;
            self->agentDataInfo_ = reply;
            self->agentTag_ = Tolerant(reply)[QStringLiteral("isZuzeridUser")].intValue();
        },
        [weak](const QVariantMap&) {
            if (auto self = weak.lock()) self->agentTag_ = -2;
        });
}

void QXMessageController::urlPictureSingleTapped(URLPic& picture) {
    if (&picture != brokerImageView_.get()) return;
    switch (agentTag_) {
        case -2:
            FloatView::showMessageInKeyWindow(QStringLiteral("加载失败，重新点击试试！"));
            agentDataInfo_ = QVariant();
            agentTag_ = -1;
            loadAgentInfo();
            break;
        case 0:
            FloatView::showMessageInKeyWindow(QStringLiteral("亲，个人用户没有经纪人店铺哟！"));
            break;
        case 1:
            StatClick::event(QStringLiteral("chat_bn_agent"));
            QXIMRequest::shared().cancelToVikRequestByInterface(QXIMAgentCalls::kInterface,
                                                                EndpointTable::dataShareEndpoint());
            ChatNeighbourScreens::pushBrokerPage(*this, otherUserId(), agentDataInfo_,
                                                 sharedAs<ui::ViewController>());
            break;
        default:
            break;
    }
}

void QXMessageController::getUserAgentTransaction(const QString& agentId) {
    const std::weak_ptr<QXMessageController> weak = weakAs<QXMessageController>();
    QXIMAgentCalls::getUserAgentTransaction(
        agentId,
        [weak](const QVariant& reply) {
            auto self = weak.lock();
            if (!self) return;
            const Tolerant result(
                QXIMAgentCalls::resultOf(reply, QStringLiteral("getUserAgentTransaction")));
            self->url_ = result[QStringLiteral("status")].intValue() != 0
                             ? result[QStringLiteral("url")].toString()
                             : QString();
        },
        nullptr);
}

void QXMessageController::changeRightItem(const QString& address) {
    url_ = address;
}

void QXMessageController::dialPhone() {
    QXVoicePlayer::shared().stop();
    // The number comes from the server: only a phone number is dialled.
    if (!isDiallable(phone_)) return;
    ui::Application::sharedApplication().openURL(QUrl(QStringLiteral("tel://") + phone_));
}
