#pragma once

#include "chat/QXMessageCell.h"

// A message of a kind this version cannot show: a bubble that says so. Delete is offered.
class QXMessageUnknownCell : public QXMessageCell {
public:
    static inline const QString kText = QStringLiteral("暂不支持此类消息，请升级到新版本查看");

    QXMessageUnknownCell();
    [[nodiscard]] static double heightByInfo(const QVariant& info, bool showTime);
    void setMyself(bool myself) override;

private:
    std::shared_ptr<ui::Label> messageLabel_;
};
