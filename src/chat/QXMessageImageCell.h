#pragma once

#include "chat/QXMessageCell.h"

class URLPic;

// A picture message: the picture in a bubble, from the picture cache while it is being uploaded,
// else loaded from its address (the download button shows when that fails). A tap on an
// uploaded picture opens it in full.
class QXMessageImageCell : public QXMessageCell {
public:
    static constexpr double kBubbleWidth = 100;
    static constexpr double kBubbleHeight = 70;

    QXMessageImageCell();
    [[nodiscard]] static double heightByInfo(const QVariant& info, bool showTime);

    void setContents(const QVariant& contents) override;
    void setMessage(const QXIMMessage& message) override;
    void setMyself(bool myself) override;
    void handleTapGesture() override;
    [[nodiscard]] URLPic* urlImageView() const { return urlImageView_.get(); }

private:
    void applySource();

    std::shared_ptr<URLPic> urlImageView_;
    // The local file shown, while one is.
    QString localPath_;
};
