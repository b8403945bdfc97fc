#pragma once

#include "app/QXUIViewController.h"
#include "platform/foundation/notification_center.h"
#include "ui/widgets/QXCycleScrollView.h"

#include <QUrl>
#include <QVariant>

#include <memory>
#include <optional>
#include <vector>

namespace ns {
class Timer;
}
namespace ui {
class Button;
class Image;
class ImageView;
class ScrollView;
}  // namespace ui
class IconMenuView;

inline const QString kNewsUrlKey = QStringLiteral("kNewsUrl");
inline const QString kBannerDataNoImageKey = QStringLiteral("BannerDataNoImage");
inline const QString kSubscribeRefreshTimeKey =
    QStringLiteral("LastGetSubscribeRefreshStatusFromServerTime");

// The first tab's root: the banner carousel, the three entry tiles, the round button of
// the need-publishing menu, the app title with the chosen city, and the "找房意向" button.
// It also keeps the data behind them fresh: the banners and their cached pictures, the
// news red point, the need-form terms file and the count of new answers to the user's
// needs.
class QXMainViewController : public QXUIViewController,
                             public CycleScrollViewDatasource,
                             public CycleScrollViewDelegate {
public:
    // Tile tags, left to right.
    enum Tile : int { kGoodHouses = 0, kAgentShops = 1, kHouseNews = 2 };
    static constexpr int kMaxBanners = 5;
    static constexpr double kNewsCheckInterval = 7200;
    static constexpr double kSubscribeCheckInterval = 3600;

    QXMainViewController();
    ~QXMainViewController() override;

    [[nodiscard]] bool hidesBottomBarWhenPushed() const override { return false; }
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

    void start();
    void stop();
    // Rebuild hooks for a tool that swaps code or resources into the running app: the
    // screen's view is emptied and the tiles are built again.
    void updateOnClassInjection();
    void updateOnResourceInjection(const QString& path);

    // Carousel data source and delegate.
    int numberOfPages() override;
    std::shared_ptr<ui::View> pageAtIndex(int index) override;
    void didClickPage(QXCycleScrollView& view, int index) override;
    void loadBannerDetailView(int index);

    void cityChanged();
    void signChanged();
    void selectCity();
    void onClickTag(int tag);
    void onClickPublish();
    void onClickHistroy();
    // Opens the keyword search.
    void onClickSearch();

    // Data.
    void applicationDidBecomeActive();
    void requetBannerData();
    void requestNewsData();
    void didFinishedBannerDataConnection(const QVariant& reply);
    // The banner items as received; the cached pictures of the older items go.
    void saveBannerDataToUserDefaults(const QVariantList& items);
    // The picture of banner `index`, kept as a small JPEG.
    void saveBannerDataToUserDefaults(int index, const ui::Image& picture);
    // The picture address of banner `index`; empty when there is none.
    [[nodiscard]] QUrl bannerURL(int index) const;
    void loadRedPoint(const QVariant& reply);
    [[nodiscard]] std::optional<QVariantList> loadLocalTermsData(int needKind);
    void didLoadOtherTerms(int version);
    void parseData(const QVariant& reply);
    void getSubscribeRefreshStatusFromServerWithFlag(bool force);
    void showRedPointOnFindHouseWithFlag(bool shown);

    [[nodiscard]] const QVariantList& dataArray() const { return dataArray_; }
    [[nodiscard]] int versionIndex() const { return versionIndex_; }
    [[nodiscard]] QXCycleScrollView* mainCycleView() const { return mainCycleView_.get(); }
    [[nodiscard]] ui::ScrollView* mainScrollView() const { return mainScrollView_.get(); }
    [[nodiscard]] ui::ImageView* redImageIcon() const { return redImageIcon_.get(); }
    [[nodiscard]] ui::Button* tile(int tag) const;
    [[nodiscard]] ui::Button* publishButton() const { return publishButton_.get(); }
    [[nodiscard]] bool findHouseRedPointShown() const { return findHouseRedPoint_; }
    [[nodiscard]] const std::shared_ptr<IconMenuView>& publishMenu() const { return menu_; }
    [[nodiscard]] static QString termsFileName(int version);

private:
    void initScrollView();
    void initializePublishView();
    void initFeatureItemsView();
    void titleViewName(const QString& cityName);
    void placeNewsRedPoint();
    void publish(int needKind);
    void countNewAnswers(const QVariantList& subscriptions, const QList<QVariantMap>& needs);
    std::shared_ptr<ui::Button> customButton(const ui::Rect& frame, const QString& title,
                                             const QString& icon);

    std::shared_ptr<ui::ScrollView> mainScrollView_;
    std::shared_ptr<QXCycleScrollView> mainCycleView_;
    std::shared_ptr<ui::ImageView> redImageIcon_;
    std::shared_ptr<ui::Button> publishButton_;
    std::vector<std::shared_ptr<ui::Button>> tiles_;
    std::shared_ptr<IconMenuView> menu_;
    std::shared_ptr<ns::Timer> newsTimer_;
    std::vector<std::shared_ptr<ns::NotificationCenter::Observation>> observations_;
    QVariantList dataArray_;
    int versionIndex_ = 0;
    bool findHouseRedPoint_ = false;
};
