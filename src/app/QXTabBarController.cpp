#include "app/QXTabBarController.h"

#include <functional>

#include "app/QXUIViewController.h"
#include "app/QXUtil.h"
#include "app/statistics/StatisticsEventIds.h"
#include "app/statistics/StatisticsForAnalytics.h"
#include "platform/foundation/user_defaults.h"
#include "platform/uikit/animation_block.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/layer.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/tab_bar.h"

namespace {

struct TabLook {
    const char* image;
    const char* selectedImage;
    StatisticsEventIds::Index event;
};
const TabLook kTabs[4] = {
    {"首页", "首页点击", StatisticsEventIds::kHomeShow},
    {"沟通", "沟通点击", StatisticsEventIds::kCommunicateShow},
    {"看房记", "看房记点击", StatisticsEventIds::kHousesRecordShow},
    {"个人中心", "个人中心点击", StatisticsEventIds::kMeShow},
};

// The platform tab bar of the shell: it stays hidden whatever it is told, and hands what a
// navigation stack asks of it (hide while a screen that hides the bottom bar is pushed, show
// again) on to the custom bar, so that screens of any class fade the custom bar alike.
class QXHiddenTabBar : public ui::TabBar {
public:
    explicit QXHiddenTabBar(std::function<void(bool hidden)> asked) : asked_(std::move(asked)) {}
    void setHidden(bool hidden) override {
        ui::TabBar::setHidden(true);
        if (asked_) asked_(hidden);
    }
    void hideQuietly() { ui::TabBar::setHidden(true); }

private:
    std::function<void(bool hidden)> asked_;
};

}  // namespace

QXTabBarController::QXTabBarController()
    : ui::TabBarController([this] {
          return std::make_shared<QXHiddenTabBar>([this](bool hidden) {
              if (!tabCellView_) return;
              if (hidden) {
                  removeAllView();
              } else {
                  showAllview();
              }
          });
      }) {}

QXTabBarController::~QXTabBarController() = default;

void QXTabBarController::viewDidLoad() {
    ui::TabBarController::viewDidLoad();
    view()->setBackgroundColor(ui::Color::colorWithRed(0.92, 0.92, 0.92));
    auto& center = ns::NotificationCenter::defaultCenter();
    auto observe = [&](const QString& name, void (QXTabBarController::*method)()) {
        observations_.push_back(
            center.addObserver(name, [weak = std::weak_ptr<ui::Responder>(shared_from_this()),
                                      method](const ns::Notification&) {
                if (auto self = std::static_pointer_cast<QXTabBarController>(weak.lock())) {
                    ((*self).*method)();
                }
            }));
    };
    observe(kQXHideTableBarNotification, &QXTabBarController::removeAllView);
    observe(kQXShowTableBarNotification, &QXTabBarController::showAllview);
    observe(QStringLiteral("resetQXHideTableBar"), &QXTabBarController::reshowAllview);
    observe(QStringLiteral("tabBarSelected3"), &QXTabBarController::tabBarSelected3);
    observe(QStringLiteral("AddTableBarFrame"), &QXTabBarController::addFrame);
    observe(QStringLiteral("SubTableBarFrame"), &QXTabBarController::subFrame);
    observe(QStringLiteral("TabBarHidePushCount"), &QXTabBarController::TabBarHidePushCount);
    hideTabBar();
    addCustomElements();

    // The unread-chat badge inside the chat button, hidden until there is something unread.
    iconImageView_ = std::make_shared<ui::ImageView>(ui::Rect(50, 2, 22, 22));
    iconImageView_->setImage(
        QXUtil::setImageStretchImage(ui::Image::imageNamed(QStringLiteral("提示圈.png"))));
    iconImageView_->setClipsToBounds(true);
    iconImageView_->layer()->setCornerRadius(1);
    iconLabel_ = std::make_shared<ui::Label>(ui::Rect(50, 0, 20, 20));
    iconLabel_->setFont(ui::Font::systemFontOfSize(14));
    iconLabel_->setBackgroundColor(ui::Color::clearColor());
    iconLabel_->setTextColor(ui::Color::whiteColor());
    iconLabel_->setTextAlignment(ui::TextAlignment::Center);
    buttons_[1]->addSubview(iconImageView_);
    buttons_[1]->addSubview(iconLabel_);
    iconImageView_->setHidden(true);
    iconLabel_->setHidden(true);
}

