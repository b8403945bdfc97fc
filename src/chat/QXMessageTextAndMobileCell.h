#pragma once

#include "chat/QXMessageCell.h"
#include "ui/richtext/RichTextView.h"

#include <QString>

#include <optional>

// A text message holding mobile numbers or a web address: the text in rich-text markup, each
// valid mobile number a link that dials it, and the first web address a link to the in-app web
// page. Everything else the text holds is escaped and shows as written: a peer cannot plant a
// link or a dialling action of its own.
class QXMessageTextAndMobileCell : public QXMessageCell, public RichTextViewDelegate {
public:
    QXMessageTextAndMobileCell();
    [[nodiscard]] static double heightByInfo(const QVariant& info, bool showTime);

    // The text as markup with its numbers linked ("tel://N"), and its first web address linked
    // ("http://" put in front of one that starts with "www").
    [[nodiscard]] static QString linkedMarkup(const QString& text);

    void attach() override;
    void setContents(const QVariant& contents) override;
    void setMyself(bool myself) override;
    [[nodiscard]] bool showCopyMenu() const override;
    void copy() override;
    void willHideEditMenu() override;
    void layoutSubviews() override;
    void coreTextViewReceivedTouchOnData(RichTextView& view,
                                         const RichTextTouchData& data) override;
    [[nodiscard]] RichTextView* textAndMobileLabel() const { return textAndMobileLabel_.get(); }
    [[nodiscard]] bool isCopyMenuShow() const { return isCopyMenuShow_; }

private:
    void registerStyles(ui::ParagraphAlignment alignment, bool inset);

    std::shared_ptr<RichTextView> textAndMobileLabel_;
    // The alignment the styles are registered with (registering parses the text again).
    std::optional<ui::ParagraphAlignment> registered_;
    mutable bool isCopyMenuShow_ = false;
};
