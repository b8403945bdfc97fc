#pragma once

#include "chat/QXMessageCell.h"

#include "platform/uikit/font.h"

// A plain text message: the text in a bubble as wide as it needs (up to 250 points), centred on
// one line and left-aligned on several. A tap hands the text to the screen; Copy is offered.
class QXMessageTextCell : public QXMessageCell {
public:
    static constexpr double kMeasureWidth = 230;
    static constexpr double kHeightMeasureWidth = 210;
    static constexpr double kFontSize = 14;
    // A text bubble shows at most this many characters of a message, then "…". The input bar
    // sends 200 at most and brokers' texts run to a few hundred; a relayed text of millions
    // would otherwise be laid out whole, at every reload, into a bubble thousands of screens
    // tall. Copy still takes the whole text.
    static constexpr qsizetype kShownCharacters = 1000;

    QXMessageTextCell();
    [[nodiscard]] static double heightByInfo(const QVariant& info, bool showTime);
    // What a text bubble shows of `text`: the whole, or its first kShownCharacters and "…".
    [[nodiscard]] static QString shownText(const QString& text);
    // The bubble's size for a text measured at `measured` with `lineHeight`, and whether it is
    // one line.
    [[nodiscard]] static ui::Size bubbleSize(ui::Size measured, double lineHeight, bool* oneLine);
    [[nodiscard]] static ui::Color textColor();
    // The height one line of `font` measures, rounded as every measured text is: what a text
    // taller than one line exceeds.
    [[nodiscard]] static double lineHeight(const ui::Font& font);
    // The size of `text` in `font` laid out kMeasureWidth wide, broken between any characters.
    // Bubbles scrolled into view again measure the same texts again: the latest measurements
    // are kept.
    [[nodiscard]] static ui::Size measuredText(const QString& text, const ui::Font& font);

    void setContents(const QVariant& contents) override;
    void setMyself(bool myself) override;
    [[nodiscard]] bool showCopyMenu() const override { return true; }
    void copy() override;
    void handleTapGesture() override;
    void layoutSubviews() override;
    [[nodiscard]] ui::Label* messageLabel() const { return messageLabel_.get(); }

    // The text's place inside a bubble of `size` on the own side or the other, for a text
    // view whose paragraphs are indented by `inset` on the left: as wide as the text was
    // measured (kMeasureWidth in the widest bubble), so that no measured line breaks again.
    [[nodiscard]] static ui::Rect textFrame(ui::Size size, bool myself, double inset = 0);

private:
    // The tail takes about 7 points of its side; the rest of the 20 goes evenly around the text.
    static constexpr double kOwnTextX = 6;
    static constexpr double kOtherTextX = 14;
    static constexpr double kTextMargins = 20;

    std::shared_ptr<ui::Label> messageLabel_;
};
