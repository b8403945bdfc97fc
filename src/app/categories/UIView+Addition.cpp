#include "app/categories/UIView+Addition.h"

#include "platform/uikit/animation.h"
#include "platform/uikit/bezier_path.h"
#include "platform/uikit/font.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/layer.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/string_drawing.h"
#include "platform/uikit/view.h"
#include "ui/widgets/FloatView.h"

#include <cmath>

namespace UIViewAddition {

namespace {
// Changes the view's frame by `edit`.
template <class Edit>
void editFrame(ui::View& view, Edit edit) {
    ui::Rect frame = view.frame();
    edit(frame);
    view.setFrame(frame);
}
}  // namespace

double left(const ui::View& view) {
    return view.frame().origin.x;
}
void setLeft(ui::View& view, double x) {
    editFrame(view, [x](ui::Rect& f) { f.origin.x = x; });
}
double top(const ui::View& view) {
    return view.frame().origin.y;
}
void setTop(ui::View& view, double y) {
    editFrame(view, [y](ui::Rect& f) { f.origin.y = y; });
}
double right(const ui::View& view) {
    return view.frame().origin.x + view.frame().size.width;
}
void setRight(ui::View& view, double right) {
    editFrame(view, [right](ui::Rect& f) { f.origin.x = right - f.size.width; });
}
double bottom(const ui::View& view) {
    return view.frame().origin.y + view.frame().size.height;
}
void setBottom(ui::View& view, double bottom) {
    editFrame(view, [bottom](ui::Rect& f) { f.origin.y = bottom - f.size.height; });
}
double centerX(const ui::View& view) {
    return view.center().x;
}
void setCenterX(ui::View& view, double x) {
    view.setCenter(ui::Point(x, view.center().y));
}
double centerY(const ui::View& view) {
    return view.center().y;
}
void setCenterY(ui::View& view, double y) {
    view.setCenter(ui::Point(view.center().x, y));
}
double width(const ui::View& view) {
    return view.frame().size.width;
}
void setWidth(ui::View& view, double width) {
    editFrame(view, [width](ui::Rect& f) { f.size.width = width; });
}
double height(const ui::View& view) {
    return view.frame().size.height;
}
void setHeight(ui::View& view, double height) {
    editFrame(view, [height](ui::Rect& f) { f.size.height = height; });
}
ui::Point origin(const ui::View& view) {
    return view.frame().origin;
}
void setOrigin(ui::View& view, ui::Point origin) {
    editFrame(view, [origin](ui::Rect& f) { f.origin = origin; });
}
ui::Size size(const ui::View& view) {
    return view.frame().size;
}
void setSize(ui::View& view, ui::Size size) {
    editFrame(view, [size](ui::Rect& f) { f.size = size; });
}

void removeAllSubviews(ui::View& view) {
    while (!view.subviews().empty()) {
        const std::shared_ptr<ui::View> last = view.subviews().back();
        if (auto* image = dynamic_cast<ui::ImageView*>(last.get())) image->setImage(nullptr);
        last->removeFromSuperview();
    }
}

void showFloatMessgeZP(ui::View& view, const QString& message) {
    FloatView::showMessage(view, message);
}

void hideShadow(ui::View& view) {
    view.layer()->setShadowColor(ui::Color::clearColor());
}

void shadow(ui::View& view, const ui::Color& color, ui::Size offset, double radius,
            double opacity) {
    ui::Layer& layer = *view.layer();
    layer.setShadowColor(color);
    layer.setShadowOffset(offset);
    layer.setShadowRadius(radius);
    layer.setShadowOpacity(opacity);
    layer.setShadowPath(ui::BezierPath::bezierPathWithRect(view.bounds()));
}

void cornerRadius(ui::View& view, double radius, double borderWidth, const ui::Color& borderColor) {
    ui::Layer& layer = *view.layer();
    layer.setMasksToBounds(true);
    layer.setCornerRadius(radius);
    layer.setBorderWidth(borderWidth);
    layer.setBorderColor(borderColor);
}

void shadowWithCorner(ui::View& view, const ui::Color& color, ui::Size offset, double radius,
                      double opacity, double cornerRadiusValue, double borderWidth,
                      const ui::Color& borderColor) {
    shadow(view, color, offset, radius, opacity);
    // No clipping, so that the shadow stays visible.
    ui::Layer& layer = *view.layer();
    layer.setCornerRadius(cornerRadiusValue);
    layer.setBorderWidth(borderWidth);
    layer.setBorderColor(borderColor);
}

void shake(ui::View& view) {
    const ui::Point c = view.layer()->position();
    const double offsets[] = {0, -5, 5, 0, -5, 5, 0, -5, 5, 0};
    std::vector<ui::AnimationValue> values;
    std::vector<double> times;
    for (int i = 0; i < 10; ++i) {
        values.emplace_back(ui::Point(c.x + offsets[i], c.y));
        times.push_back(0.1 * (i + 1));
    }
    auto animation = ui::KeyframeAnimation::animationWithKeyPath(QStringLiteral("position"));
    animation->setValues(std::move(values));
    animation->setKeyTimes(std::move(times));
    animation->setDuration(0.5);
    view.layer()->addAnimation(animation, QStringLiteral("TextAnim"));
}

void doHide(ui::View& view) {
    view.setHidden(true);
}

}  // namespace UIViewAddition
