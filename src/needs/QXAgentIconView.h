#pragma once

#include "platform/uikit/view.h"

#include <QString>

#include <memory>

namespace ui {
class Label;
}
class QXAgentIconItem;
class URLPic;

// The small tile of one broker who answered a need: a rounded square picture and, under it,
// the broker's name and company on two centred lines. The replied-brokers pop-up lays the
// tiles out and fills them.
class QXAgentIconView : public ui::View {
public:
    static constexpr double kPictureSize = 53;
    static constexpr double kLineHeight = 16;

    explicit QXAgentIconView(const ui::Rect& frame);

    // The name of an item that has one; nothing else changes.
    void setAgentsIconWithItem(const QXAgentIconItem& item);

    [[nodiscard]] URLPic* agentImage() const { return agentImage_.get(); }
    [[nodiscard]] ui::Label* agentNameLabel() const { return agentNameLabel_.get(); }
    [[nodiscard]] ui::Label* agentCompanyName() const { return agentCompanyName_.get(); }

    QString evaluateNum;
    std::shared_ptr<ui::View> agentEvaluateView;

private:
    std::shared_ptr<URLPic> agentImage_;
    std::shared_ptr<ui::Label> agentNameLabel_;
    std::shared_ptr<ui::Label> agentCompanyName_;
};
