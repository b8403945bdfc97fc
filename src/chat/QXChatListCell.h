#pragma once

#include "platform/uikit/table_view_cell.h"

#include <QDateTime>
#include <QString>

#include <memory>
#include <optional>

namespace ui {
class Button;
class ImageView;
class Label;
}  // namespace ui
class QXBrokerItem;
class URLPic;

// A row of the conversation list: the broker's picture, name, company, district and street,
// a preview of the last message, its age and the unread badge. The same class makes the
// network-failure row (tag 0) with its retry button.
class QXChatListCell : public ui::TableViewCell {
public:
    static constexpr int kTalkRowTag = 1;
    static constexpr int kNetFailRowTag = 0;
    static constexpr double kRowHeight = 78;
    static inline const QString kCheckNetWorkNotification = QStringLiteral("kCheckNetWork");

    // A talk row (tag 1) or the failure row (tag 0).
    [[nodiscard]] static std::shared_ptr<QXChatListCell> make(int tag, const QString& identifier);
    QXChatListCell(int tag, const QString& identifier);

    void setChatListCellWithDic(const QXBrokerItem& item);
    // How long ago the time in the text (seconds since 1970) was.
    [[nodiscard]] static QString timeToNow(const QString& time);
    [[nodiscard]] static QDateTime dateFromString(const QString& text);
    [[nodiscard]] static QString stringFromDate(const QDateTime& date);
    // The preview of a last message's contents: its text (grey), or its kind (green, `typed`);
    // nothing when the contents are empty, do not parse or hold neither.
    [[nodiscard]] static std::optional<QString> previewOf(const QString& contents, bool* typed);
    // Posts the network check.
    void reTryNetConnection();

    bool isPubToView = false;
    [[nodiscard]] URLPic* HeadImage() const { return HeadImage_.get(); }
    [[nodiscard]] ui::Label* name() const { return name_.get(); }
    [[nodiscard]] ui::Label* companyName() const { return companyName_.get(); }
    [[nodiscard]] ui::Label* companyAddress() const { return companyAddress_.get(); }
    [[nodiscard]] ui::Label* time() const { return time_.get(); }
    [[nodiscard]] ui::Label* infoCount() const { return infoCount_.get(); }
    [[nodiscard]] ui::Label* lastInfoLabel() const { return lastInfoLabel_.get(); }
    [[nodiscard]] ui::ImageView* iconImageView() const { return iconImageView_.get(); }
    [[nodiscard]] ui::ImageView* lineView() const { return lineView_.get(); }

private:
    void buildTalkRow();
    void buildFailureRow();

    std::shared_ptr<URLPic> HeadImage_;
    std::shared_ptr<ui::Label> name_;
    std::shared_ptr<ui::Label> companyName_;
    std::shared_ptr<ui::Label> companyAddress_;
    std::shared_ptr<ui::Label> time_;
    std::shared_ptr<ui::Label> infoCount_;
    std::shared_ptr<ui::Label> lastInfoLabel_;
    std::shared_ptr<ui::ImageView> iconImageView_;
    std::shared_ptr<ui::ImageView> lineView_;
    std::shared_ptr<ui::ImageView> anwer_;
    std::shared_ptr<ui::ImageView> netFailBackImage_;
    std::shared_ptr<ui::Button> retry_;
};
