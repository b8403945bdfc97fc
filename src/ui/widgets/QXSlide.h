#pragma once

#include "platform/uikit/view.h"
#include "ui/widgets/QXSlideControl.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace ui {
class ImageView;
class Label;
}  // namespace ui

// A slider on a 270-point track, in three styles: one thumb that announces its value
// as it moves; two thumbs choosing a range of ages, each with a "%d岁" tip; one thumb
// that snaps to the marks of a list. A range without width and a list of fewer than
// two marks are refused (no slider is made) rather than divided by.
class QXSlide : public ui::View, public QXSlideControlDelegate {
public:
    enum Style { kValue = 0, kAgeRange = 1, kMarks = 2 };
    enum Tag {
        kLeftThumbTag = 9001,
        kRightThumbTag = 9002,
        kLeftLabelTag = 9003,
        kRightLabelTag = 9004,
        kLeftTipTag = 9005,
        kRightTipTag = 9006,
    };
    static constexpr double kTrackStart = 10;
    static constexpr double kTrackLength = 270;
    static inline const QString kChangeNotification = QStringLiteral("BombChangeSelectPerson");

    [[nodiscard]] static std::shared_ptr<QXSlide> initWithFrame(const ui::Rect& frame, int style,
                                                                int min, int max);
    [[nodiscard]] static std::shared_ptr<QXSlide> initWithFrame(const ui::Rect& frame, int style,
                                                                int min, int max, int curLeft,
                                                                int curRight);
    [[nodiscard]] static std::shared_ptr<QXSlide> initWithFrame(const ui::Rect& frame, int style,
                                                                const QStringList& marks);
    QXSlide(const ui::Rect& frame, int style);
    ~QXSlide() override;

    void slideMoved(QXSlideControl& thumb) override;
    void slideEnded(QXSlideControl& thumb) override;
    // The single-value style: puts the thumb at `value` and reports it on `slider`.
    void setCurLeft(QXSlide& slider, int value);

    [[nodiscard]] int slideStyle() const { return slideStyle_; }
    [[nodiscard]] int minNum() const { return minNum_; }
    [[nodiscard]] int maxNum() const { return maxNum_; }
    [[nodiscard]] int curLeft() const { return curLeft_; }
    [[nodiscard]] int curRight() const { return curRight_; }
    [[nodiscard]] const QStringList& intervalArr() const { return intervalArr_; }
    [[nodiscard]] ui::ImageView* processView() const { return processView_.get(); }
    [[nodiscard]] QXSlideControl* thumb(int tag) const;

private:
    void buildTrack();
    std::shared_ptr<QXSlideControl> addThumb(int tag, ui::Point centre);
    std::shared_ptr<ui::Label> addValueLabel(int tag, const ui::Rect& frame, double fontSize);
    void buildRange(int min, int max);
    void placeThumb(QXSlideControl& thumb, int value);
    void showAge(int labelTag, int tipTag, QXSlideControl& thumb, int value);
    void setSelectedWidth(double width);

    int slideStyle_;
    int minNum_ = 0;
    int maxNum_ = 0;
    int curLeft_ = 0;
    int curRight_ = 0;
    QStringList intervalArr_;
    std::shared_ptr<ui::ImageView> processView_;
    std::shared_ptr<ui::ImageView> bgView_;
};
