#include "platform/uikit/navigation_bar.h"

#include "platform/uikit/bar_button_item.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_item.h"

#include <algorithm>

namespace ui {

namespace {

constexpr double kBackButtonHeight = 30;

QString backTitleOf(const NavigationItem& item) {
    if (const auto& back = item.backBarButtonItem(); back && !back->title().isEmpty())
        return back->title();
    return item.title().isEmpty() ? QStringLiteral("返回") : item.title();
}

}  // namespace

NavigationBar::Appearance& NavigationBar::appearance() {
    static Appearance shared;
    return shared;
}

NavigationBar::NavigationBar() : NavigationBar(Rect(0, 0, 320, kHeight)) {}

NavigationBar::NavigationBar(const Rect& frame)
    : View(frame),
      backgroundView_(std::make_shared<ImageView>()),
      titleLabel_(std::make_shared<Label>()) {
    setAutoresizingMask(kAutoresizingFlexibleWidth);
    backgroundView_->setUserInteractionEnabled(false);
    titleLabel_->setTextAlignment(TextAlignment::Center);
    titleLabel_->setBackgroundColor(Color::clearColor());
    addSubview(backgroundView_);
    addSubview(titleLabel_);
    updateBackground();
}

NavigationBar::~NavigationBar() {
    for (const auto& item : items_) item->setChangeHandler({});
}

void NavigationBar::watch(const std::shared_ptr<NavigationItem>& item) {
    item->setChangeHandler([this] { itemsChanged(); });
}

void NavigationBar::setItems(std::vector<std::shared_ptr<NavigationItem>> items, bool) {
    for (const auto& item : items_) item->setChangeHandler({});
    items_ = std::move(items);
    std::erase(items_, nullptr);
    for (const auto& item : items_) watch(item);
    itemsChanged();
}

void NavigationBar::pushNavigationItem(std::shared_ptr<NavigationItem> item, bool) {
    if (!item) return;
    watch(item);
    items_.push_back(std::move(item));
    itemsChanged();
}

std::shared_ptr<NavigationItem> NavigationBar::popNavigationItemAnimated(bool) {
    if (items_.empty()) return nullptr;
    auto item = items_.back();
    items_.pop_back();
    item->setChangeHandler({});
    itemsChanged();
    return item;
}

std::shared_ptr<NavigationItem> NavigationBar::topItem() const {
    return items_.empty() ? nullptr : items_.back();
}

std::shared_ptr<NavigationItem> NavigationBar::backItem() const {
    return items_.size() < 2 ? nullptr : items_[items_.size() - 2];
}

void NavigationBar::setBarStyle(BarStyle style) {
    barStyle_ = style;
    updateBackground();
    itemsChanged();
}

void NavigationBar::setTitleTextAttributes(const TextAttributes& attributes) {
    titleAttributes_ = attributes;
    itemsChanged();
}

Button* NavigationBar::backButton() const {
    return backButton_ && backButton_->superview() == this ? backButton_.get() : nullptr;
}

void NavigationBar::itemsChanged() {
    setNeedsLayout();
}

void NavigationBar::updateBackground() {
    const auto& image = backgroundImage() ? backgroundImage() : appearance().backgroundImage;
    backgroundView_->setImage(image);
    if (image) {
        backgroundView_->setBackgroundColor(Color());
        return;
    }
    Color fallback = appearance().barTintColor;
    if (!fallback.isValid()) {
        fallback =
            barStyle_ == BarStyle::Black ? Color::colorWithWhite(0.1) : Color::colorWithWhite(0.97);
    }
    backgroundView_->setBackgroundColor(groundColor(fallback));
}

Font NavigationBar::titleFont() const {
    if (titleAttributes_.font) return *titleAttributes_.font;
    if (const auto& font = appearance().titleTextAttributes.font) return *font;
    return Font::boldSystemFontOfSize(kTitleFontSize);
}

Color NavigationBar::titleColor() const {
    if (titleAttributes_.textColor) return *titleAttributes_.textColor;
    if (const auto& color = appearance().titleTextAttributes.textColor) return *color;
    return barStyle_ == BarStyle::Black ? Color::whiteColor() : Color::blackColor();
}

void NavigationBar::layoutSubviews() {
    const Rect b = bounds();
    // The background reaches up to the top of the superview (over the status bar).
    const double overhang = std::max(0.0, frame().origin.y);
    backgroundView_->setFrame(Rect(0, -overhang, b.size.width, b.size.height + overhang));

    // Views that stay keep their place in the tree (a text field in the title
    // view keeps the keyboard); views no longer shown are taken away at the end.
    std::vector<std::shared_ptr<View>> previous = std::move(shown_);
    shown_.clear();
    auto show = [&](const std::shared_ptr<View>& view) {
        if (view->superview() != this) addSubview(view);
        shown_.push_back(view);
    };
    auto removeStale = [&] {
        for (const auto& view : previous) {
            if (view->superview() == this &&
                std::find(shown_.begin(), shown_.end(), view) == shown_.end()) {
                view->removeFromSuperview();
            }
        }
    };
    const auto top = topItem();
    const auto below = backItem();

    auto place = [&](const std::shared_ptr<View>& view, double x) {
        const Size size = view->frame().size;
        view->setFrame(Rect(x, (b.size.height - size.height) / 2, size.width, size.height));
        show(view);
    };

    double left = BarButtonItem::kEdgeMargin;
    if (top) {
        if (top->leftBarButtonItems().empty() && !top->hidesBackButton() && below) {
            if (!backButton_) {
                backButton_ = std::make_shared<Button>();
                backButton_->addTarget(this, kControlEventTouchUpInside,
                                       [this](Control&, const Event*) {
                                           if (backAction_) backAction_();
                                       });
            }
            const Color tint = itemTint();
            backButton_->setFont(Font::systemFontOfSize(kTitleFontSize));
            backButton_->setTitle(QStringLiteral("‹ ") + backTitleOf(*below), kControlStateNormal);
            backButton_->setTitleColor(tint, kControlStateNormal);
            backButton_->setTitleColor(tint.colorWithAlphaComponent(0.2), kControlStateHighlighted);
            const Size fits = backButton_->sizeThatFits(Size(b.size.width / 2, kBackButtonHeight));
            backButton_->setFrame(
                Rect(0, 0, std::min(fits.width, b.size.width / 3), kBackButtonHeight));
            place(backButton_, left - BarButtonItem::kSpacing);
            left += backButton_->frame().size.width;
        }
        for (const auto& item : top->leftBarButtonItems()) {
            if (item->isSpace()) {
                left += item->width();
                continue;
            }
            if (auto view = item->barView()) {
                place(view, left);
                left += view->frame().size.width + BarButtonItem::kSpacing;
            }
        }
    }
    double right = b.size.width - BarButtonItem::kEdgeMargin;
    if (top) {
        for (const auto& item : top->rightBarButtonItems()) {
            if (item->isSpace()) {
                right -= item->width();
                continue;
            }
            if (auto view = item->barView()) {
                right -= view->frame().size.width;
                place(view, right);
                right -= BarButtonItem::kSpacing;
            }
        }
    }

    // The title is centred on the bar when it fits between the items, else moved into the
    // room between them; one wider than that room is centred on the room, reaching over both
    // items alike rather than over one of them only.
    titleLabel_->setHidden(true);
    if (!top) {
        removeStale();
        return;
    }
    auto centre = [&](const std::shared_ptr<View>& view, Size size) {
        const double room = right - left;
        double x = (b.size.width - size.width) / 2;
        if (size.width > room) {
            x = left + (room - size.width) / 2;
        } else if (x < left) {
            x = left;
        } else if (x + size.width > right) {
            x = right - size.width;
        }
        view->setFrame(Rect(x, (b.size.height - size.height) / 2, size.width, size.height));
    };
    if (const auto& titleView = top->titleView()) {
        centre(titleView, titleView->frame().size);
        show(titleView);
        removeStale();
        return;
    }
    titleLabel_->setHidden(false);
    titleLabel_->setText(top->title());
    titleLabel_->setFont(titleFont());
    titleLabel_->setTextColor(titleColor());
    const TextAttributes& own = titleAttributes_;
    const TextAttributes& shared = appearance().titleTextAttributes;
    if (auto shadow = own.shadowColor ? own.shadowColor : shared.shadowColor) {
        titleLabel_->setShadowColor(*shadow);
    }
    if (auto offset = own.shadowOffset ? own.shadowOffset : shared.shadowOffset) {
        titleLabel_->setShadowOffset(*offset);
    }
    const Size fits = titleLabel_->sizeThatFits(Size(b.size.width, b.size.height));
    centre(titleLabel_, Size(std::min(fits.width, std::max(0.0, right - left)), b.size.height));
    removeStale();
}

Size NavigationBar::sizeThatFits(Size size) const {
    return {size.width > 0 ? size.width : bounds().size.width, kHeight};
}

}  // namespace ui
