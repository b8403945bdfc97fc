#include "ui/widgets/PRRefreshHeaderView.h"

#include "platform/foundation/clock.h"
#include "platform/foundation/user_defaults.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/scroll_view.h"

#include <numbers>

namespace {

const QString kIdleText = QStringLiteral("下拉可以刷新");
const QString kHeaderPullingText = QStringLiteral("松开立即刷新");
const QString kRefreshingText = QStringLiteral("正在刷新数据...");

}  // namespace

std::shared_ptr<PRRefreshHeaderView> PRRefreshHeaderView::header() {
    return std::make_shared<PRRefreshHeaderView>();
}

PRRefreshHeaderView::PRRefreshHeaderView() {
    statusLabel()->setText(kIdleText);
}

void PRRefreshHeaderView::setScrollView(const std::shared_ptr<ui::ScrollView>& scrollView) {
    PRRefreshBaseView::setScrollView(scrollView);
    if (!scrollView) return;
    setFrame({0, -kViewHeight, scrollView->frame().size.width, kViewHeight});
    setLastUpdateTime(
        ns::UserDefaults::standardUserDefaults().objectForKey(kLastUpdateTimeKey).toDateTime());
}

void PRRefreshHeaderView::setLastUpdateTime(const QDateTime& time) {
    lastUpdateTime_ = time;
    auto& defaults = ns::UserDefaults::standardUserDefaults();
    defaults.setObject(time.isValid() ? QVariant(time) : QVariant(), kLastUpdateTimeKey);
    defaults.synchronize();
    updateTimeLabel();
}

void PRRefreshHeaderView::updateTimeLabel() {
    if (!lastUpdateTime_.isValid() || !lastUpdateTimeLabel()) return;
    const QDateTime shown = lastUpdateTime_.toLocalTime();
    const QDateTime now = ns::Clock::shared().currentDateTime().toLocalTime();
    QString format = QStringLiteral("yyyy-MM-dd HH:mm");
    if (shown.date() == now.date()) {
        format = QStringLiteral("今天 HH:mm");
    } else if (shown.date().year() == now.date().year()) {
        format = QStringLiteral("MM-dd HH:mm");
    }
    lastUpdateTimeLabel()->setText(QStringLiteral("最后更新：%1").arg(shown.toString(format)));
}

void PRRefreshHeaderView::setState(PRRefreshState state) {
    const PRRefreshState old = this->state();
    if (state == old) return;
    PRRefreshBaseView::setState(state);
    auto scrollView = this->scrollView();
    ui::EdgeInsets inset = scrollView ? scrollView->contentInset() : ui::EdgeInsets{};
    inset.top = scrollViewInitInset_.top;
    switch (state) {
        case PRRefreshStateRefreshing:
            statusLabel()->setText(kRefreshingText);
            inset.top += kViewHeight;
            animateArrowAndInset(kStateAnimationDuration, ui::AffineTransform::identity(), inset);
            if (scrollView) {
                // The spring-back of the released drag ends here: the header stays in sight.
                scrollView->stopScrolling();
                scrollView->setContentOffset({0, -inset.top});
            }
            break;
        case PRRefreshStatePulling:
            statusLabel()->setText(kHeaderPullingText);
            animateArrowAndInset(kStateAnimationDuration,
                                 ui::AffineTransform::makeRotation(std::numbers::pi), inset);
            break;
        case PRRefreshStateIdle:
            statusLabel()->setText(kIdleText);
            animateArrowAndInset(kStateAnimationDuration, ui::AffineTransform::identity(), inset);
            if (old == PRRefreshStateRefreshing) {
                setLastUpdateTime(ns::Clock::shared().currentDateTime());
            }
            break;
        default:
            break;
    }
}
