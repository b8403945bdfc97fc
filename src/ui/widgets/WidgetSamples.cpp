#include "ui/widgets/WidgetSamples.h"

#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_bar.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/sample_window.h"
#include "platform/uikit/tab_bar_item.h"
#include "platform/uikit/table_view_cell.h"
#include "platform/uikit/table_view_controller.h"
#include "platform/uikit/window.h"
#include "ui/widgets/GradientView.h"
#include "ui/widgets/IconMenuView.h"
#include "ui/widgets/PRRefreshFooterView.h"
#include "ui/widgets/PRRefreshHeaderView.h"
#include "ui/widgets/QXCycleScrollView.h"
#include "ui/widgets/QXFCExpandingTextView.h"
#include "ui/widgets/QXSlide.h"
#include "ui/widgets/QueueAlertView.h"
#include "ui/widgets/TovikModalViewController.h"
#include "ui/widgets/UnderlinedTextButton.h"
#include "ui/widgets/VerticallyAlignedLabel.h"

#include <QStringList>

namespace {

using ui::Rect;

const ui::Color kGreen = ui::Color::rgb(86, 186, 34);

std::shared_ptr<ui::Button> actionButton(const QString& title, const Rect& frame) {
    auto button = std::make_shared<ui::Button>(frame);
    button->setBackgroundImage(ui::Image::imageWithColor(kGreen), ui::kControlStateNormal);
    button->setTitle(title, ui::kControlStateNormal);
    return button;
}

// A screen of the samples: white, laid out below the navigation bar.
class SampleScreen : public ui::ViewController {
public:
    explicit SampleScreen(const QString& title) { setTitle(title); }
    void viewDidLoad() override {
        view()->setBackgroundColor(ui::Color::whiteColor());
        setEdgesForExtendedLayout(ui::kRectEdgeNone);
        build(*view());
    }

protected:
    virtual void build(ui::View& root) = 0;
};

// Banners that page every four seconds. The pictures are plain colours here; the home
// screen's pages load theirs by URL.
class CarouselSample : public SampleScreen, public CycleScrollViewDatasource {
public:
    CarouselSample() : SampleScreen(QStringLiteral("轮播图")) {}
    int numberOfPages() override { return 4; }
    std::shared_ptr<ui::View> pageAtIndex(int index) override {
        static const ui::Color colours[] = {
            ui::Color::rgb(120, 170, 220), ui::Color::rgb(230, 180, 90),
            ui::Color::rgb(140, 200, 140), ui::Color::rgb(210, 140, 160)};
        auto page = std::make_shared<ui::ImageView>(Rect(0, 0, 320, 120));
        page->setImage(ui::Image::imageWithColor(colours[index % 4], {320, 120}));
        auto caption = std::make_shared<ui::Label>(Rect(15, 40, 290, 30));
        caption->setFont(ui::Font::boldSystemFontOfSize(20));
        caption->setTextColor(ui::Color::whiteColor());
        caption->setText(QStringLiteral("第%1张 · 优质房源推荐").arg(index + 1));
        page->addSubview(caption);
        return page;
    }

protected:
    void build(ui::View& root) override {
        carousel_ = QXCycleScrollView::initWithFrame(Rect(0, 0, 320, 120), 4.0);
        root.addSubview(carousel_);
        carousel_->setDataource(sharedAs<CarouselSample>());
    }

private:
    std::shared_ptr<QXCycleScrollView> carousel_;
};

// A list with the pull-down header and the pull-up footer.
class RefreshSample : public ui::TableViewController {
public:
    RefreshSample() { setTitle(QStringLiteral("下拉刷新")); }
    void viewDidLoad() override {
        header_ = PRRefreshHeaderView::header();
        header_->setScrollView(std::static_pointer_cast<ui::ScrollView>(tableView()->sharedView()));
        footer_ = PRRefreshFooterView::footer();
        footer_->setScrollView(std::static_pointer_cast<ui::ScrollView>(tableView()->sharedView()));
    }
    int numberOfRowsInSection(ui::TableView&, int) override { return 30; }
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table,
                                                             const ui::IndexPath& path) override {
        auto cell = table.dequeueReusableCellWithIdentifier(QStringLiteral("news"));
        if (!cell) {
            cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default,
                                                       QStringLiteral("news"));
        }
        cell->textLabel()->setText(QStringLiteral("楼市资讯 第%1条").arg(path.row + 1));
        return cell;
    }

