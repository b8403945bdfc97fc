#pragma once

#include "platform/uikit/color.h"
#include "platform/uikit/font.h"
#include "platform/uikit/geometry.h"
#include "platform/uikit/paragraph_style.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

// A text style of the rich-text markup: the tag of its name selects it. Every holder
// keeps its own copy (copy()), so a registered style changes only through its view.
class RichTextStyle {
public:
    // What a style's callback hears about each self-closing tag of the style: the
    // tag's space-separated pieces and where its appended text went.
    struct SelfClosingTag {
        QStringList components;
        ui::Range range;
    };
    using Block = std::function<void(const SelfClosingTag&)>;

    RichTextStyle();
    [[nodiscard]] static std::shared_ptr<RichTextStyle> styleWithName(const QString& name);
    // An independent copy; a bullet font or colour left unset is copied as the text
    // font or colour the getters answer, so the copy keeps them when the source changes.
    [[nodiscard]] std::shared_ptr<RichTextStyle> copy() const;

    [[nodiscard]] bool isUnderLined() const { return underlined_; }
    void setUnderlined(bool underlined) { underlined_ = underlined; }
    [[nodiscard]] ui::ParagraphAlignment textAlignment() const { return textAlignment_; }
    void setTextAlignment(ui::ParagraphAlignment alignment) { textAlignment_ = alignment; }
    // NO keeps paragraph attributes off the style's text.
    [[nodiscard]] bool applyParagraphStyling() const { return applyParagraphStyling_; }
    void setApplyParagraphStyling(bool apply) { applyParagraphStyling_ = apply; }
    [[nodiscard]] const QString& name() const { return name_; }
    void setName(const QString& name) { name_ = name; }
    // Inserted after each element of the style; replaces each self-closing tag of it.
    [[nodiscard]] const QString& appendedCharacter() const { return appendedCharacter_; }
    void setAppendedCharacter(const QString& text) { appendedCharacter_ = text; }
    [[nodiscard]] const ui::Font& font() const { return font_; }
    void setFont(const ui::Font& font) { font_ = font; }
    [[nodiscard]] const ui::Color& color() const { return color_; }
    void setColor(const ui::Color& color) { color_ = color; }
    [[nodiscard]] const QString& bulletCharacter() const { return bulletCharacter_; }
    void setBulletCharacter(const QString& bullet) { bulletCharacter_ = bullet; }
    // The text font and colour while none of their own is set.
    [[nodiscard]] ui::Font bulletFont() const { return bulletFont_.value_or(font_); }
    void setBulletFont(std::optional<ui::Font> font) { bulletFont_ = std::move(font); }
    [[nodiscard]] ui::Color bulletColor() const { return bulletColor_.value_or(color_); }
    void setBulletColor(std::optional<ui::Color> color) { bulletColor_ = std::move(color); }
    // Line spacing of the style's paragraphs, in points.
    [[nodiscard]] double leading() const { return leading_; }
    void setLeading(double leading) { leading_ = leading; }
    // 0: no limit.
    [[nodiscard]] double maxLineHeight() const { return maxLineHeight_; }
    void setMaxLineHeight(double height) { maxLineHeight_ = height; }
    [[nodiscard]] double minLineHeight() const { return minLineHeight_; }
    void setMinLineHeight(double height) { minLineHeight_ = height; }
    [[nodiscard]] const Block& block() const { return block_; }
    void setBlock(Block block) { block_ = std::move(block); }
    // Top: a spacer line before each element; left: head indent of every line;
    // bottom: space after the paragraph; right: tail indent.
    [[nodiscard]] const ui::EdgeInsets& paragraphInset() const { return paragraphInset_; }
    void setParagraphInset(const ui::EdgeInsets& inset) { paragraphInset_ = inset; }
    [[nodiscard]] double spaceBetweenParagraphs() const { return paragraphInset_.bottom; }
    void setSpaceBetweenParagraphs(double space) { paragraphInset_.bottom = space; }

private:
    bool underlined_ = false;
    ui::ParagraphAlignment textAlignment_ = ui::ParagraphAlignment::Left;
    bool applyParagraphStyling_ = true;
    QString name_;
    QString appendedCharacter_;
    ui::Font font_;
    ui::Color color_;
    QString bulletCharacter_;
    std::optional<ui::Font> bulletFont_;
    std::optional<ui::Color> bulletColor_;
    double leading_ = 0;
    double maxLineHeight_ = 0;
    double minLineHeight_ = 0;
    Block block_;
    ui::EdgeInsets paragraphInset_;
};
