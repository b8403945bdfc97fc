#pragma once

#include "map/ShopMapContext.h"
#include "ui/widgets/PRRefreshBaseView.h"

#include "platform/uikit/table_view.h"
#include "platform/uikit/view_controller.h"

#include <QVariantList>
#include <QVariantMap>

#include <functional>
#include <memory>

class BasicAnnotion;
class PRRefreshFooterView;

namespace ui {
class Button;
class ImageView;
class Label;
class PanGestureRecognizer;
}  // namespace ui

// The shop panel of the broker-shop map: it slides up from the bottom when a pin is
// selected, shows the shop in its header (name, gold badge, address, call button) and lists
// the shop's brokers page by page below. Three positions: closed below the screen, open over
// the lower part (the map stays visible in a 120-point strip above it), and full screen. It
// moves by header taps, header drags and list scrolling, and tells the map screen of every
// move through its callbacks.
class QXMapDetailViewController : public ui::ViewController,
                                  public ui::TableViewDataSource,
                                  public ui::TableViewDelegate,
                                  public PRRefreshBaseViewDelegate {
public:
    enum MapControlState { Closed = 0, Open = 1, FullScreen = 2 };
    static constexpr double kHeaderHeight = 70;
    static constexpr double kOpenTop = 120;
    static constexpr double kMoveDuration = 0.3;
    // How long the pull-up footer waits before it asks for the next page.
    static constexpr double kPullUpDelay = 2.0;

    using Callback = std::function<void()>;
    // The broker action: chat (true) or the broker's page (false), with the broker.
    using BrokerAction = std::function<void(bool chat, const QVariantMap& broker)>;

    // The one way to make a panel: shows `annotation` (or nothing) and lies closed.
    [[nodiscard]] static std::shared_ptr<QXMapDetailViewController> initIsSuperViewWith(
        std::shared_ptr<BasicAnnotion> annotation, ShopMapContext context);
    explicit QXMapDetailViewController(ShopMapContext context);
    ~QXMapDetailViewController() override;

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidDisappear(bool animated) override;

    void setAnnoBasic(std::shared_ptr<BasicAnnotion> annotation);
    [[nodiscard]] const std::shared_ptr<BasicAnnotion>& annoBasic() const { return annoBasic_; }

    // The moves.
    void openDetailView();
    void openListView();
    void closeDetailView();
    void showListView();
    void panGestureAction(ui::PanGestureRecognizer& recognizer);
    void telePhoneCompang();

    [[nodiscard]] MapControlState mapControlState() const { return mapControlState_; }
    [[nodiscard]] const ui::Rect& openFrame() const { return openFrame_; }
    [[nodiscard]] const ui::Rect& openFinnallyFrame() const { return openFinnallyFrame_; }
    [[nodiscard]] const ui::Rect& closeFrame() const { return closeFrame_; }
    [[nodiscard]] float oldY() const { return oldY_; }
    [[nodiscard]] float newY() const { return newY_; }

    // The list.
    void loadTableViewData();
    void initListView();
    [[nodiscard]] std::shared_ptr<ui::View> layOutHeaderView();
    void addNoDataView();
    // Takes the empty-state text off the panel.
    void removeNoView();
    // The page the next broker-list request asks for, one for the whole process.
    [[nodiscard]] static int pageNumber();
    [[nodiscard]] const QVariantList& listDataArray() const { return listDataArray_; }
    [[nodiscard]] const QVariant& numListData() const { return numListData_; }
    [[nodiscard]] ui::TableView* listTable() const { return listTable_.get(); }
    [[nodiscard]] ui::Label* noInfoLbl() const { return noInfoLbl_.get(); }
    [[nodiscard]] ui::Label* hasInfoNumLabel() const { return hasInfoNumLabel_.get(); }
    [[nodiscard]] PRRefreshFooterView* footView() const { return footView_.get(); }
    [[nodiscard]] ui::View* headerView() const { return headerView_.get(); }
    [[nodiscard]] ui::Button* callButton() const { return button2_.get(); }
    [[nodiscard]] ui::ImageView* excellentImg() const { return excellentImg_.get(); }
    [[nodiscard]] ui::ImageView* upOrDownImage() const { return upOrDownImage_.get(); }

    Callback detailViewWillOpenBlock, detailViewDidOpenBlock;
    Callback detailViewWillOpenFinnallyBlock, detailViewDidOpenFinnallyBlock;
    Callback detailViewWillCloseBlock, detailViewDidCloseBlock;
    BrokerAction block;

    // The table.
    int numberOfRowsInSection(ui::TableView& table, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table,
                                                             const ui::IndexPath& path) override;
    double heightForRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) override;
    void didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) override;
    void scrollViewDidScroll(ui::ScrollView& scrollView) override;

private:
    void setUpLayout();
    void setupGesture();
    void removeLoadingView();
    void showCustomLoadingView();
    void moveTo(const ui::Rect& frame, std::function<void()> animations,
                std::function<void()> completion);
    void brokerPageArrived(const QVariant& reply);
    void endFooterRefreshing();

    ShopMapContext context_;
    MapControlState mapControlState_ = Closed;
    std::shared_ptr<BasicAnnotion> annoBasic_;
    ui::Rect openFrame_, openFinnallyFrame_, closeFrame_;
    float oldY_ = 0, newY_ = 0;
    std::shared_ptr<ui::View> headerView_;
    std::shared_ptr<ui::Button> leftInfoBt_;
    std::shared_ptr<ui::Label> titleLab_, subLab_;
    std::shared_ptr<ui::ImageView> excellentImg_, upOrDownImage_;
    std::shared_ptr<ui::Button> button2_;
    QVariantList listDataArray_;
    QVariantList pullUpArray_;
    QVariant numListData_;
    std::shared_ptr<ui::TableView> listTable_;
    std::shared_ptr<PRRefreshFooterView> footView_;
    std::shared_ptr<ui::Label> noInfoLbl_;
    std::shared_ptr<ui::Label> hasInfoNumLabel_;
};
