#include "IMChat/qximlib/qximdata/util/UIView+QXIMAddition.h"

#include "platform/uikit/view.h"

namespace UIViewQXIMAddition {

namespace {

ui::Rect frameOf(const ui::View* view) {
    return view ? view->frame() : ui::Rect();
}

ui::Size superSize(const ui::View& view) {
    return view.superview() ? view.superview()->bounds().size : ui::Size();
}

}  // namespace

double left(const ui::View* view) {
    return frameOf(view).origin.x;
}

void setLeft(ui::View* view, double x) {
    if (view) view->setFrame(rectWithX(view->frame(), x));
}

double top(const ui::View* view) {
    return frameOf(view).origin.y;
}

void setTop(ui::View* view, double y) {
    if (view) view->setFrame(rectWithY(view->frame(), y));
}

double right(const ui::View* view) {
    return left(view) + width(view);
}

void setRight(ui::View* view, double right) {
    setLeft(view, right - width(view));
}

double bottom(const ui::View* view) {
    return top(view) + height(view);
}

void setBottom(ui::View* view, double bottom) {
    setTop(view, bottom - height(view));
}

double centerX(const ui::View* view) {
    return view ? view->center().x : 0;
}

void setCenterX(ui::View* view, double x) {
    if (view) view->setCenter({x, view->center().y});
}

double centerY(const ui::View* view) {
    return view ? view->center().y : 0;
}

void setCenterY(ui::View* view, double y) {
    if (view) view->setCenter({view->center().x, y});
}

double width(const ui::View* view) {
    return frameOf(view).size.width;
}

void setWidth(ui::View* view, double width) {
    if (view) view->setFrame(rectWithWidth(view->frame(), width));
}

double height(const ui::View* view) {
    return frameOf(view).size.height;
}

void setHeight(ui::View* view, double height) {
    if (view) view->setFrame(rectWithHeight(view->frame(), height));
}

ui::Point origin(const ui::View* view) {
    return frameOf(view).origin;
}

void setOrigin(ui::View* view, ui::Point origin) {
    if (view) view->setFrame(rectWithOrigin(view->frame(), origin));
}

ui::Size size(const ui::View* view) {
    return frameOf(view).size;
}

void setSize(ui::View* view, ui::Size size) {
    if (view) view->setFrame({view->frame().origin, size});
}

double rightToSuper(const ui::View* view) {
    return view ? superSize(*view).width - width(view) - left(view) : 0;
}

void setRightToSuper(ui::View* view, double distance) {
    if (view) setLeft(view, superSize(*view).width - width(view) - distance);
}

double bottomToSuper(const ui::View* view) {
    return view ? superSize(*view).height - height(view) - top(view) : 0;
}

void setBottomToSuper(ui::View* view, double distance) {
    if (view) setTop(view, superSize(*view).height - height(view) - distance);
}

ui::Rect rectWithSize(ui::Size size) {
    return {ui::Point(), size};
}

ui::Rect rectWithWidth(const ui::Rect& rect, double width) {
    return {rect.origin, {width, rect.size.height}};
}

ui::Rect rectWithHeight(const ui::Rect& rect, double height) {
    return {rect.origin, {rect.size.width, height}};
}

ui::Rect rectWithOrigin(const ui::Rect& rect, ui::Point origin) {
    return {origin, rect.size};
}

ui::Rect rectWithX(const ui::Rect& rect, double x) {
    return {{x, rect.origin.y}, rect.size};
}

ui::Rect rectWithY(const ui::Rect& rect, double y) {
    return {{rect.origin.x, y}, rect.size};
}

}  // namespace UIViewQXIMAddition
