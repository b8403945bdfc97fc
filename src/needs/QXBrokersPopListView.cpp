#include "needs/QXBrokersPopListView.h"

#include "needs/QXAgentIconView.h"

#include "IMChat/qximlib/QXIMDatabase.h"
#include "chat/QXBrokerItem.h"
#include "chat/QXChatListController.h"
#include "chat/QXMessageController.h"
#include "houses/shared/HousesHost.h"
#include "ui/navigation/DragBackSwitch.h"
#include "ui/widgets/LineImageView.h"
#include "util/TextChecks.h"

#include "platform/foundation/notification_center.h"
#include "platform/foundation/user_defaults.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/scroll_view.h"
#include "platform/uikit/tab_bar_controller.h"
#include "platform/uikit/window.h"
#include "platform/uikit/window_overlays.h"

namespace {

constexpr double kClosedScale = 0.1;
constexpr int kAvatarCut = 65;
constexpr double kNoBrokerPicture = 128;

std::shared_ptr<QXBrokersPopListView>& lastPopUp() {
    static std::shared_ptr<QXBrokersPopListView> popUp;
    return popUp;
}

void setHaveGoneToImPage(bool value) {
    auto& defaults = ns::UserDefaults::standardUserDefaults();
    defaults.setBool(value, QXBrokersPopListView::kHaveGoneToImPage);
    defaults.synchronize();
}

void movePointerBy(ui::View* view, double dy) {
    if (!view) return;
    ui::Rect frame = view->frame();
    frame.origin.y += dy;
    view->setFrame(frame);
}

}  // namespace

ui::Rect QXBrokersPopListView::tileFrame(int index) {
    const int row = index / kTilesPerRow;
    const int column = index % kTilesPerRow;
    return {column * kTileWidth + (column + 1) * kTileGap, row * kTileHeight + 4, kTileWidth,
            kTileHeight};
}

std::shared_ptr<QXBrokersPopListView> QXBrokersPopListView::last() {
    return lastPopUp();
}

ui::NavigationController* QXBrokersPopListView::tabStack() {
    ui::Window* window = ui::Window::keyWindow();
    if (!window || !window->rootViewController()) return nullptr;
    auto* tabs = dynamic_cast<ui::TabBarController*>(window->rootViewController().get());
    if (!tabs) return dynamic_cast<ui::NavigationController*>(window->rootViewController().get());
    return dynamic_cast<ui::NavigationController*>(tabs->selectedViewController().get());
}

void QXBrokersPopListView::setDragBack(bool enabled) {
    HousesHost::shared()->setDragBackGesture(enabled);
    if (auto* stack = dynamic_cast<DragBackSwitch*>(tabStack())) stack->setCanDragBack(enabled);
}

std::shared_ptr<QXBrokersPopListView> QXBrokersPopListView::showWithAgentArray(
    const QVariantList& talkRows) {
    setHaveGoneToImPage(false);
    ui::NavigationController* stack = tabStack();
    if (!stack) return nullptr;
    setDragBack(false);
    auto popUp = std::make_shared<QXBrokersPopListView>(ui::Screen::mainScreen().bounds());
    popUp->setMutableArray(talkRows);
    if (talkRows.isEmpty()) popUp->noBrokerReplyingNeed();
    popUp->coverWindowOf(*stack);
    lastPopUp() = popUp;
    popUp->slide(-popUp->animationMainView_->frame().height());
    return popUp;
}

void QXBrokersPopListView::showNewReplyedBrokers(const QVariantList& talkRows) {
    if (const auto popUp = lastPopUp()) popUp->appendBrokers(talkRows);
}

void QXBrokersPopListView::hideBrokersPopListView() {
    if (const auto popUp = lastPopUp()) popUp->onClose();
}

void QXBrokersPopListView::showAgainWithoutAnimation() {
    ui::NavigationController* stack = tabStack();
    if (!stack) return;
    setDragBack(false);
    coverWindowOf(*stack);
    setHidden(false);
}

bool QXBrokersPopListView::isShowing() const {
    return window() && !isHidden();
}

void QXBrokersPopListView::coverWindowOf(ui::NavigationController& stack) {
    // Over the whole window, in front of its screens and below its alerts: the stack keeps
    // its own bar above the views it holds, and a screen presented over the tab shell puts
    // the shell back in front of the window's other views when it goes.
    ui::View* window = stack.view()->window();
    if (window) {
        ui::WindowOverlays::insertScreen(*window, sharedView());
    } else {
        stack.view()->addSubview(sharedView());
    }
}

