#include "platform/uikit/table_view_cell.h"

#include "platform/uikit/button.h"
#include "platform/uikit/graphics_context.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/string_drawing.h"

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

constexpr double kAccessoryGap = 10;  // between the content and the accessory
constexpr double kConfirmationPadding = 15;
constexpr double kSeparatorHeight = 0.5;
constexpr double kValue2TitleWidth = 67;

Color tint() {
    return Color::colorWithRed(0, 0.478, 1);
}

// The round red control with a white bar that starts a deletion in edit mode.
std::shared_ptr<Image> deleteControlImage() {
    static std::shared_ptr<Image> image = [] {
        GraphicsContext::beginImageContextWithOptions(Size(22, 22), false, 0);
        GraphicsContext* context = GraphicsContext::current();
        context->setFillColor(Color::rgb(255, 59, 48));
        context->fillEllipseInRect(Rect(0, 0, 22, 22));
        context->setFillColor(Color::whiteColor());
        context->fillRect(Rect(5, 10, 12, 2));
        auto made = GraphicsContext::imageFromCurrentImageContext();
        GraphicsContext::endImageContext();
        return made;
    }();
    return image;
}

}  // namespace

// The platform's standard accessories, drawn: a chevron, a check mark, and the
// round detail button (with or without the chevron).
class TableViewCell::AccessoryView : public View {
public:
    explicit AccessoryView(TableViewCellAccessoryType type) : type_(type) {
        setBackgroundColor(Color::clearColor());
        setUserInteractionEnabled(false);
        switch (type) {
            case TableViewCellAccessoryType::DisclosureIndicator:
                setFrame(Rect(0, 0, 8, 13));
                break;
            case TableViewCellAccessoryType::Checkmark:
                setFrame(Rect(0, 0, 14, 11));
                break;
            case TableViewCellAccessoryType::DetailButton:
                setFrame(Rect(0, 0, 22, 22));
                break;
            case TableViewCellAccessoryType::DetailDisclosureButton:
                setFrame(Rect(0, 0, 22 + 10 + 8, 22));
                break;
            case TableViewCellAccessoryType::None:
                break;
        }
    }
    [[nodiscard]] TableViewCellAccessoryType type() const { return type_; }

    void drawRect(const Rect&) override {
        GraphicsContext* context = GraphicsContext::current();
        if (!context) return;
        const Rect b = bounds();
        auto chevron = [&](double x) {
            context->setStrokeColor(Color::colorWithWhite(0.78));
            context->setLineWidth(2);
            context->beginPath();
            context->moveToPoint(x + 1, (b.size.height - 13) / 2 + 1);
            context->addLineToPoint(x + 7, b.size.height / 2);
            context->addLineToPoint(x + 1, (b.size.height + 13) / 2 - 1);
            context->strokePath();
        };
        auto detail = [&] {
            context->setStrokeColor(tint());
            context->setLineWidth(1);
            context->strokeEllipseInRect(Rect(0.5, (b.size.height - 22) / 2 + 0.5, 21, 21));
            context->setFillColor(tint());
            StringDrawing::drawInRect(
                QStringLiteral("i"), Rect(0, (b.size.height - 18) / 2, 22, 18),
                Font::boldSystemFontOfSize(14), LineBreakMode::Clip, TextAlignment::Center);
        };
        switch (type_) {
            case TableViewCellAccessoryType::DisclosureIndicator:
                chevron(0);
                break;
            case TableViewCellAccessoryType::Checkmark:
                context->setStrokeColor(tint());
                context->setLineWidth(2);
                context->beginPath();
                context->moveToPoint(1, 6);
                context->addLineToPoint(5, 10);
                context->addLineToPoint(13, 1);
                context->strokePath();
                break;
            case TableViewCellAccessoryType::DetailButton:
                detail();
                break;
            case TableViewCellAccessoryType::DetailDisclosureButton:
                detail();
                chevron(32);
                break;
            case TableViewCellAccessoryType::None:
                break;
        }
    }

private:
    TableViewCellAccessoryType type_;
};

TableViewCell::TableViewCell(TableViewCellStyle style, const QString& reuseIdentifier)
    : View(Rect(0, 0, 320, kDefaultHeight)),
      style_(style),
      reuseIdentifier_(reuseIdentifier),
      contentView_(std::make_shared<View>(Rect(0, 0, 320, kDefaultHeight))),
      separator_(std::make_shared<View>()) {
    View::setBackgroundColor(Color::whiteColor());
    contentView_->setBackgroundColor(Color::clearColor());
    addSubview(contentView_);
    separator_->setBackgroundColor(Color::colorWithWhite(0.78));
    separator_->setUserInteractionEnabled(false);
    addSubview(separator_);
}

