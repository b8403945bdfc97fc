#pragma once

#include "houses/shared/GetPostListCellFormate.h"
#include "houses/shared/PostPhotosScreen.h"
#include "houses/shared/QXPostDetailRefreshProtocol.h"
#include "platform/uikit/alert_view.h"
#include "platform/uikit/message_compose_view_controller.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/view_controller.h"
#include "ui/widgets/GRefreshTableView.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

namespace ui {
class Button;
class Image;
class ImageView;
class Label;
class ScrollView;
}  // namespace ui

class QXMapView;

// The detail of one housing post: its title, age and view count, photos, price line and
// information rows, facilities, description, community, address, map and the anti-fraud tip
// with the report button, over a bottom bar that calls the poster or starts a chat. A list
// that opens it through the refresh protocol lets the user pull to the previous or the next
// post of that list. The post comes with the opening (and is completed by "GetPostByPuid"),
// or is fetched by its puid ("GetPost").
class QXPostDetailNew : public ui::ViewController,
                        public ui::TableViewDataSource,
                        public ui::TableViewDelegate,
                        public GRefreshTableDelegate,
                        public ui::MessageComposeViewControllerDelegate,
                        public ui::AlertViewDelegate,
                        public PostPhotosScreen {
public:
    static constexpr int kErrorTag = 6579;
    static constexpr int kErrorBoxTag = 6578;
    static constexpr int kErrorLabelTag = 6580;
    static constexpr int kViewCountTag = 8721;
    static constexpr int kNameLabelTag = 11;
    static constexpr int kPhoneLabelTag = 12;
    static constexpr int kCallButtonTag = 13;
    static constexpr int kChatButtonTag = 15;
    static constexpr int kChatIconTag = 16;
    static constexpr int kReportButtonTag = 6590;
    static constexpr int kWholeDetailButtonTag = 6591;
    static constexpr int kCommunityRowTag = 6592;
    static constexpr int kPhotoStripTag = 6593;
    static constexpr int kShareBoxTag = 12101;
    static constexpr int kShareSheetTag = 10000;
    static constexpr double kWidth = 320;
    static constexpr double kBarHeight = 44;
    static constexpr int kMaxPhotos = 17;
    static constexpr int kDescriptionLimit = 160;
    static inline const QString kLoadError = QStringLiteral("加载信息出错，请稍后再试");
    static inline const QString kNetworkError = QStringLiteral("您的网络不稳定，请稍后再试");
    static inline const QString kFirstPost = QStringLiteral("已经是第一条了");
    static inline const QString kLastPost = QStringLiteral("已经是最后一条了");
    static inline const QString kSmsBody =
        QStringLiteral("您好，我对您的房源很感兴趣，请尽快与我取得联系吧[TovikNevoru找房用户]");
    static inline const QString kSmsSent = QStringLiteral("短信发送成功");
    static inline const QString kSmsFailed = QStringLiteral("短信发送失败");
    static inline const QString kShareTitle = QStringLiteral("微信分享");
    static inline const QString kShareChoice = QStringLiteral("分享给微信好友");
    // The outside messenger's page in the platform's application store.
    static inline const QString kMessengerStorePage = QStringLiteral("appstore://app/messenger");
    static inline const QString kTipHeading = QStringLiteral("安全提示");
    static inline const QString kTipText = QStringLiteral(
        "    让您提前汇款或者不见面交易得都属于欺骗行为，请您当心不要受骗！如遇到请举报!");

    // Opened with a post by a list, the favourites or a community (`initWithContent`).
    QXPostDetailNew(PostRecord post, int masterId, int majorId);
    // Opened by a post's public id (`initWithPUID`): housing (master 7), major 0.
    explicit QXPostDetailNew(const QString& puid);
    ~QXPostDetailNew() override;

    [[nodiscard]] static std::shared_ptr<QXPostDetailNew> initWithContent(const PostRecord& post,
                                                                          int masterId = 0,
                                                                          int majorId = 0);
    [[nodiscard]] static std::shared_ptr<QXPostDetailNew> initWithPUID(const QString& puid);

    void setRefreshProtocol(std::weak_ptr<QXPostDetailRefreshProtocol> list) {
        list_ = std::move(list);
    }
    void setCurrentIndex(int index) { currentIndex_ = index; }
    [[nodiscard]] int currentIndex() const { return currentIndex_; }
    void setHiddenChatAgentInfo(bool hidden) { hiddenChatAgentInfo_ = hidden; }
    [[nodiscard]] bool hiddenChatAgentInfo() const override { return hiddenChatAgentInfo_; }
    // 1 when opened from a chat's post card.
    void setFromType(int type) { fromType_ = type; }
    [[nodiscard]] int fromType() const { return fromType_; }
    void setShowOtherListEntrance(bool show) { showOtherListEntrance_ = show; }
    [[nodiscard]] bool showOtherListEntrance() const { return showOtherListEntrance_; }
    void setNeedLoadByPuid(bool load) { needLoadByPuid_ = loadByPuidNow_ = load; }
    void setContentDict(const PostRecord& post) { contentDict_ = post; }
    void setAgentInfo(const QVariantMap& agentInfo) { agentInfo_ = agentInfo; }
    void setPuid(const QString& puid) { puid_ = puid; }

    // Tells the list the post shown last; later calls do nothing.
    void reportIndex();
    // Leaving the stack, the detail tells the list where it stopped, before the list
    // appears again.
    void willMoveToParentViewController(ui::ViewController* parent) override;

    // State, as the screens it opens and the tests read it.
    [[nodiscard]] const PostRecord& post() const override { return contentDict_; }
    [[nodiscard]] const PostRecord& contentDict() const { return contentDict_; }
    [[nodiscard]] const QVariantMap& viewContentDict() const { return viewContentDict_; }
    [[nodiscard]] const QVariantMap& companyContentDict() const { return companyContentDict_; }
    [[nodiscard]] const QVariantMap& agentInfo() const override { return agentInfo_; }
    [[nodiscard]] const QString& puid() const { return puid_; }
    [[nodiscard]] int masterIndex() const { return masterIndex_; }
    [[nodiscard]] int majorIndex() const { return majorIndex_; }
    [[nodiscard]] const QString& postPhone() const { return postPhone_; }
    [[nodiscard]] int phoneType() const { return phoneType_; }
    [[nodiscard]] bool onlineIm() const { return onlineIm_; }
    [[nodiscard]] bool isGetDetailFinish() const { return isGetDetailFinish_; }
    [[nodiscard]] bool isClickAllDetailBtn() const { return isClickAllDetailBtn_; }
    [[nodiscard]] const QString& viewTimes() const { return viewTimes_; }
    [[nodiscard]] const std::optional<QString>& xiaoquAvgPrice() const { return xiaoquAvgPrice_; }
    [[nodiscard]] int refreshViewLoading() const { return refreshViewLoading_; }
    [[nodiscard]] ui::ScrollView* mainScrollView() const { return mainScrollView_.get(); }
    [[nodiscard]] ui::View* pageContent() const { return pageContent_.get(); }
    [[nodiscard]] ui::ImageView* bottomView() const { return bottomView_.get(); }
    [[nodiscard]] ui::Button* favBtn() const { return favBtn_.get(); }
    [[nodiscard]] GRefreshTableView* headerRefreshView() const { return headerRefreshView_.get(); }
    [[nodiscard]] GRefreshTableView* footerRefreshView() const { return footerRefreshView_.get(); }
    [[nodiscard]] ui::View* imagePicker() const { return imagePicker_.get(); }
    [[nodiscard]] QXMapView* mapView() const { return mapView_.get(); }
    // The height the last build laid out.
    [[nodiscard]] double contentHeight() const { return y_; }

    // Loading.
    void refreshDataAndView();
    void loadAllDataByPuid();
    void GetPostByPuid();
    void increaseBrowseTime();
    void getUserStatuses(const QString& userId);
    // The "GetPostByPuid" reply for the post `puid`; a reply for another post is dropped.
    void responseGetPostByPuid(const QVariant& reply, const QString& puid);
    void responseGetUserStatuss(const QVariant& reply, const QString& userId);
    // The age text of a post time (seconds since 1970) on the clock.
    [[nodiscard]] static QString timeToNow(const QVariant& postunixtime);
    // A description of more than 160 characters becomes its first 159 and "...".
    [[nodiscard]] static QString cutDescription(const QString& description);
    void addErrorTipViewWithErrorMsg(const QString& message);
    void addLoadingViewDefault();
    void removeLoadingView();
    void goBack();

    // Paging through the list that opened the screen.
    void loadPreviousData();
    void loadNextData();
    void finishedLoadData(const PostRecord& post);
    // 1 towards the next post, 0 towards the previous one.
    void refreshDataAndViewUpOrDown(int direction);

    // Layout.
    void CreateDefaultDetailInfo();
    // Adds labelled rows at the running position; the photo strip's row places the strip.
    void addArrayInfo(const QVariantList& rows);
    void detailOpenBtnEvent();
    void copyQQ();
    // The photo strip at `frame` over the photos (style 0 at the top, 1 among the rows). The
    // strip taps open the photos of this screen's post.
    [[nodiscard]] std::shared_ptr<ui::View> makePhotoStrip(const ui::Rect& frame,
                                                           const QStringList& photoUrls, int style);

    // Contacting the poster.
    void getValidPhone();
    void addBottomBar();
    void contactPerson();
    void communicatePerson();
    // A text message to the poster's mobile number, written in the phone's composer; the
    // user hears whether it went.
    void sendSms();
    void showSMSPicker();
    void displaySMSComposerSheet();
    void didFinishWithResult(ui::MessageComposeViewController& controller,
                             ui::MessageComposeResult result) override;

    // Actions.
    void addNavButtons();
    void removeNavButtons();
    void favorite();
    void addSign();
    void gotoReport();
    void goToXiaoquInfo();

    // Sharing: a grey row at the running position with the share button, which offers the
    // share to a friend of the outside messenger; and the post's first photo for the share.
    void addSendWeixin();
    void smsAction();
    // Button 1 of an alert this screen hears opens the messenger's page in the store.
    void clickedButtonAtIndex(ui::AlertView& alert, int index) override;
    // Fetches the picture at `url` off the main thread and keeps it as weiXinImage().
    void uploadWeiXinImage(const QString& url);
    [[nodiscard]] const std::shared_ptr<ui::Image>& weiXinImage() const { return weiXinImage_; }
    // A row at the running position titled `title` that runs `entry` when tapped.
    void addOtherHouse(const QString& title, std::function<void()> entry);

    // Table (paging only): one row the height of the content, the bottom bar as its footer.
    int numberOfRowsInSection(ui::TableView& table, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table,
                                                             const ui::IndexPath& path) override;
    double heightForRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) override;
    double heightForFooterInSection(ui::TableView& table, int section) override;
    std::shared_ptr<ui::View> viewForFooterInSection(ui::TableView& table, int section) override;
    void scrollViewDidScroll(ui::ScrollView& scrollView) override;
    void scrollViewDidEndDragging(ui::ScrollView& scrollView, bool willDecelerate) override;
    void pullRefreshTableDidTriggerRefresh(GRefreshTableView& view) override;
    bool pullRefreshTableDataSourceIsLoading(GRefreshTableView& view) override;

