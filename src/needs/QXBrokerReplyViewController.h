#pragma once

#include "houses/photos/ImagePickerView.h"
#include "platform/foundation/notification_center.h"
#include "platform/foundation/timer.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/view_controller.h"

#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <memory>
#include <mutex>
#include <vector>

namespace ui {
class Button;
class ImageView;
class Label;
}  // namespace ui
class AnimatedImageView;
class QXBrokersPopListView;

// The screen of one published housing need. Its header sums the need up beside a button
// counting the brokers who have answered it in chat (their talks in the message store that
// carry the need's id; the button opens the replied-brokers pop-up). Below, the houses the
// service recommends for the need, a batch at a time with a "换一批" row, and the bar of the
// need's daily push subscription, which the screen creates on the need's first opening. Each
// house opens its detail, its broker's page, a chat with that broker about the need, or goes
// into the favourites. Opened right after publishing it shows a matching panel for a few
// seconds; opened from the need history it counts the brokers near the need to word the
// notice shown when there are no houses.
class QXBrokerReplyViewController : public ui::ViewController,
                                    public ui::TableViewDataSource,
                                    public ui::TableViewDelegate,
                                    public ImagePickerView::NeedReplyScreen {
public:
    static inline const QString kTitle = QStringLiteral("找房意向");
    static inline const QString kNoNetwork = QStringLiteral("当前网络不可用，请检查网络设置");
    static inline const QString kNoHouse = QStringLiteral("暂未找到合适的房源");
    static inline const QString kNoBroker = QStringLiteral("抱歉，未能匹配到合适的经纪人为您服务");
    static inline const QString kSubscribeText = QStringLiteral("每日推送最新房源，好房子不再错过");
    static inline const QString kCancelText = QStringLiteral("消息推送太频繁? 不再接收此类消息");
    static constexpr double kHeaderHeight = 58;
    static constexpr double kMatchingSeconds = 5.0;
    static constexpr int kToastTag = 112233;
    static constexpr int kBarTag = 10001;
    static constexpr int kBarLabelTag = 10002;
    static constexpr int kBarButtonTag = 10003;
    static constexpr int kNextBatchBandTag = 9999;
    static constexpr int kNoticeTextTag = 223344;
    static constexpr int kNoticeHintTag = 334455;
    static constexpr int kNoticePictureTag = 445566;
    static constexpr int kStripLabelTag = 1001;
    // Houses of a reply from which on the "换一批" band shows.
    static constexpr int kPagedTotal = 11;

    QXBrokerReplyViewController();
    ~QXBrokerReplyViewController() override;

    // The need a recommended house's photos open the photo pager about.
    [[nodiscard]] QString needId() const override { return needId_; }
    void setNeedId(const QString& needId) { needId_ = needId; }
    [[nodiscard]] int matchedBrokerCount() const { return matchedBrokerCount_; }
    void setMatchedBrokerCount(int count) { matchedBrokerCount_ = count; }
    [[nodiscard]] bool isFromNeedHistoryVC() const { return isFromNeedHistoryVC_; }
    void setIsFromNeedHistoryVC(bool fromHistory) { isFromNeedHistoryVC_ = fromHistory; }

    // The header texts of a need row: "type", "address", "price", "houseDoor", "time".
    [[nodiscard]] static QVariantMap loadNeedInfoStringWithDictionary(const QVariantMap& row);
    // The body of "getNearbyAgent" for a need row and user.
    [[nodiscard]] static QString nearbyAgentBody(const QVariantMap& row, qint64 userId);
    // The talk record of a chat with the broker of `house` about the need `needId`.
    [[nodiscard]] static QVariantMap talkInfoForHouse(const QVariantMap& house,
                                                      const QString& needId, qint64 userId);

    // Closes the replied-brokers pop-up when it covers this screen (before the tab's stack
    // is popped to its top screen).
    void hidingBrokersPopListView();
    void performAction(const QString& action) override;

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

    // Replying brokers.
    void loadAgentsInfoResponsedFromDBWithFlag(bool animated);
    [[nodiscard]] QVariantList getNewAddedBrokersFromArray(const QVariantList& rows) const;
    void animationWithReplyingBrokerNum(int count, bool animated);
    void brokerListViewBtnFunc();
    void loadNearByAgentList();
    void goBack();

    // Houses and the subscription.
    void doSomethingBySubscribeId();
    void loadHouseSourceInfoWithSubscribeId(qint64 subscribeId);
    void getMoreHouseSourceData();
    void closeSubscribeBtnFunc();
    void goToGoodHousePage();
    void goToAgentShopWithAgent(int row);
    void goToHouseSourceDetailPageWithCellTag(int row);
    void goToImPageWithAgent(int row);
    void favriteHouseSourceInfoWithCellTag(int row);
    void showPushViewInBottomWithFlag(bool dock);
    void showNoResultViewWithText(const QString& text);
    void hideNoResultView();

    // What the screen shows, for its owner and tests.
    [[nodiscard]] const QVariantList& agentsInfoArray() const { return agentsInfoArray_; }
    [[nodiscard]] const QVariantList& houseSourceArray() const { return houseSourceArray_; }
    [[nodiscard]] int houseSourceTotalNum() const { return houseSourceTotalNum_; }
    [[nodiscard]] int houseSourceInfoPage() const { return houseSourceInfoPage_; }
    [[nodiscard]] qint64 subscribeId() const { return subscribeId_; }
    [[nodiscard]] const QVariantMap& needDict() const { return needDict_; }
    [[nodiscard]] ui::Label* titleLbl() const { return titleLbl_.get(); }
    [[nodiscard]] ui::Label* subTitleLbl() const { return subTitleLbl_.get(); }
    [[nodiscard]] ui::Button* brokerListViewBtn() const { return brokerListViewBtn_.get(); }
    [[nodiscard]] ui::TableView* houseSourceTableView() const {
        return houseSourceTableView_.get();
    }
    [[nodiscard]] ui::View* brokerMatchingView() const { return brokerMatchingView_.get(); }
    [[nodiscard]] ui::View* noResultView() const { return noResultView_.get(); }
    // The loading cover while it shows; none once hidden.
    [[nodiscard]] ui::View* loadingView() const { return loadingView_.get(); }
    [[nodiscard]] ui::View* bottomPushView() const { return bottomPushView_.get(); }
    [[nodiscard]] bool needLoad() const { return needLoad_; }

    // The house table.
    int numberOfRowsInSection(ui::TableView& table, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(
        ui::TableView& table, const ui::IndexPath& indexPath) override;
    double heightForRowAtIndexPath(ui::TableView& table, const ui::IndexPath& indexPath) override;
    void didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& indexPath) override;

private:
    void addHeaderViewToSuperView();
    void buildLayoutViews();
    void processTabelHeaderView();
    void generateBottomPushView();
    void imRecieveNotification(const ns::Notification& notification);
    void showBrokerMatchingView();
    void hideBrokerMatchingView();
    void showLoadingView();
    void hideLoadingView();
    void processFourTipFromPublishNeed();
    void topBlackToastViewWithText(const QString& text);
    std::shared_ptr<ui::TableViewCell> nextPageCell(ui::TableView& table);
    // The table's rows: the houses, and a last row unless one house is all there is.
    [[nodiscard]] bool hasLastRow() const;
    // Whether this screen is the one its stack shows, with no pop-up over it: only then
    // do row actions run.
    [[nodiscard]] bool acceptsRowActions() const;
    [[nodiscard]] bool isVisibleInStack() const;
    // Whether the pop-up this screen opened covers it. The screen asks its own pop-up: the
    // application's drag-back switch is turned by other screens too (the photo pager), and
    // a pop-up may be in the window yet hidden for a chat.
    [[nodiscard]] bool popUpShowing() const;
    [[nodiscard]] QVariantMap houseAt(int row) const;
    [[nodiscard]] QString rentOrBuy() const;
    // Stores a subscription id the server gave for the need and shows it.
    void subscribed(qint64 id);
    void redockBarOrReload();
    void later(double seconds, std::function<void(QXBrokerReplyViewController&)> action);

    QString needId_;
    int matchedBrokerCount_ = 0;
    bool isFromNeedHistoryVC_ = false;
    std::shared_ptr<ui::ImageView> headerView_;
    std::shared_ptr<ui::Label> titleLbl_;
    std::shared_ptr<ui::Label> subTitleLbl_;
    std::shared_ptr<ui::Button> brokerListViewBtn_;
    std::shared_ptr<ui::Label> brokerListViewBtnLbl_;
    std::shared_ptr<AnimatedImageView> brokerListViewBtnGifImageView_;
    std::shared_ptr<ui::View> brokerMatchingView_;
    std::shared_ptr<AnimatedImageView> brokerMatchingGifImageView_;
    std::shared_ptr<ui::TableView> houseSourceTableView_;
    std::shared_ptr<ui::View> pushTipInfoView_;
    std::shared_ptr<ui::Label> houseSourceTableHeaderLbl_;
    std::shared_ptr<ui::ImageView> replyingBrokerTipView_;
    std::shared_ptr<ui::View> noResultView_;
    std::shared_ptr<ui::View> loadingView_;
    std::shared_ptr<ui::View> bottomPushView_;
    QVariantMap needInfoDictFromDB_;
    QVariantMap needDict_;
    bool needLoad_ = false;
    QVariantList houseSourceArray_;
    int houseSourceTotalNum_ = 0;
    int houseSourceInfoPage_ = 1;
    qint64 subscribeId_ = 0;
    QVariantList agentsInfoArray_;
    std::weak_ptr<QXBrokersPopListView> popUp_;
    std::mutex lock_;
    std::shared_ptr<ns::NotificationCenter::Observation> observation_;
    std::vector<ns::DelayedCall> delayedCalls_;
};