QXBrokersPopListView::QXBrokersPopListView(const ui::Rect& frame) : ui::View(frame) {
    setBackgroundColor(ui::Color::clearColor());
    auto strip = std::make_shared<ui::View>(ui::Rect(0, 0, 320, kStripHeight));
    strip->setBackgroundColor(ui::Color::blackColor());
    strip->setAlpha(0.5);
    addSubview(strip);

    closeBtn_ = ui::Button::buttonWithType(ui::ButtonType::Custom);
    closeBtn_->setFrame(ui::Rect(10, 23, 34, 34));
    closeBtn_->setTransform(ui::AffineTransform::makeScale(kClosedScale, kClosedScale));
    closeBtn_->setBackgroundImage(ui::Image::imageNamed(QStringLiteral("经纪人关闭")),
                                  ui::kControlStateNormal);
    closeBtn_->setBackgroundImage(ui::Image::imageNamed(QStringLiteral("经纪人关闭点击")),
                                  ui::kControlStateHighlighted);
    closeBtn_->addTarget(this, ui::kControlEventTouchUpInside,
                         [this](ui::Control&, const ui::Event*) { onClose(); });
    addSubview(closeBtn_);

    const double panelHeight = frame.height() - kStripHeight;
    animationMainView_ =
        std::make_shared<ui::View>(ui::Rect(0, kStripHeight, frame.width(), panelHeight));
    animationMainView_->setBackgroundColor(ui::Color::clearColor());
    movePointerBy(animationMainView_.get(), panelHeight);
    addSubview(animationMainView_);

    auto band = std::make_shared<ui::View>(ui::Rect(0, 0, 320, kTitleHeight));
    band->setBackgroundColor(ui::Color::whiteColor());
    titleLbl_ = std::make_shared<ui::Label>(ui::Rect(0, (kTitleHeight - 20) / 2, 320, 20));
    titleLbl_->setBackgroundColor(ui::Color::whiteColor());
    titleLbl_->setTextColor(ui::Color::rgb(64, 64, 64));
    titleLbl_->setFont(ui::Font::systemFontOfSize(14));
    titleLbl_->setTextAlignment(ui::TextAlignment::Center);
    band->addSubview(titleLbl_);
    band->addSubview(lineImageViewWithFrame(ui::Rect(10, kTitleHeight - 1, 300, 1)));
    animationMainView_->addSubview(band);

    mainScrollView_ = std::make_shared<ui::ScrollView>(
        ui::Rect(0, kTitleHeight, frame.width(), panelHeight - kTitleHeight));
    mainScrollView_->setBackgroundColor(ui::Color::whiteColor());
    mainScrollView_->setContentSize(ui::Screen::mainScreen().bounds().size);
    mainScrollView_->setScrollEnabled(false);
    animationMainView_->addSubview(mainScrollView_);
}

void QXBrokersPopListView::setMutableArray(const QVariantList& rows) {
    mutableArray_ = rows;
    needsTiles_ = true;
    setNeedsLayout();
}

void QXBrokersPopListView::noBrokerReplyingNeed() {
    const double height = frame().height() - kStripHeight;
    noBrokerReplyingView_ =
        std::make_shared<ui::View>(ui::Rect(0, kStripHeight, frame().width(), height));
    noBrokerReplyingView_->setBackgroundColor(ui::Color::whiteColor());
    movePointerBy(noBrokerReplyingView_.get(), height);
    auto picture =
        std::make_shared<ui::ImageView>(ui::Rect(0, 0, kNoBrokerPicture, kNoBrokerPicture));
    picture->setImage(ui::Image::imageNamed(QStringLiteral("没有经纪人")));
    picture->setCenter(
        ui::Point(frame().width() / 2, (height - kNoBrokerPicture - 15 - 5) * 0.5 + 64));
    noBrokerReplyingView_->addSubview(picture);
    auto text = std::make_shared<ui::Label>(
        ui::Rect(0, picture->frame().maxY() + 5, ui::Screen::mainScreen().bounds().width(), 15));
    text->setBackgroundColor(ui::Color::clearColor());
    text->setTextColor(ui::Color::rgb(64, 64, 64));
    text->setTextAlignment(ui::TextAlignment::Center);
    text->setFont(ui::Font::systemFontOfSize(14));
    text->setText(QStringLiteral("暂无经纪人应答您的需求"));
    noBrokerReplyingView_->addSubview(text);
    addSubview(noBrokerReplyingView_);
}

void QXBrokersPopListView::setTitleCount(int count) {
    titleLbl_->setText(QStringLiteral("已有%1位经纪人应答").arg(count));
}

