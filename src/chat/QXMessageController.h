#pragma once

#include "chat/QXChatTextView.h"
#include "chat/QXMessageCell.h"
#include "chat/VoiceHUD.h"

#include "IMChat/qximlib/QXIMMessageAction.h"
#include "map/URLPic.h"
#include "net/UIViewController+Upload.h"

#include "platform/foundation/notification_center.h"
#include "platform/uikit/alert_view.h"
#include "platform/uikit/image_picker_controller.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/view_controller.h"

#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <vector>

namespace ui {
class Button;
class TapGestureRecognizer;
class ImageView;
class Label;
}  // namespace ui
class QXMAlertView;

// The conversation with one other user (a broker, or the service account): the talk's messages
// as bubbles, oldest at the top, the broker bar with name, phone and picture, and the input bar
// for text, hold-to-talk voice and pictures. Messages are stored as local rows and sent; the
// messaging service confirms or fails them by notifications, and received ones appear at once
// while the screen shows (it reloads when it shows again otherwise). Failed messages resend,
// any message deletes; pictures and voices are uploaded first and sent with their addresses.
class QXMessageController : public ui::ViewController,
                            public ui::TableViewDataSource,
                            public ui::TableViewDelegate,
                            public QXIMMessageActionDelegate,
                            public QXChatTextViewDelegate,
                            public VoiceHUDDelegate,
                            public QXMessageCellDelegate,
                            public URLPicDelegate,
                            public ui::AlertViewDelegate,
                            public ui::ImagePickerControllerDelegate,
                            public UploadResultCallbacks {
public:
    // The row limit of a load, and the label gap between neighbours (seconds).
    static constexpr unsigned kLoadLimit = 10000;
    static constexpr int kResendTag = 1111;
    static constexpr int kDealRecordTag = 2002;
    // An alert whose button 1 calls the broker.
    static constexpr int kCallTag = 1100;
    static constexpr double kMoreRowHeight = 40;
    static constexpr double kBrokerBarHeight = 60;
    static constexpr double kPanelHeight = 110;
    static inline const QString kNoNetworkTitle = QStringLiteral("网络不可用");
    static inline const QString kNoNetworkMessage =
        QStringLiteral("请连接到移动数据网络或wifi网络");

    // A screen over the talk record `talkInfo` (a talk row as the store gives it, or one an
    // opener made: "t_id", "u_id", "o_user", "r_id", "p_post").
    explicit QXMessageController(QVariantMap talkInfo);
    ~QXMessageController() override;

    [[nodiscard]] const QVariantMap& talkInfo() const { return talkInfo_; }
    void setTalkInfo(const QVariantMap& talkInfo) { talkInfo_ = talkInfo; }
    [[nodiscard]] int agentTag() const { return agentTag_; }
    void setAgentTag(int tag) { agentTag_ = tag; }
    [[nodiscard]] bool hiddenAgentView() const { return hiddenAgentView_; }
    void setHiddenAgentView(bool hidden) { hiddenAgentView_ = hidden; }
    [[nodiscard]] const QString& url() const { return url_; }
    [[nodiscard]] const QString& phone() const { return phone_; }
    [[nodiscard]] bool hasMore() const;
    [[nodiscard]] const QList<QXIMMessage>& chatData() const;

    [[nodiscard]] ui::TableView* chatTable() const { return chatTable_.get(); }
    [[nodiscard]] QXChatTextView* containerView() const { return containerView_.get(); }
    [[nodiscard]] VoiceHUD* recordAudio() const { return recordAudio_.get(); }
    [[nodiscard]] ui::View* headerView() const { return headerView_.get(); }
    [[nodiscard]] ui::View* sendImagePanel() const { return sengImageBg_.get(); }

    // The bubble class of a message's first contents element.
    [[nodiscard]] static QString cellNameByInfo(const QVariant& first);
    // Whether the text holds an 11-digit mobile number that is not part of a longer run of
    // digits.
    [[nodiscard]] static bool isMobileInContents(const QString& text);
    // The chat's time label: "今天 HH:mm", "昨天 HH:mm" or "MM-dd HH:mm:ss".
    [[nodiscard]] static QString timeLabel(qint64 time);

    void reloadChatList();
    void senderTextToServer(const QString& text);
    // Stores (or, with {"m_sid"}, updates) and sends a contents text.
    void sendContents2Server(const QString& contents, const QVariantMap& userInfo = {});
    // Marks the messages of {"m_sids": [...]} or {"m_sid": id} failed.
    void sendMessageFaild(const QVariantMap& userInfo);
    void deleteContentAtIndex(int index);
    void showSendImage();
    void hideSendImage();
    // Picks from the camera (0) or the photo library (1).
    void chooseImage(int source);
    void loadAgentInfo();
    // The deal-record page address came back from the deal-record phone screen.
    void changeRightItem(const QString& address);
    void goBack();

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

    // The table.
    int numberOfRowsInSection(ui::TableView& table, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(
        ui::TableView& table, const ui::IndexPath& indexPath) override;
    double heightForRowAtIndexPath(ui::TableView& table, const ui::IndexPath& indexPath) override;
    // The broker bar heads the one section.
    double heightForHeaderInSection(ui::TableView& table, int section) override;
    std::shared_ptr<ui::View> viewForHeaderInSection(ui::TableView& table, int section) override;

    // The conversation list.
    QVariantMap talkInfoForMessageAction(QXIMMessageAction& action) override;
    bool isVisibleMessageAction(QXIMMessageAction& action) override;
    void messageActionRefreshedMessageData(QXIMMessageAction& action) override;
    void messageActionInsertDataAtIndex(QXIMMessageAction& action, int count) override;
    void messageActionReplaceDataAtIndex(QXIMMessageAction& action, int index) override;
    void messageActionMergedMessages(QXIMMessageAction& action,
                                     const QXIMMessageListChange& change) override;
    void messageActionWillReceive(QXIMMessageAction& action,
                                  const QXIMNotifications::ReceivedMessages& received) override;
    void messageActionReceivedWhileHidden(QXIMMessageAction& action) override;

    // The input bar.
    void chatTextViewFinishedInput(QXChatTextView& bar, const QString& text) override;
    void chatTextViewWillSwitchVoiceChat(QXChatTextView& bar) override;
    void chatTextViewWillSendImage(QXChatTextView& bar) override;
    void chatTextViewChangedCenter(QXChatTextView& bar, ui::Point center, bool isResign) override;

    // Recording.
    void beginRecord();
    void voiceRecorded(VoiceHUD& hud, const QString& path, double length) override;

    // The bubbles.
    void chatCellOtherSpaceClicked(QXMessageCell& cell) override;
    // A tap beside the bubbles: the picture panel goes and the input bar settles down. The
    // screen keeps its recogniser for whoever lays it on a view.
    void singleTapCellViewGesture();
    [[nodiscard]] const std::shared_ptr<ui::TapGestureRecognizer>& singleTap() const {
        return singleTap_;
    }
    void chatCellResendMessage(QXMessageCell& cell, const QXIMMessage& message) override;
    void chatCellWillDeleteIndex(QXMessageCell& cell, int index) override;
    void chatCellClickedText(QXMessageCell& cell, const QString& text) override;
    bool chatCellWillStartPlaySoundFile(QXMessageCell& cell, const QString& name) override;
    void chatCellClickedImage(QXMessageCell& cell, URLPic& picture) override;
    void chatCellReferralMessage(QXMessageCell& cell, const QVariant& contents) override;
    void chatCellOpenWebLink(QXMessageCell& cell, const QString& address) override;

    void urlPictureSingleTapped(URLPic& picture) override;
    void clickedButtonAtIndex(ui::AlertView& alert, int index) override;
    void didFinishPickingMediaWithInfo(ui::ImagePickerController& picker,
                                       const ui::ImagePickerMediaInfo& info) override;

    // Uploads.
    [[nodiscard]] unsigned uploadCallbacksAnswered() const override;
    void uploadReturnResultUserInfo(const QVariant& reply, const QVariant& userInfo) override;
    void uploadFaildResult(const QVariantMap& failure, const QVariant& userInfo) override;

private:
    // Hides the picture panel; whether it was shown.
    bool closePicturePanel();
    void buildBrokerBar();
    void buildPicturePanel();
    void attachRecording();
    void scrollToBottom();
    void reloadTable();
    [[nodiscard]] bool isVisible() const;
    [[nodiscard]] bool reachable() const;
    void showNoNetwork() const;
    [[nodiscard]] QVariantMap otherUser() const;
    [[nodiscard]] QString otherUserId() const;
    [[nodiscard]] bool isServiceTalk() const;
    void recordContact() const;
    void getUserAgentTransaction(const QString& agentId);
    void resendAnswered(QXMAlertView& alert);
    void layoutTableAgainstBar(ui::Point center, bool isResign);
    void pushWebPage(const QString& title, const QString& address);
    void dialPhone();
    // A picture or voice still on its way up when the screen goes fails with the screen's
    // uploads: it offers its resend when the talk is opened again.
    void failUploadsOnTheirWay();
    // A local picture or voice is on its way: upload its file.
    void uploadFile(const QString& path, int kind, const QVariantMap& userInfo);

    QVariantMap talkInfo_;
    std::unique_ptr<QXIMMessageAction> action_;
    std::shared_ptr<ui::TableView> chatTable_;
    std::shared_ptr<ui::View> headerView_;
    std::shared_ptr<ui::Label> brokerName_;
    std::shared_ptr<ui::Label> brokerTelNum_;
    std::shared_ptr<URLPic> brokerImageView_;
    std::shared_ptr<ui::Button> brokerButton_;
    std::shared_ptr<ui::View> boundImageView_;
    std::shared_ptr<QXChatTextView> containerView_;
    std::shared_ptr<VoiceHUD> recordAudio_;
    std::shared_ptr<ui::View> sengImageBg_;
    std::shared_ptr<ui::TapGestureRecognizer> singleTap_;
    std::vector<std::shared_ptr<ns::NotificationCenter::Observation>> observations_;
    QVariant agentDataInfo_;
    QString url_;
    QString phone_;
    int agentTag_ = -1;
    bool hiddenAgentView_ = false;
    bool needLoad_ = false;
    bool isFirst_ = true;
};