TableViewCell::~TableViewCell() {
    if (deleteButton_) deleteButton_->removeTarget(this);
    if (editingControl_) editingControl_->removeTarget(this);
}

Label* TableViewCell::textLabel() {
    if (!textLabel_) {
        textLabel_ = std::make_shared<Label>();
        textLabel_->setBackgroundColor(Color::clearColor());
        if (style_ == TableViewCellStyle::Value2) {
            textLabel_->setFont(Font::boldSystemFontOfSize(12));
            textLabel_->setTextColor(tint());
            textLabel_->setTextAlignment(TextAlignment::Right);
        } else {
            textLabel_->setFont(Font::systemFontOfSize(18));
        }
        contentView_->addSubview(textLabel_);
        setNeedsLayout();
    }
    return textLabel_.get();
}

Label* TableViewCell::detailTextLabel() {
    if (style_ == TableViewCellStyle::Default) return nullptr;
    if (!detailTextLabel_) {
        detailTextLabel_ = std::make_shared<Label>();
        detailTextLabel_->setBackgroundColor(Color::clearColor());
        switch (style_) {
            case TableViewCellStyle::Value1:
                detailTextLabel_->setFont(Font::systemFontOfSize(18));
                detailTextLabel_->setTextColor(Color::colorWithWhite(0.56));
                detailTextLabel_->setTextAlignment(TextAlignment::Right);
                break;
            case TableViewCellStyle::Value2:
                detailTextLabel_->setFont(Font::systemFontOfSize(15));
                break;
            case TableViewCellStyle::Subtitle:
            case TableViewCellStyle::Default:
                detailTextLabel_->setFont(Font::systemFontOfSize(12));
                break;
        }
        contentView_->addSubview(detailTextLabel_);
        setNeedsLayout();
    }
    return detailTextLabel_.get();
}

ImageView* TableViewCell::imageView() {
    if (!imageView_) {
        imageView_ = std::make_shared<ImageView>();
        contentView_->insertSubviewAtIndex(imageView_, 0);
        setNeedsLayout();
    }
    return imageView_.get();
}

void TableViewCell::setBackgroundView(std::shared_ptr<View> view) {
    if (backgroundView_) backgroundView_->removeFromSuperview();
    backgroundView_ = std::move(view);
    if (backgroundView_) insertSubviewAtIndex(backgroundView_, 0);
    setNeedsLayout();
}

const std::shared_ptr<View>& TableViewCell::selectedBackgroundView() {
    if (!selectedBackgroundView_) {
        selectedBackgroundView_ = std::make_shared<View>();
        selectedBackgroundView_->setBackgroundColor(Color::colorWithWhite(0.85));
    }
    return selectedBackgroundView_;
}

void TableViewCell::setSelectedBackgroundView(std::shared_ptr<View> view) {
    if (selectedBackgroundView_) selectedBackgroundView_->removeFromSuperview();
    selectedBackgroundView_ = std::move(view);
    updateSelectionDisplay(false);
}

void TableViewCell::setAccessoryType(TableViewCellAccessoryType type) {
    accessoryType_ = type;
    updateAccessory();
}

void TableViewCell::setAccessoryView(std::shared_ptr<View> view) {
    if (accessoryView_) accessoryView_->removeFromSuperview();
    accessoryView_ = std::move(view);
    updateAccessory();
}

void TableViewCell::setEditingAccessoryType(TableViewCellAccessoryType type) {
    editingAccessoryType_ = type;
    updateAccessory();
}

void TableViewCell::updateAccessory() {
    const TableViewCellAccessoryType type = editing_ ? editingAccessoryType_ : accessoryType_;
    if (accessoryView_) {
        if (standardAccessory_) standardAccessory_->removeFromSuperview();
        standardAccessory_.reset();
        if (accessoryView_->superview() != this) addSubview(accessoryView_);
    } else {
        auto* current = dynamic_cast<AccessoryView*>(standardAccessory_.get());
        if (!current || current->type() != type) {
            if (standardAccessory_) standardAccessory_->removeFromSuperview();
            standardAccessory_.reset();
            if (type != TableViewCellAccessoryType::None) {
                standardAccessory_ = std::make_shared<AccessoryView>(type);
                addSubview(standardAccessory_);
            }
        }
    }
    setNeedsLayout();
}