void QXTabBarController::hideTabBar() {
    for (const auto& subview : view()->subviews()) {
        if (auto* bar = dynamic_cast<QXHiddenTabBar*>(subview.get())) {
            bar->hideQuietly();
            return;
        }
    }
}

void QXTabBarController::addCustomElements() {
    const double screenHeight = ui::Screen::mainScreen().bounds().height();
    tabCellView_ =
        std::make_shared<ui::View>(ui::Rect(0, screenHeight - kBarHeight, 320, kBarHeight));
    tabCellView_->setBackgroundColor(ui::Color::clearColor());
    view()->addSubview(tabCellView_);

    barbg_ = std::make_shared<ui::ImageView>(ui::Rect(0, 0, 320, kBarHeight));
    barbg_->setImage(QXUtil::getImagePingPu(ui::Image::imageNamed(QStringLiteral("底部tabBG"))));
    tabCellView_->addSubview(barbg_);

    // The notice badge sits on the bar below the buttons.
    pushCountImg_ = std::make_shared<ui::ImageView>(ui::Rect(50, 5, 30, 20));
    pushCountImg_->setImage(ui::Image::imageNamed(QStringLiteral("im消息提示")));
    pushCountImg_->setClipsToBounds(true);
    pushCountImg_->layer()->setCornerRadius(15);
    btn4Lable_ = std::make_shared<ui::Label>(ui::Rect(0, 0, 30, 20));
    btn4Lable_->setFont(ui::Font::boldSystemFontOfSize(12));
    btn4Lable_->setTextColor(ui::Color::whiteColor());
    btn4Lable_->setBackgroundColor(ui::Color::clearColor());
    btn4Lable_->setTextAlignment(ui::TextAlignment::Center);
    pushCountImg_->addSubview(btn4Lable_);
    tabCellView_->addSubview(pushCountImg_);

    for (std::size_t i = 0; i < 4; ++i) {
        auto button = std::make_shared<ui::Button>(
            ui::Rect(double(i) * kButtonWidth, 3, kButtonWidth, kButtonHeight));
        button->setExclusiveTouch(true);
        button->setTag(int(i));
        const auto image = ui::Image::imageNamed(QString::fromUtf8(kTabs[i].image));
        button->setImage(image, ui::kControlStateNormal);
        button->setImage(image, ui::kControlStateHighlighted);
        button->setImage(ui::Image::imageNamed(QString::fromUtf8(kTabs[i].selectedImage)),
                         ui::kControlStateSelected);
        button->setAccessibilityLabel(QString::fromUtf8(kTabs[i].image));
        button->addTarget(this, ui::kControlEventTouchUpInside,
                          [this](ui::Control& sender, const ui::Event*) {
                              buttonClicked(static_cast<ui::Button&>(sender));
                          });
        tabCellView_->addSubview(button);
        buttons_[i] = std::move(button);
    }
    buttons_[0]->setSelected(true);
    TabBarHidePushCount();
}

ui::Button* QXTabBarController::button(std::size_t index) const {
    return index < buttons_.size() ? buttons_[index].get() : nullptr;
}

void QXTabBarController::buttonClicked(ui::Button& button) {
    setSelectedIndex(std::size_t(button.tag()));
}

