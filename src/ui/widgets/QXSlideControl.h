#pragma once

#include "platform/uikit/view.h"

class QXSlideControl;

// Hears a thumb move and let go.
class QXSlideControlDelegate {
public:
    virtual ~QXSlideControlDelegate() = default;
    virtual void slideMoved(QXSlideControl& thumb) = 0;
    virtual void slideEnded(QXSlideControl& thumb) = 0;
};

// A round thumb of a slider: a 100-point touch area around a 25-point knob that a
// finger drags along x between two limits.
class QXSlideControl : public ui::View {
public:
    static constexpr double kSize = 100;
    static constexpr double kKnobSize = 25;

    explicit QXSlideControl(ui::Point centre);

    [[nodiscard]] ui::Point minPoint() const { return minPoint_; }
    void setMinPoint(ui::Point point) { minPoint_ = point; }
    [[nodiscard]] ui::Point maxPoint() const { return maxPoint_; }
    void setMaxPoint(ui::Point point) { maxPoint_ = point; }
    [[nodiscard]] ui::Point sourcePoint() const { return sourcePoint_; }
    // Not owned: the slider that holds the thumb clears it when it goes.
    void setDelegate(QXSlideControlDelegate* delegate) { delegate_ = delegate; }

    void touchesBegan(const ui::TouchSet& touches, const ui::Event* event) override;
    void touchesMoved(const ui::TouchSet& touches, const ui::Event* event) override;
    void touchesEnded(const ui::TouchSet& touches, const ui::Event* event) override;
    void touchesCancelled(const ui::TouchSet& touches, const ui::Event* event) override;

private:
    ui::Point beginPoint_;
    ui::Point beginCenter_;
    ui::Point minPoint_;
    ui::Point maxPoint_;
    ui::Point sourcePoint_;
    QXSlideControlDelegate* delegate_ = nullptr;
};
