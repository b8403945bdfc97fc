#include "map/MapNotices.h"

#include "ui/widgets/FloatView.h"

#include "platform/uikit/alert_view.h"
#include "platform/uikit/window.h"

void MapNotices::showAlert(const QString& message, const QString& title) {
    auto alert = std::make_shared<ui::AlertView>(
        title, message, std::weak_ptr<ui::AlertViewDelegate>(), QStringLiteral("确定"));
    alert->show();
}

void MapNotices::showAutoHide(const QString& message) {
    ui::Window* window = ui::Window::keyWindow();
    if (!window) return;
    const ui::Rect bounds = window->bounds();
    auto notice = FloatView::withMessage(
        {40, bounds.size.height / 2 - 30, bounds.size.width - 80, 60}, message);
    notice->setBackgroundColor(ui::Color::colorWithWhite(0, 0.7));
    window->addSubview(notice);
}