private:
    std::shared_ptr<PRRefreshHeaderView> header_;
    std::shared_ptr<PRRefreshFooterView> footer_;
};

// A district list that rises as a sheet and closes once a district is chosen.
class DistrictList : public ui::TableViewController {
public:
    DistrictList() { setTitle(QStringLiteral("选择区域")); }
    int numberOfRowsInSection(ui::TableView&, int) override { return districts().size(); }
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView&,
                                                             const ui::IndexPath& path) override {
        auto cell = std::make_shared<ui::TableViewCell>();
        cell->textLabel()->setText(districts()[path.row]);
        return cell;
    }
    void didSelectRowAtIndexPath(ui::TableView&, const ui::IndexPath&) override {
        if (auto sheet = customModalViewController(*this)) {
            sheet->dismissRootViewControllerWithcompletion({});
        }
    }

private:
    static const QStringList& districts() {
        static const QStringList names{"不限", "朝阳", "海淀", "东城", "西城", "丰台", "通州"};
        return names;
    }
};

class SheetSample : public SampleScreen {
public:
    SheetSample() : SampleScreen(QStringLiteral("弹出层")) {}

protected:
    void build(ui::View& root) override {
        auto open = actionButton(QStringLiteral("选择区域"), Rect(15, 20, 290, 44));
        open->addTarget(this, ui::kControlEventTouchUpInside,
                        [weak = weakAs<SheetSample>()](ui::Control&, const ui::Event*) {
                            if (auto self = weak.lock()) self->openSheet();
                        });
        root.addSubview(open);
    }

private:
    void openSheet() {
        ui::Window* window = view()->window();
        if (!window) return;
        auto list =
            ui::NavigationController::withRootViewController(std::make_shared<DistrictList>());
        list->navigationBar()->setTranslucent(false);
        sheet_ = TovikModalViewController::initWithRootViewController(list,
                                                                      window->rootViewController());
        sheet_->presentRootViewControllerWithPresentationStyle(
            ModalSheetViewController::kSheetInContext, {});
    }

    std::shared_ptr<ModalSheetViewController> sheet_;
};

class AlertSample : public SampleScreen {
public:
    AlertSample() : SampleScreen(QStringLiteral("提示框")) {}

protected:
    void build(ui::View& root) override {
        auto ask = actionButton(QStringLiteral("取消推送"), Rect(15, 20, 290, 44));
        ask->addTarget(this, ui::kControlEventTouchUpInside, [](ui::Control&, const ui::Event*) {
            QueueAlertView::alertViewWithTitle(
                QStringLiteral("取消推送"),
                QStringLiteral("取消推送后，将无法再接收到优质房源推荐。确定要取消么？"),
                {QStringLiteral("取消"), QStringLiteral("确定")}, {}, {})
                ->show();
            QueueAlertView::alertViewWithTitle(QStringLiteral("提示"),
                                               QStringLiteral("网络不给力，请稍后再试"),
                                               {QStringLiteral("确定")}, {}, {})
                ->show();
        });
        root.addSubview(ask);
    }
};

class IconMenuSample : public SampleScreen {
public:
    IconMenuSample() : SampleScreen(QStringLiteral("图标菜单")) {}

protected:
    void build(ui::View& root) override {
        auto publish = actionButton(QStringLiteral("发布需求"), Rect(15, 20, 290, 44));
        publish->addTarget(
            this, ui::kControlEventTouchUpInside, [](ui::Control&, const ui::Event*) {
                auto menu = std::make_shared<IconMenuView>();
                menu->addMenuItemWithTitle(QStringLiteral("买房"),
                                           ui::Image::imageNamed(QStringLiteral("买房icon.png")),
                                           {});
                menu->addMenuItemWithTitle(QStringLiteral("租房"),
                                           ui::Image::imageNamed(QStringLiteral("整租icon.png")),
                                           {});
                menu->addMenuItemWithTitle(QStringLiteral("合租"),
                                           ui::Image::imageNamed(QStringLiteral("合租icon.png")),
                                           {});
                menu->show();
            });
        root.addSubview(publish);
    }
};

