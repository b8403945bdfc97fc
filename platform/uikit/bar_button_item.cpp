#include "platform/uikit/bar_button_item.h"

#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/string_drawing.h"

#include <cmath>

namespace ui {

namespace {

constexpr double kButtonHeight = 30;
constexpr double kItemTitlePadding = 6;
constexpr double kTitleFontSize = 17;

// The platform's blue, used for items without a tint of their own.
Color defaultTint() {
    return Color::colorWithRed(0, 0.478, 1);
}

QString systemTitle(BarButtonSystemItem item) {
    switch (item) {
        case BarButtonSystemItem::Done:
            return QStringLiteral("完成");
        case BarButtonSystemItem::Cancel:
            return QStringLiteral("取消");
        case BarButtonSystemItem::Edit:
            return QStringLiteral("编辑");
        case BarButtonSystemItem::Save:
            return QStringLiteral("存储");
        case BarButtonSystemItem::Add:
            return QStringLiteral("+");
        case BarButtonSystemItem::FlexibleSpace:
        case BarButtonSystemItem::FixedSpace:
            break;
    }
    return {};
}

}  // namespace

std::shared_ptr<BarButtonItem> BarButtonItem::itemWithTitle(const QString& title,
                                                            BarButtonItemStyle style,
                                                            Action action) {
    auto item = std::make_shared<BarButtonItem>();
    item->setTitle(title);
    item->style_ = style;
    item->action_ = std::move(action);
    return item;
}

std::shared_ptr<BarButtonItem> BarButtonItem::itemWithImage(std::shared_ptr<Image> image,
                                                            BarButtonItemStyle style,
                                                            Action action) {
    auto item = std::make_shared<BarButtonItem>();
    item->setImage(std::move(image));
    item->style_ = style;
    item->action_ = std::move(action);
    return item;
}

std::shared_ptr<BarButtonItem> BarButtonItem::itemWithCustomView(std::shared_ptr<View> view) {
    auto item = std::make_shared<BarButtonItem>();
    item->customView_ = std::move(view);
    return item;
}

std::shared_ptr<BarButtonItem> BarButtonItem::itemWithSystemItem(BarButtonSystemItem system,
                                                                 Action action) {
    auto item = std::make_shared<BarButtonItem>();
    item->systemItem_ = system;
    item->setTitle(systemTitle(system));
    item->style_ =
        system == BarButtonSystemItem::Done ? BarButtonItemStyle::Done : BarButtonItemStyle::Plain;
    item->action_ = std::move(action);
    return item;
}

BarButtonItem::~BarButtonItem() {
    if (button_) button_->removeTarget(this);
}

void BarButtonItem::setStyle(BarButtonItemStyle style) {
    style_ = style;
    updateButton();
    notifyChange();
}

void BarButtonItem::setCustomView(std::shared_ptr<View> view) {
    customView_ = std::move(view);
    notifyChange();
}

void BarButtonItem::setWidth(double width) {
    width_ = width;
    updateButton();
    notifyChange();
}

void BarButtonItem::setTintColor(const Color& color) {
    tintColor_ = color;
    updateButton();
    notifyChange();
}

bool BarButtonItem::isSpace() const {
    return systemItem_ == BarButtonSystemItem::FixedSpace ||
           systemItem_ == BarButtonSystemItem::FlexibleSpace;
}

bool BarButtonItem::isFlexibleSpace() const {
    return systemItem_ == BarButtonSystemItem::FlexibleSpace;
}

std::shared_ptr<View> BarButtonItem::barView() {
    if (customView_) return customView_;
    if (isSpace()) return nullptr;
    if (!button_) {
        button_ = std::make_shared<Button>();
        button_->addTarget(this, kControlEventTouchUpInside,
                           [weak = weak_from_this()](Control&, const Event*) {
                               if (auto self = weak.lock()) self->performAction();
                           });
    }
    updateButton();
    return button_;
}

void BarButtonItem::performAction() {
    if (!isEnabled() || !action_) return;
    auto keep = shared_from_this();
    action_(*this);
}

void BarButtonItem::updateButton() {
    if (!button_) return;
    const Color tint = tintColor_.isValid() ? tintColor_ : defaultTint();
    const Font font = style_ == BarButtonItemStyle::Done
                          ? Font::boldSystemFontOfSize(kTitleFontSize)
                          : Font::systemFontOfSize(kTitleFontSize);
    button_->setFont(font);
    button_->setTitle(title(), kControlStateNormal);
    button_->setTitleColor(tint, kControlStateNormal);
    button_->setTitleColor(tint.colorWithAlphaComponent(0.2), kControlStateHighlighted);
    button_->setTitleColor(Color::colorWithWhite(0.56), kControlStateDisabled);
    button_->setImage(image(), kControlStateNormal);
    button_->setEnabled(isEnabled());
    double width = 0;
    if (image()) width = image()->size().width;
    if (!title().isEmpty()) {
        width = std::max(width, StringDrawing::sizeWithFont(title(), font).width);
    }
    width = width_ > 0 ? width_ : std::ceil(width + 2 * kItemTitlePadding);
    button_->setFrame(Rect(button_->frame().origin, Size(width, kButtonHeight)));
}

}  // namespace ui