void TableViewCell::setSelectionStyle(TableViewCellSelectionStyle style) {
    selectionStyle_ = style;
    updateSelectionDisplay(false);
}

void TableViewCell::setSelected(bool selected, bool animated) {
    if (selected == selected_) return;
    selected_ = selected;
    updateSelectionDisplay(animated);
}

void TableViewCell::setHighlighted(bool highlighted, bool animated) {
    if (highlighted == highlighted_) return;
    highlighted_ = highlighted;
    updateSelectionDisplay(animated);
}

void TableViewCell::updateSelectionDisplay(bool animated) {
    const bool lit =
        (selected_ || highlighted_) && selectionStyle_ != TableViewCellSelectionStyle::None;
    if (textLabel_) textLabel_->setHighlighted(lit);
    if (detailTextLabel_) detailTextLabel_->setHighlighted(lit);
    if (imageView_) imageView_->setHighlighted(lit);
    if (!lit && !selectedBackgroundView_) return;
    const auto& background = selectedBackgroundView();
    if (lit) {
        if (background->superview() != this) {
            const std::size_t below =
                backgroundView_ && backgroundView_->superview() == this ? 1 : 0;
            insertSubviewAtIndex(background, below);
            background->setFrame(bounds());
        }
        background->setAlpha(1);
        return;
    }
    if (background->superview() != this) return;
    if (!animated) {
        background->removeFromSuperview();
        return;
    }
    std::weak_ptr<View> weak = background;
    View::animateWithDuration(
        0.3, [&] { background->setAlpha(0); },
        [weak, self = weakAs<TableViewCell>()](bool) {
            auto view = weak.lock();
            auto cell = self.lock();
            if (view && cell && !cell->selected_ && !cell->highlighted_)
                view->removeFromSuperview();
        });
}

void TableViewCell::setEditing(bool editing, bool animated) {
    if (editing == editing_) return;
    editing_ = editing;
    if (!editing) hideDeleteConfirmation();
    updateAccessory();
    if (animated) {
        View::animateWithDuration(0.3, [&] { layoutIfNeeded(); });
    }
}

Button* TableViewCell::deleteConfirmationButton() const {
    return confirmationShown_ ? deleteButton_.get() : nullptr;
}

void TableViewCell::setSeparatorInset(const EdgeInsets& insets) {
    separatorInset_ = insets;
    separatorInsetSet_ = true;
    setNeedsLayout();
}

void TableViewCell::setSeparator(bool shown, const Color& color, const EdgeInsets& inset) {
    separator_->setHidden(!shown);
    separator_->setBackgroundColor(color);
    if (!separatorInsetSet_) separatorInset_ = inset;
    setNeedsLayout();
}

void TableViewCell::showDeleteConfirmation(const QString& title, std::function<void()> onTap) {
    if (!deleteButton_) {
        deleteButton_ = std::make_shared<Button>();
        deleteButton_->setBackgroundColor(Color::rgb(255, 59, 48));
        deleteButton_->setTitleColor(Color::whiteColor(), kControlStateNormal);
        deleteButton_->setFont(Font::systemFontOfSize(18));
    }
    deleteButton_->removeTarget(this);
    deleteButton_->addTarget(this, kControlEventTouchUpInside,
                             [onTap = std::move(onTap)](Control&, const Event*) {
                                 if (onTap) onTap();
                             });
    deleteButton_->setTitle(title, kControlStateNormal);
    confirmationShown_ = true;
    addSubview(deleteButton_);
    setNeedsLayout();
    layoutIfNeeded();
}

void TableViewCell::hideDeleteConfirmation() {
    if (!confirmationShown_) return;
    confirmationShown_ = false;
    if (deleteButton_) deleteButton_->removeFromSuperview();
    setNeedsLayout();
}

void TableViewCell::setEditingControl(bool shown, std::function<void()> onTap) {
    if (!shown) {
        if (editingControl_) editingControl_->removeFromSuperview();
        return;
    }
    if (!editingControl_) {
        editingControl_ = std::make_shared<Button>();
        editingControl_->setImage(deleteControlImage(), kControlStateNormal);
    }
    editingControl_->removeTarget(this);
    editingControl_->addTarget(this, kControlEventTouchUpInside,
                               [onTap = std::move(onTap)](Control&, const Event*) {
                                   if (onTap) onTap();
                               });
    if (editingControl_->superview() != this) addSubview(editingControl_);
    setNeedsLayout();
}

void TableViewCell::prepareForReuse() {
    setSelected(false, false);
    setHighlighted(false, false);
    hideDeleteConfirmation();
}

