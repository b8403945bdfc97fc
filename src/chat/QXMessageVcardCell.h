#pragma once

#include "chat/QXMessageCell.h"

class URLPic;

// A post card the broker sent: the post's picture, title, area and price; a tap opens the post.
class QXMessageVcardCell : public QXMessageCell {
public:
    static constexpr double kBubbleWidth = 230;
    static constexpr double kBubbleHeight = 70;
    static inline const QString kDefaultTitle = QStringLiteral("经济人推荐的房子");

    QXMessageVcardCell();
    [[nodiscard]] static double heightByInfo(const QVariant& info, bool showTime);

    void setContents(const QVariant& contents) override;
    void setMyself(bool myself) override;
    void handleTapGesture() override;
    [[nodiscard]] ui::Label* titleLabel() const { return titleLabel_.get(); }
    [[nodiscard]] ui::Label* positionLabel() const { return positionLabel_.get(); }
    [[nodiscard]] ui::Label* priceLabel() const { return priceLabel_.get(); }

private:
    std::shared_ptr<ui::Label> titleLabel_;
    std::shared_ptr<ui::Label> positionLabel_;
    std::shared_ptr<ui::Label> priceLabel_;
    std::shared_ptr<URLPic> urlImageView_;
};