protected:
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

private:
    // Section builders: each adds its views at `y_` and moves it on.
    void resetMainScrollView();
    void addTitleView();
    void addTitleShadow();
    void addInfoKeyView();
    void addPriceView(const QVariantMap& row);
    void addFangXinFangView();
    void addDetailInfoView(const QString& key);
    bool addPeizhiView();
    bool addXiaoqu();
    void addAddressView();
    void addMapView();
    void addTipView();
    void addLine();
    void addActionView(int tag, std::function<void()> action);
    void addTopPhotoStrip();
    void addRefreshViews();
    void fillRefreshLabels();
    [[nodiscard]] static int calLblHeightwithKey(const QString& key, const QString& value);
    [[nodiscard]] bool showsWholeDetailButton() const;
    void addSubview(const std::shared_ptr<ui::View>& view);
    [[nodiscard]] double pageHeight() const;
    [[nodiscard]] std::shared_ptr<ui::ScrollView> makePage(const ui::Rect& frame);
    void markRead();
    void cancelRequests();

    PostRecord contentDict_;
    QVariantMap viewContentDict_;
    int masterIndex_ = 0;
    int majorIndex_ = 0;
    QString QQString_;
    double y_ = 0;
    int phoneType_ = 0;
    QString postPhone_;
    bool isShowBar_ = false;
    QVariantMap companyContentDict_;
    bool isGetDetailFinish_ = false;
    QString viewTimes_;
    bool isClickAllDetailBtn_ = false;
    bool onlineIm_ = false;
    std::optional<QString> xiaoquAvgPrice_;
    QString puid_;
    int refreshViewLoading_ = 0;
    bool needLoadByPuid_ = false;
    bool loadByPuidNow_ = false;
    bool showOtherListEntrance_ = true;
    bool hiddenChatAgentInfo_ = false;
    int currentIndex_ = 0;
    int fromType_ = 0;
    QVariantMap agentInfo_;
    bool reportedIndex_ = false;
    std::weak_ptr<QXPostDetailRefreshProtocol> list_;
    std::shared_ptr<ui::Image> weiXinImage_;

    std::shared_ptr<ui::ScrollView> mainScrollView_;
    std::shared_ptr<ui::TableView> scrollView1_;
    std::shared_ptr<ui::TableView> scrollView2_;
    std::shared_ptr<ui::View> pageContent_;
    std::shared_ptr<ui::ImageView> bottomView_;
    std::shared_ptr<ui::Button> favBtn_;
    std::shared_ptr<ui::View> imagePicker_;
    std::shared_ptr<QXMapView> mapView_;
    std::shared_ptr<GRefreshTableView> headerRefreshView_;
    std::shared_ptr<GRefreshTableView> footerRefreshView_;
};