void TableViewCell::layoutSubviews() {
    const Rect b = bounds();
    if (backgroundView_) backgroundView_->setFrame(b);
    if (selectedBackgroundView_ && selectedBackgroundView_->superview() == this)
        selectedBackgroundView_->setFrame(b);

    const bool control = editing_ && editingControl_ && editingControl_->superview() == this;
    const double indent = control ? kEditingIndent : 0;
    double shift = 0;
    if (confirmationShown_ && deleteButton_) {
        const double width = std::ceil(
            StringDrawing::sizeWithFont(deleteButton_->currentTitle(), deleteButton_->font())
                .width +
            2 * kConfirmationPadding);
        deleteButton_->setFrame(Rect(b.size.width - width, 0, width, b.size.height));
        bringSubviewToFront(deleteButton_.get());
        shift = width;
    }
    if (control) editingControl_->setFrame(Rect(-shift, 0, kEditingIndent, b.size.height));

    View* accessory = accessoryView_ ? accessoryView_.get() : standardAccessory_.get();
    double contentRight = b.size.width;
    if (accessory && !confirmationShown_) {
        const Size size = accessory->frame().size;
        const double x = b.size.width - kMargin - size.width;
        accessory->setFrame(
            Rect(x, std::round((b.size.height - size.height) / 2), size.width, size.height));
        accessory->setHidden(false);
        contentRight = x - kAccessoryGap;
    } else if (accessory) {
        accessory->setHidden(true);
    }
    contentView_->setFrame(
        Rect(indent - shift, 0, std::max(0.0, contentRight - indent), b.size.height));
    separator_->setFrame(
        Rect(separatorInset_.left, b.size.height - kSeparatorHeight,
             std::max(0.0, b.size.width - separatorInset_.left - separatorInset_.right),
             kSeparatorHeight));
    bringSubviewToFront(separator_.get());
    layoutLabels(contentView_->bounds());
}

void TableViewCell::layoutLabels(const Rect& content) {
    const double height = content.size.height;
    double x = kMargin;
    if (imageView_ && imageView_->image()) {
        const Size size = imageView_->image()->size();
        imageView_->setFrame(
            Rect(kMargin, std::round((height - size.height) / 2), size.width, size.height));
        x = kMargin + size.width + kMargin;
    } else if (imageView_) {
        imageView_->setFrame(Rect(kMargin, 0, 0, 0));
    }
    const double right = content.size.width - kMargin;
    const double width = std::max(0.0, right - x);
    const bool hasDetail = detailTextLabel_ && !detailTextLabel_->text().isEmpty();
    switch (style_) {
        case TableViewCellStyle::Default:
            if (textLabel_) textLabel_->setFrame(Rect(x, 0, width, height));
            break;
        case TableViewCellStyle::Value1: {
            double detailWidth = 0;
            if (hasDetail) {
                detailWidth = std::min(
                    width, std::ceil(detailTextLabel_->sizeThatFits(Size(width, height)).width));
            }
            if (detailTextLabel_)
                detailTextLabel_->setFrame(Rect(right - detailWidth, 0, detailWidth, height));
            if (textLabel_) {
                textLabel_->setFrame(
                    Rect(x, 0, std::max(0.0, width - detailWidth - (hasDetail ? kAccessoryGap : 0)),
                         height));
            }
            break;
        }
        case TableViewCellStyle::Value2: {
            if (textLabel_) textLabel_->setFrame(Rect(kMargin, 0, kValue2TitleWidth, height));
            const double detailX = kMargin + kValue2TitleWidth + 6;
            if (detailTextLabel_)
                detailTextLabel_->setFrame(
                    Rect(detailX, 0, std::max(0.0, right - detailX), height));
            break;
        }
        case TableViewCellStyle::Subtitle: {
            const double textHeight = textLabel_ ? textLabel_->font().lineHeight() : 0;
            if (!hasDetail) {
                if (textLabel_) textLabel_->setFrame(Rect(x, 0, width, height));
                if (detailTextLabel_) detailTextLabel_->setFrame(Rect(x, height, width, 0));
                break;
            }
            const double detailHeight = detailTextLabel_->font().lineHeight();
            const double top = std::round((height - textHeight - detailHeight) / 2);
            if (textLabel_) textLabel_->setFrame(Rect(x, top, width, textHeight));
            detailTextLabel_->setFrame(Rect(x, top + textHeight, width, detailHeight));
            break;
        }
    }
}

}  // namespace ui
