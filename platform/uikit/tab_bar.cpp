#include "platform/uikit/tab_bar.h"

#include "platform/uikit/bezier_path.h"
#include "platform/uikit/control.h"
#include "platform/uikit/graphics_context.h"
#include "platform/uikit/image.h"
#include "platform/uikit/string_drawing.h"
#include "platform/uikit/tab_bar_item.h"

#include <algorithm>

namespace ui {

namespace {
constexpr double kTabTitleFontSize = 10;
constexpr double kBadgeFontSize = 13;
constexpr double kBadgeHeight = 18;
}  // namespace

// One item's button: image on top, title below, the badge at the image's
// top-right corner.
class TabBar::ItemButton : public Control {
public:
    ItemButton(TabBar& bar, std::shared_ptr<TabBarItem> item) : bar_(bar), item_(std::move(item)) {
        setBackgroundColor(Color::clearColor());
    }

    [[nodiscard]] const std::shared_ptr<TabBarItem>& item() const { return item_; }
    [[nodiscard]] QString shownText() const override { return item_->title(); }

    void drawRect(const Rect&) override {
        auto* context = GraphicsContext::current();
        if (!context) return;
        const Rect b = bounds();
        const bool selected = bar_.selectedItem() == item_.get();
        const auto& image =
            selected && item_->selectedImage() ? item_->selectedImage() : item_->image();
        if (image) {
            const Size size = image->size();
            image->drawInRect(Rect((b.size.width - size.width) / 2, 4, size.width, size.height));
        }
        const Color tint = bar_.itemTint();
        if (!item_->title().isEmpty()) {
            const Font font = Font::systemFontOfSize(kTabTitleFontSize);
            context->setFillColor(selected ? tint : Color::colorWithWhite(0.57));
            StringDrawing::drawInRect(
                item_->title(),
                Rect(0, b.size.height - font.lineHeight() - 2, b.size.width, font.lineHeight()),
                font, LineBreakMode::TruncateTail, TextAlignment::Center);
        }
        if (!item_->badgeValue().isEmpty()) {
            const Font font = Font::boldSystemFontOfSize(kBadgeFontSize);
            const double textWidth = StringDrawing::sizeWithFont(item_->badgeValue(), font).width;
            const double width = std::max(kBadgeHeight, textWidth + 10);
            const Rect badge(b.size.width / 2 + 6, 2, width, kBadgeHeight);
            context->setFillColor(Color::rgb(255, 59, 48));
            context->addPath(BezierPath::bezierPathWithRoundedRect(badge, kBadgeHeight / 2));
            context->fillPath();
            context->setFillColor(Color::whiteColor());
            StringDrawing::drawInRect(
                item_->badgeValue(),
                Rect(badge.origin.x, badge.origin.y + (kBadgeHeight - font.lineHeight()) / 2, width,
                     font.lineHeight()),
                font, LineBreakMode::Clip, TextAlignment::Center);
        }
    }

private:
    TabBar& bar_;
    std::shared_ptr<TabBarItem> item_;
};

TabBar::TabBar() : TabBar(Rect(0, 0, 320, kHeight)) {}

TabBar::TabBar(const Rect& frame) : View(frame) {
    setAutoresizingMask(kAutoresizingFlexibleWidth | kAutoresizingFlexibleTopMargin);
}

TabBar::~TabBar() {
    for (const auto& item : items_) item->setChangeHandler({});
}

void TabBar::setItems(std::vector<std::shared_ptr<TabBarItem>> items, bool) {
    for (const auto& item : items_) item->setChangeHandler({});
    items_ = std::move(items);
    std::erase(items_, nullptr);
    const bool stillThere = std::any_of(items_.begin(), items_.end(),
                                        [&](const auto& item) { return item.get() == selected_; });
    if (!stillThere) selected_ = nullptr;
    for (const auto& item : items_) {
        item->setChangeHandler([this] {
            for (const auto& button : buttons_) button->setNeedsDisplay();
        });
    }
    rebuild();
}

void TabBar::setSelectedItem(TabBarItem* item) {
    selected_ = item;
    for (const auto& button : buttons_) {
        button->setSelected(button->item().get() == item);
        button->setNeedsDisplay();
    }
}

void TabBar::tintDidChange() {
    for (const auto& button : buttons_) button->setNeedsDisplay();
}

Control* TabBar::buttonForItem(const TabBarItem* item) const {
    for (const auto& button : buttons_) {
        if (button->item().get() == item) return button.get();
    }
    return nullptr;
}

void TabBar::rebuild() {
    for (const auto& button : buttons_) button->removeFromSuperview();
    buttons_.clear();
    for (const auto& item : items_) {
        auto button = std::make_shared<ItemButton>(*this, item);
        TabBarItem* raw = item.get();
        button->addTarget(this, kControlEventTouchUpInside, [this, raw](Control&, const Event*) {
            if (selectAction_) selectAction_(*raw);
        });
        button->setSelected(raw == selected_);
        addSubview(button);
        buttons_.push_back(std::move(button));
    }
    setNeedsLayout();
}

void TabBar::layoutSubviews() {
    const Rect b = bounds();
    if (buttons_.empty()) return;
    const double width = b.size.width / double(buttons_.size());
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        buttons_[i]->setFrame(Rect(width * double(i), 0, width, b.size.height));
    }
}

void TabBar::drawRect(const Rect&) {
    auto* context = GraphicsContext::current();
    if (!context) return;
    const Rect b = bounds();
    if (paintGround(b, Color::colorWithWhite(0.97))) return;
    context->setFillColor(Color::colorWithWhite(0.7));
    context->fillRect(Rect(0, 0, b.size.width, 0.5));
}

}  // namespace ui
