#include "app/QXNewGuidView.h"

#include "app/guide/QXNewGuidViewItem1.h"
#include "app/guide/QXNewGuidViewItem2.h"
#include "app/guide/QXNewGuidViewItem3.h"
#include "platform/foundation/main_queue.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/screen.h"

namespace {

bool tallScreen() {
    return ui::Screen::mainScreen().bounds().size.height == 568;
}

// A row of the guide's tables: past `y` the page gets the operation.
struct Threshold {
    double y;
    int page;
    bool text;
};
// Scrolling down, in the order the rows are taken.
constexpr Threshold kShow[] = {{170, 1, false}, {270, 1, true},  {550, 2, false},
                               {600, 2, true},  {950, 3, false}, {980, 3, true}};
// Scrolling up: page 1's pictures go only below 130, so they keep their state in between.
constexpr Threshold kRevert[] = {{130, 1, false}, {270, 1, true},  {550, 2, false},
                                 {600, 2, true},  {950, 3, false}, {980, 3, true}};

std::shared_ptr<ui::ImageView> pictureAtOwnSize(const QString& name) {
    return std::make_shared<ui::ImageView>(ui::Image::imageNamed(name));
}

}  // namespace

std::shared_ptr<QXNewGuidView> QXNewGuidView::create(const ui::Rect& frame) {
    auto guide = std::make_shared<QXNewGuidView>(frame);
    guide->mainScroll_->setDelegate(guide->weakAs<QXNewGuidView>());
    return guide;
}

QXNewGuidView::QXNewGuidView(const ui::Rect& frame) : ui::View(frame) {
    setupScrollView(frame);
    setupGoToHomeButton();
    setBackgroundColor(ui::Color::rgb(242, 242, 242));
}

void QXNewGuidView::setupScrollView(const ui::Rect& frame) {
    const bool tall = tallScreen();
    const double width = ui::Screen::mainScreen().bounds().size.width;
    mainScroll_ = std::make_shared<ui::ScrollView>(ui::Rect(0, 0, width, frame.size.height - 50));
    mainScroll_->setBounces(false);
    const double scrollHeight = mainScroll_->frame().size.height;
    const double contentHeight = 3 * scrollHeight + (tall ? 150 : 300);
    mainScroll_->setContentSize({width, contentHeight});

    auto headline = pictureAtOwnSize(QStringLiteral("字.png"));
    headline->setCenter({width / 2, 90 + headline->frame().size.height / 2});
    mainScroll_->addSubview(headline);
    auto first = QXNewGuidViewItem::halfSizeImageView(QStringLiteral("01.png"));
    first->setCenter({width / 2, scrollHeight / 2 + 32});
    mainScroll_->addSubview(first);
    auto hint = pictureAtOwnSize(QStringLiteral("上滑icon.png"));
    const double hintHeight = hint->frame().size.height;
    hint->setCenter({width / 2, scrollHeight - hintHeight - 10});
    mainScroll_->addSubview(hint);
    const double hintBottom = hint->frame().origin.y + hintHeight;
    auto trail = pictureAtOwnSize(QStringLiteral("背景点.png"));
    const double trailWidth = trail->frame().size.width;
    trail->setFrame(ui::Rect(width / 2 - trailWidth / 2, hintBottom + 30, trailWidth,
                             contentHeight - (tall ? 80 : 60) - hintBottom));
    mainScroll_->addSubview(trail);

    const double base = tall ? 180 : 100;
    guidItemView1_ = QXNewGuidViewItem1::create(ui::Rect(0, base + 344, width, 380));
    guidItemView2_ = QXNewGuidViewItem2::create(ui::Rect(0, base + 739, width, 352));
    guidItemView3_ = QXNewGuidViewItem3::create(ui::Rect(0, base + 1071, width, tall ? 627 : 559));
    mainScroll_->addSubview(guidItemView1_);
    mainScroll_->addSubview(guidItemView2_);
    mainScroll_->addSubview(guidItemView3_);
    addSubview(mainScroll_);
}

void QXNewGuidView::setupGoToHomeButton() {
    auto start = std::make_shared<ui::Button>(ui::Rect(25, frame().size.height - 68, 270, 44));
    for (const auto& [name, state] :
         {std::pair{"开始button.png", ui::kControlStateNormal},
          std::pair{"开始button点击.png", ui::kControlStateHighlighted}}) {
        if (auto image = ui::Image::imageNamed(QString::fromUtf8(name))) {
            start->setBackgroundImage(image->stretchableImageWithLeftCapWidth(25, 0), state);
        }
    }
    start->setTitle(QStringLiteral("开始找房"), ui::kControlStateNormal);
    start->setTitleColor(ui::Color::rgb(83, 188, 44), ui::kControlStateNormal);
    start->setFont(ui::Font::systemFontOfSize(18));
    start->addTarget(this, ui::kControlEventTouchUpInside, [this](ui::Control&, const ui::Event*) {
        // The guide goes after the tap is over: removing it drops the button
        // that is still reporting the tap.
        ns::MainQueue::post([weak = weakAs<QXNewGuidView>()] {
            if (auto self = weak.lock()) self->goToClose();
        });
    });
    addSubview(start);
}

void QXNewGuidView::goToClose() {
    removeFromSuperview();
}

QXNewGuidViewItem& QXNewGuidView::page(int index) const {
    if (index == 1) return *guidItemView1_;
    if (index == 2) return *guidItemView2_;
    return *guidItemView3_;
}

void QXNewGuidView::scrollViewDidScroll(ui::ScrollView& scrollView) {
    const double y = scrollView.contentOffset().y;
    const double old = lastOffsetY_;
    lastOffsetY_ = y;
    contentOffsetChanged(y, old);
}

void QXNewGuidView::contentOffsetChanged(double newY, double oldY) {
    if (newY == oldY) return;
    if (newY > oldY) {
        for (const Threshold& row : kShow) {
            if (newY <= row.y) continue;
            QXNewGuidViewItem& item = page(row.page);
            if (row.text) {
                if (!item.isPlayTextAnimation() && !item.isTextShow()) item.showTextAnimation();
            } else if (!item.isPlayAnimation() && !item.isShow()) {
                item.showAnimation();
            }
        }
        return;
    }
    for (const Threshold& row : kRevert) {
        if (newY >= row.y) continue;
        QXNewGuidViewItem& item = page(row.page);
        if (row.text) {
            if (!item.isPlayTextAnimation() && item.isTextShow()) item.showTextRevertAnimation();
        } else if (!item.isPlayRevertAnimation() && item.isShow()) {
            item.showRevertAnimation();
        }
    }
}