void QXTabBarController::setSelectedIndex(std::size_t index) {
    if (index == selectedIndex()) {
        if (auto* stack = dynamic_cast<ui::NavigationController*>(selectedViewController().get())) {
            stack->popToRootViewControllerAnimated(true);
        }
        return;
    }
    if (index < 4) {
        for (std::size_t i = 0; i < 4; ++i) {
            if (buttons_[i]) buttons_[i]->setSelected(i == index);
        }
        StatisticsForAnalytics::event(StatisticsEventIds::at(kTabs[index].event));
    }
    ui::TabBarController::setSelectedIndex(index);
}

void QXTabBarController::addUnReadIconWithNumber(int number) {
    if (!iconLabel_) return;
    iconLabel_->setText(QString::number(number));
    const double width = number < 10 ? 22 : 30.5;
    iconImageView_->setFrame(ui::Rect(51, 0, width, 22));
    iconLabel_->setFrame(ui::Rect(51, -1, width, 22));
    if (iconLabel_->text().toInt() >= 100) iconLabel_->setText(QStringLiteral("99+"));
    if (number != 0) {
        iconImageView_->setHidden(false);
        iconLabel_->setHidden(false);
        if (iconImageView_->superview() != buttons_[1].get()) {
            buttons_[1]->addSubview(iconImageView_);
            buttons_[1]->addSubview(iconLabel_);
        }
    } else {
        iconImageView_->setHidden(true);
        iconLabel_->setHidden(true);
    }
}

void QXTabBarController::removeAllView() {
    hideTabBar();
    if (!tabCellView_) return;
    ui::View::animateWithDuration(kFadeOut, 0, ui::kViewAnimationOptionCurveEaseIn,
                                  [this] { tabCellView_->setAlpha(0); });
}

void QXTabBarController::showAllview() {
    hideTabBar();
    if (!tabCellView_) return;
    // At once, even in the middle of a fade out (a screen popped right after its push).
    tabCellView_->layer()->removeAnimationForKey(QStringLiteral("opacity"));
    tabCellView_->setAlpha(1);
}

void QXTabBarController::TabBarHidePushCount() {
    if (!pushCountImg_) return;
    auto& defaults = ns::UserDefaults::standardUserDefaults();
    const qint64 total = defaults.integerForKey(QStringLiteral("TongZhiNoReadNum")) +
                         defaults.integerForKey(QStringLiteral("ImNoReadNum"));
    if (total <= 0) {
        pushCountImg_->setHidden(true);
        btn4Lable_->setHidden(true);
        return;
    }
    pushCountImg_->setHidden(false);
    btn4Lable_->setHidden(false);
    if (total < 100) {
        pushCountImg_->setFrame(ui::Rect(50, 5, 30, 20));
        btn4Lable_->setFrame(ui::Rect(0, 0, 30, 20));
        btn4Lable_->setText(QString::number(total));
        if (total < 10) {
            pushCountImg_->setImage(ui::Image::imageNamed(QStringLiteral("提示圈.png")));
            pushCountImg_->layer()->setCornerRadius(12);
        } else {
            pushCountImg_->setImage(
                QXUtil::setImageStretchImage(ui::Image::imageNamed(QStringLiteral("提示圈.png"))));
            pushCountImg_->layer()->setCornerRadius(4);
        }
    } else {
        btn4Lable_->setText(QStringLiteral("99+"));
        pushCountImg_->setFrame(ui::Rect(50, 5, 35, 20));
        btn4Lable_->setFrame(ui::Rect(0, 0, 35, 22));
    }
}

void QXTabBarController::addFrame() {
    if (!tabCellView_) return;
    ui::Rect frame = tabCellView_->frame();
    frame.origin.y -= 20;
    tabCellView_->setFrame(frame);
}

void QXTabBarController::subFrame() {
    if (!tabCellView_) return;
    ui::Rect frame = tabCellView_->frame();
    frame.origin.y += 20;
    tabCellView_->setFrame(frame);
}

void QXTabBarController::tabBarSelected3() {
    if (buttons_[2]) buttonClicked(*buttons_[2]);
    setSelectedIndex(3);
}
