#pragma once

#include "houses/shared/GetPostListCellFormate.h"
#include "net/QXIMRequest.h"
#include "platform/uikit/view_controller.h"

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include <functional>
#include <memory>

class QXChartView;
class QXCommunityImageView;
class QXLabel;
namespace ui {
class Button;
class ScrollView;
}  // namespace ui

// The page of one residential community: its name, completion time and property type, the
// photo and price tile, the numbers of its houses for sale, rent and sharing (which open
// their lists), its facts, the facilities nearby, its introduction, area, address and map,
// and the trend of its average price. It loads the community's base record, facilities and
// prices in one call, then its photos, and builds the page from what it kept; the two
// "more" buttons rebuild it with a section shown in full.
class QXCommunityDetailController : public ui::ViewController {
public:
    static inline const QString kTitle = QStringLiteral("小区详情");
    static inline const QString kNetworkTrouble = QStringLiteral("您的网络不稳定，请稍后再试");
    static inline const QString kNoCommunity = QStringLiteral("暂无该小区信息");
    static inline const QString kNoInformation = QStringLiteral("暂无信息");
    static constexpr int kPropTypeTag = 8721;

    QXCommunityDetailController();
    ~QXCommunityDetailController() override;

    // The page of a post's community, as the post detail opens it: the post's "domain",
    // "pinyin", and its district and street names joined by " - " as the area.
    [[nodiscard]] static std::shared_ptr<QXCommunityDetailController> forPost(
        const PostRecord& post, bool showOtherListEntrance);

    [[nodiscard]] const QString& cityKey() const { return cityKey_; }
    void setCityKey(const QString& key) { cityKey_ = key; }
    [[nodiscard]] const QString& communityPinyin() const { return communityPinyin_; }
    void setCommunityPinyin(const QString& pinyin) { communityPinyin_ = pinyin; }
    // The "所在区域" line; null when not known.
    [[nodiscard]] const QString& communityInArea() const { return communityInArea_; }
    void setCommunityInArea(const QString& area) { communityInArea_ = area; }
    [[nodiscard]] bool showOtherListEntrance() const { return showOtherListEntrance_; }
    void setShowOtherListEntrance(bool show) { showOtherListEntrance_ = show; }
    [[nodiscard]] ui::ScrollView* mainScrollView() const { return mainScrollView_.get(); }

    // The base record, facilities, price records and photo URLs kept from the replies.
    [[nodiscard]] const QVariantMap& detailData() const { return detailData_; }
    [[nodiscard]] const QVariantList& nearbyInfoData() const { return nearbyInfoData_; }
    [[nodiscard]] const QVariantList& priceInfoData() const { return priceInfoData_; }
    [[nodiscard]] const QStringList& photoInfoData() const { return photoInfoData_; }
    [[nodiscard]] QXCommunityImageView* imagePicker() const { return imagePicker_.get(); }
    // The chart of the last build; nullptr when the page has none.
    [[nodiscard]] QXChartView* chartView() const { return chartView_.get(); }
    [[nodiscard]] double y() const { return y_; }

    // The base request, and the photo request it leads to.
    void getPostByXiaoquPinyin();
    void getPostByXiaoquId();
    void reloadImagePicker();
    // The community as its house lists take it: "domain" and "pinyin", each when present.
    [[nodiscard]] QVariantMap pushData() const;
    // Builds (or builds again) the whole page from the kept data.
    void createDefaultDetailInfo();
    void addLoadingViewDefault();
    void removeLoadingView();
    void addErrorTipViewWithErrorMsg(const QString& message);
    // Cancels this page's requests and leaves it.
    void goBack();

    // The rows that open the house lists and the two "more" buttons.
    void gotoErshoufang();
    void gotoChuzufang();
    void gotoHezufang();
    void nearbyInfoOpenBtnEvent();
    void detailOpenBtnEvent();

    // A picture's URL from a server's text (a whole address, or a path on the image host).
    [[nodiscard]] static QString imageURL(const QString& text);

    void willMoveToParentViewController(ui::ViewController* parent) override;

protected:
    void viewDidLoad() override;

private:
    // The sections of the page; each answers whether it drew something.
    void resetMainScrollView();
    bool addTitleView();
    bool addAvePriceView();
    bool addQXLabelByKey(const QString& key, const QString& value,
                         const std::function<void()>& clickedAction);
    bool addInfoView();
    bool addNearByInfoView();
    bool addDetailInfoView();
    bool addAddressView();
    bool addMapView();
    void addChartLineView();
    // The row pieces.
    std::shared_ptr<QXLabel> addQXLabelByKey(const QString& key, const QString& value,
                                             const ui::Rect& frame, int type = 0);
    void addActionView(const std::function<void()>& action);
    void addLine();
    void separatorStep();
    void nearbyTitleLabel(const QString& title);
    void moreButtonByAction(const std::function<void()>& action);
    // Opens the house list of a kind from a count row.
    void openHouseList(const QString& event, int majorId, const QString& title);
    void cancelRequests();

    QString cityKey_;
    QString communityPinyin_;
    QString communityInArea_;
    bool showOtherListEntrance_ = false;
    std::shared_ptr<ui::ScrollView> mainScrollView_;

    double y_ = 0;
    QVariantMap detailData_;
    QVariantList nearbyInfoData_;
    QVariantList priceInfoData_;
    QStringList photoInfoData_;
    std::shared_ptr<QXCommunityImageView> imagePicker_;
    std::shared_ptr<QXChartView> chartView_;
    bool isClickedAllDetailBtn_ = false;
    bool isClickedAllNearbyInfoBtn_ = false;
    // The page's own calls: leaving it cancels these and no other screen's.
    const QXIMRequest::Owner owner_ = QXIMRequest::newOwner();
};
