#pragma once

#include "net/QXIMRequest.h"
#include "platform/uikit/message_compose_view_controller.h"
#include "platform/uikit/view_controller.h"

#include <QString>
#include <QVariantMap>

#include <memory>

class URLPic;
namespace ui {
class Button;
class ImageView;
class Label;
class ScrollView;
class View;
class WebView;
}  // namespace ui

// The broker's shop page ("经纪人店铺"): the broker's picture, name, area, how many users
// contacted them, company, credit stars, verification badges and phone, three rows with
// the numbers of the broker's posts for sale, whole rent and shared rent (each opens that
// list), and the call, text-message and chat buttons. It loads the broker's data unless
// its opener hands it over.
class QXAgentInfoController : public ui::ViewController,
                              public ui::MessageComposeViewControllerDelegate {
public:
    static inline const QString kTitle = QStringLiteral("经纪人店铺");
    static inline const QString kLoadFailed = QStringLiteral("加载信息出错，请稍后再试");
    static inline const QString kNoPostToTalkAbout =
        QStringLiteral("该经纪人暂时没有房源，无法发起对话，试试打电话吧~");
    static inline const QString kNetworkTrouble = QStringLiteral("网络异常，请稍后再试");
    static inline const QString kMessageBody =
        QStringLiteral("您好，我对您的房源很感兴趣，请尽快与我取得联系吧[TovikNevoru找房用户]");
    // The tags of the post-count rows are the kinds of post they list.
    static constexpr int kSaleTag = 5;
    static constexpr int kRentTag = 1;
    static constexpr int kShareTag = 3;

    QXAgentInfoController();
    ~QXAgentInfoController() override;

    [[nodiscard]] const QString& agentId() const { return agentId_; }
    // A user id as text; a number handed over becomes its whole decimal text.
    void setAgentId(const QString& agentId) { agentId_ = agentId; }
    void setAgentId(qint64 agentId) { agentId_ = QString::number(agentId); }
    [[nodiscard]] const QVariantMap& dataInfo() const { return dataInfo_; }
    // Broker data handed over before the page shows: the page makes no request.
    void setDataInfo(const QVariantMap& data) { dataInfo_ = data; }
    [[nodiscard]] const QString& postId() const { return postId_; }
    void setPostId(const QString& postId) { postId_ = postId; }
    [[nodiscard]] std::shared_ptr<ui::ViewController> popToChatController() const {
        return popToChatController_.lock();
    }
    void setPopToChatController(const std::shared_ptr<ui::ViewController>& chat) {
        popToChatController_ = chat;
    }

    // The outlets.
    [[nodiscard]] ui::ScrollView* mailView() const { return mailView_.get(); }
    [[nodiscard]] URLPic* icon() const { return icon_.get(); }
    [[nodiscard]] ui::Label* nameLabel() const { return nameLabel_.get(); }
    [[nodiscard]] ui::Label* companyLabel() const { return companyLabel_.get(); }
    [[nodiscard]] ui::Label* positionLabel() const { return positionLabel_.get(); }
    [[nodiscard]] ui::Label* contactCountLabel() const { return contactCountLabel_.get(); }
    [[nodiscard]] ui::ImageView* contactIcon() const { return contactIcon_.get(); }
    [[nodiscard]] ui::ImageView* iCardAutheImage() const { return iCardAutheImage_.get(); }
    [[nodiscard]] ui::Label* iCardAutheLabel() const { return iCardAutheLabel_.get(); }
    [[nodiscard]] ui::ImageView* bCardAutheImage() const { return bCardAutheImage_.get(); }
    [[nodiscard]] ui::Label* bCardAutheLabel() const { return bCardAutheLabel_.get(); }
    [[nodiscard]] ui::Label* phoneLabel() const { return phoneLabel_.get(); }
    [[nodiscard]] ui::Button* enterButton(int tag) const;
    [[nodiscard]] ui::Label* enterLabel(int tag) const;
    [[nodiscard]] ui::View* starView() const { return starView_.get(); }
    [[nodiscard]] ui::Button* teleBt() const { return teleBt_.get(); }
    [[nodiscard]] ui::Button* messageBt() const { return messageBt_.get(); }
    [[nodiscard]] ui::Button* beginConnectionBt() const { return beginConnectionBt_.get(); }
    [[nodiscard]] ui::WebView* webView() const { return webView_.get(); }
    // The avatar's address as the page asked for it; empty when it has none.
    [[nodiscard]] QString avatarURL() const;

    void loadAgentInfo();
    void showCustomLoadingView();
    void refreshView();
    void addErrorTipViewWithErrorMsg(const QString& message);
    void callPhoneToAgent();
    void sendSMSMessage();
    void sendMessageToAgent();
    // The action of the post-count rows, by the row's tag.
    void getAgentPostList(int tag);
    void goBack();

    void didFinishWithResult(ui::MessageComposeViewController& controller,
                             ui::MessageComposeResult result) override;
    void willMoveToParentViewController(ui::ViewController* parent) override;

protected:
    void loadView() override;
    void viewDidLoad() override;

private:
    // Builds the page's views in their places, empty.
    void buildPage();
    // Opens a chat about `postReference` with the broker.
    void openChat(const QString& postReference);
    // Finds a post of the broker to talk about, then opens the chat, or says why not.
    void findPostAndChat();
    void cancelRequests();

    QString agentId_;
    QVariantMap dataInfo_;
    QString postId_;
    std::weak_ptr<ui::ViewController> popToChatController_;

    std::shared_ptr<ui::ScrollView> mailView_;
    std::shared_ptr<URLPic> icon_;
    std::shared_ptr<ui::Label> nameLabel_, companyLabel_, positionLabel_, contactCountLabel_;
    std::shared_ptr<ui::ImageView> contactIcon_, iCardAutheImage_, bCardAutheImage_;
    std::shared_ptr<ui::Label> iCardAutheLabel_, bCardAutheLabel_;
    std::shared_ptr<ui::ImageView> phoneBg_;
    std::shared_ptr<ui::Label> phoneLabel_;
    std::shared_ptr<ui::Button> enter1Bg_, enter2Bg_, enter3Bg_;
    std::shared_ptr<ui::Label> enter1Label_, enter2Label_, enter3Label_;
    std::shared_ptr<ui::View> starView_;
    std::shared_ptr<ui::Button> teleBt_, messageBt_, beginConnectionBt_;
    std::shared_ptr<ui::WebView> webView_;
    QString avatarURL_;
    bool findingPost_ = false;
    // The page's own calls: leaving it cancels these and no other screen's.
    const QXIMRequest::Owner owner_ = QXIMRequest::newOwner();
};
