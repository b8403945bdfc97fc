#pragma once

#include "chat/QXMessageCell.h"

// A notice from the service: its text centred in a grey bubble, on neither side. A long press
// offers nothing.
class QXMessageSystemCell : public QXMessageCell {
public:
    QXMessageSystemCell();
    [[nodiscard]] static double heightByInfo(const QVariant& info, bool showTime);
    // The text a notice shows: its "text" for the types "block" and "normal", else the
    // fallback text.
    [[nodiscard]] static QString noticeText(const QVariant& contents);

    void setContents(const QVariant& contents) override;
    void setMyself(bool myself) override;
    void layoutSubviews() override;
    [[nodiscard]] ui::Label* messageLabel() const { return messageLabel_.get(); }

private:
    std::shared_ptr<ui::Label> messageLabel_;
};