void QXBrokersPopListView::updateScrolling() {
    if (mutableArray_.size() < kScrollingCount) return;
    mainScrollView_->setScrollEnabled(true);
    const int rows = int((mutableArray_.size() + kTilesPerRow - 1) / kTilesPerRow);
    mainScrollView_->setContentSize(
        ui::Size(mainScrollView_->frame().width(), rows * kTileHeight + 8));
}

void QXBrokersPopListView::layoutSubviews() {
    ui::View::layoutSubviews();
    setTitleCount(int(mutableArray_.size()));
    if (!needsTiles_) return;
    // A pass places every tile afresh, so a list set again never doubles its tiles.
    needsTiles_ = false;
    for (const auto& tile : mainScrollView_->subviews()) {
        if (dynamic_cast<QXAgentIconView*>(tile.get())) tile->removeFromSuperview();
    }
    for (int k = 0; k < int(mutableArray_.size()); ++k) addTile(k, mutableArray_[k].toMap());
    updateScrolling();
}

void QXBrokersPopListView::addTile(int index, const QVariantMap& talkRow) {
    auto tile = std::make_shared<QXAgentIconView>(tileFrame(index));
    const auto broker = QXBrokerItem::loadSuccessDataAboutBrokerDic(talkRow);
    tile->agentNameLabel()->setText(broker->BrokerNameString);
    tile->agentCompanyName()->setText(broker->BrokerCompanyName);
    URLPic* picture = tile->agentImage();
    picture->setDelegate(std::static_pointer_cast<URLPicDelegate>(
        std::static_pointer_cast<QXBrokersPopListView>(shared_from_this())));
    picture->setTag(index);
    const auto placeholder = ui::Image::imageNamed(QStringLiteral("默认头像"));
    picture->setImage(placeholder);
    if (!broker->BrokerImageUrl.isEmpty()) {
        picture->setDefaultImage(placeholder);
        picture->setFailureImage(placeholder);
        picture->requestURL(
            TextChecks::clipedImageURLString(broker->BrokerImageUrl, kAvatarCut, kAvatarCut));
    }
    mainScrollView_->addSubview(tile);
}

void QXBrokersPopListView::appendBrokers(const QVariantList& talkRows) {
    if (noBrokerReplyingView_) {
        noBrokerReplyingView_->removeFromSuperview();
        noBrokerReplyingView_.reset();
    }
    const int first = int(mutableArray_.size());
    setTitleCount(first + int(talkRows.size()));
    for (int k = 0; k < int(talkRows.size()); ++k) addTile(first + k, talkRows[k].toMap());
    mutableArray_ += talkRows;
    updateScrolling();
}

void QXBrokersPopListView::slide(double by) {
    const std::weak_ptr<QXBrokersPopListView> weak =
        std::static_pointer_cast<QXBrokersPopListView>(shared_from_this());
    const bool opening = by < 0;
    ui::View::animateWithDuration(
        kSlideDuration,
        [this, opening] {
            movePointerBy(animationMainView_.get(), opening ? -animationMainView_->frame().height()
                                                            : animationMainView_->frame().height());
            if (noBrokerReplyingView_) {
                movePointerBy(noBrokerReplyingView_.get(),
                              opening ? -noBrokerReplyingView_->frame().height()
                                      : noBrokerReplyingView_->frame().height());
            }
            if (opening) closeBtn_->setTransform(ui::AffineTransform());
        },
        [weak, opening](bool) {
            const auto self = weak.lock();
            if (!self || opening) return;
            self->removeFromSuperview();
            setDragBack(true);
        });
}

void QXBrokersPopListView::onClose() {
    slide(1);
}

void QXBrokersPopListView::urlPictureSingleTapped(URLPic& picture) {
    ui::NavigationController* stack = tabStack();
    if (!stack) return;
    if (dynamic_cast<QXMessageController*>(stack->visibleViewController().get())) return;
    const int index = picture.tag();
    if (index < 0 || index >= int(mutableArray_.size())) return;
    setHidden(true);
    setDragBack(true);
    setHaveGoneToImPage(true);
    const QVariantMap talkRow = mutableArray_[index].toMap();
    QXIMDatabase::shared().saveTalkInfoAndClearRead(
        talkRow.value(QStringLiteral("_id")).toLongLong());
    ns::NotificationCenter::defaultCenter().post(
        ns::Notification{.name = QXChatListController::kRefreshIconNotification});
    auto chat = std::make_shared<QXMessageController>(talkRow);
    chat->setTitle(QXBrokerItem(talkRow).BrokerNameString);
    stack->pushViewController(chat, true);
}