// The chat bar's growing input and the captcha link.
class InputSample : public SampleScreen {
public:
    InputSample() : SampleScreen(QStringLiteral("输入框")) {}
    [[nodiscard]] QXFCExpandingTextView* input() const { return input_.get(); }

protected:
    void build(ui::View& root) override {
        auto bar = std::make_shared<ui::View>(Rect(0, 100, 320, 116));
        bar->setBackgroundColor(ui::Color::colorWithWhite(0.93));
        input_ = QXFCExpandingTextView::initWithFrame(Rect(50, 9, 220, 40));
        input_->setFont(ui::Font::systemFontOfSize(14));
        input_->setTextColor(ui::Color::blackColor());
        input_->setBackgroundColor(ui::Color::whiteColor());
        bar->addSubview(input_);
        root.addSubview(bar);
        root.addSubview(std::make_shared<QXLabelGreenBtn>(Rect(200, 40, 112, 28),
                                                          QStringLiteral("看不清，换一张")));
    }

private:
    std::shared_ptr<QXFCExpandingTextView> input_;
};

// The three slider styles with the small views.
class SliderSample : public SampleScreen {
public:
    SliderSample() : SampleScreen(QStringLiteral("滑块")) {}

protected:
    void build(ui::View& root) override {
        if (auto value = QXSlide::initWithFrame(Rect(15, 50, 290, 20), QXSlide::kValue, 1, 10)) {
            value->setCurLeft(*value, 4);
            root.addSubview(value);
        }
        if (auto ages = QXSlide::initWithFrame(Rect(15, 130, 290, 20), QXSlide::kAgeRange, 18, 72,
                                               25, 45)) {
            root.addSubview(ages);
        }
        if (auto marks = QXSlide::initWithFrame(Rect(15, 200, 290, 20), QXSlide::kMarks,
                                                {QStringLiteral("不限"), QStringLiteral("1k"),
                                                 QStringLiteral("3k"), QStringLiteral("5k")})) {
            root.addSubview(marks);
        }
        auto gradient = std::make_shared<GradientView>(Rect(15, 250, 290, 44));
        gradient->setCellType(GradientView::kAllRounded);
        root.addSubview(gradient);
        auto label = std::make_shared<VerticallyAlignedLabel>(Rect(15, 250, 290, 44));
        label->setTextColor(ui::Color::whiteColor());
        label->setText(QStringLiteral("热门城市"));
        label->setVerticalAlignment(VerticallyAlignedLabel::kBottom);
        root.addSubview(label);
    }
};

class SamplesList : public ui::TableViewController {
public:
    SamplesList() {
        setTitle(QStringLiteral("控件"));
        tabBarItem()->setTitle(QStringLiteral("控件"));
    }
    int numberOfRowsInSection(ui::TableView&, int) override { return int(titles().size()); }
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView&,
                                                             const ui::IndexPath& path) override {
        auto cell = std::make_shared<ui::TableViewCell>();
        cell->setAccessoryType(ui::TableViewCellAccessoryType::DisclosureIndicator);
        cell->textLabel()->setText(titles()[path.row]);
        return cell;
    }
    void didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) override {
        table.deselectRowAtIndexPath(path, false);
        std::shared_ptr<ui::ViewController> screen;
        switch (path.row) {
            case 0:
                screen = std::make_shared<CarouselSample>();
                break;
            case 1:
                screen = std::make_shared<RefreshSample>();
                break;
            case 2:
                screen = std::make_shared<SheetSample>();
                break;
            case 3:
                screen = std::make_shared<AlertSample>();
                break;
            case 4:
                screen = std::make_shared<IconMenuSample>();
                break;
            case 5:
                screen = std::make_shared<InputSample>();
                break;
            default:
                screen = std::make_shared<SliderSample>();
                break;
        }
        if (auto* navigation = navigationController()) navigation->pushViewController(screen, true);
    }

private:
    static const QStringList& titles() {
        static const QStringList names{"轮播图",   "下拉刷新", "弹出层", "提示框",
                                       "图标菜单", "输入框",   "滑块"};
        return names;
    }
};

}  // namespace

std::shared_ptr<ui::ViewController> WidgetSamples::samplesList() {
    return std::make_shared<SamplesList>();
}

std::shared_ptr<ui::Window> WidgetSamples::sampleWindow() {
    return ui::SampleWindow::create({samplesList()});
}
