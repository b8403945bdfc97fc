#pragma once

#include "platform/uikit/image.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

namespace ui {
class ImageSource;
}

// A GIF of several frames that decodes only a window of frames ahead of the one shown, so
// that a long GIF does not hold every bitmap: frame 0 stays, and at most the 10 frames
// after the last one fetched are decoded (one at a time, off the main thread) at any time. It
// looks like its first frame wherever an image is drawn.
class AnimatedGIFImage final : public ui::Image {
public:
    static constexpr std::size_t kFramesAhead = 10;

    // A GIF of the bundle by its file name (with extension).
    [[nodiscard]] static std::shared_ptr<ui::Image> imageNamed(const QString& name);
    // Scale 2 when the file name holds "@2x" in any case.
    [[nodiscard]] static std::shared_ptr<ui::Image> imageWithContentsOfFile(const QString& path);
    // An AnimatedGIFImage for a GIF of two frames or more; any other picture as a still
    // image; nothing for bytes that are no picture.
    [[nodiscard]] static std::shared_ptr<ui::Image> imageWithData(const QByteArray& data,
                                                                  double scale = 1);
    // Seconds frame `index` of `source` is shown: its unclamped delay (its delay when that
    // is 0 or less), 0 without one; below 0.02 s it plays 0.1 s.
    [[nodiscard]] static double frameDurationAtIndex(const ui::ImageSource& source,
                                                     std::size_t index);

    ~AnimatedGIFImage() override;

    // The frame, or nothing when it is not decoded at the moment; asks for the frames after
    // it to be decoded and lets go of it (frame 0 excepted) when the GIF is long.
    [[nodiscard]] std::shared_ptr<ui::Image> getFrameWithIndex(std::size_t index);
    [[nodiscard]] std::size_t frameCount() const { return frameDurations_.size(); }
    // The frames decoded now, nothing in the others.
    [[nodiscard]] std::vector<std::shared_ptr<ui::Image>> frameSlots() const;
    [[nodiscard]] const std::vector<double>& frameDurations() const { return frameDurations_; }
    [[nodiscard]] double totalDuration() const { return totalDuration_; }
    [[nodiscard]] unsigned loopCount() const { return loopCount_; }

    [[nodiscard]] double scale() const override;
    [[nodiscard]] ui::ImageOrientation imageOrientation() const override;
    [[nodiscard]] const QImage& pixels() const override;
    [[nodiscard]] double duration() const override { return totalDuration_; }

private:
    AnimatedGIFImage(std::shared_ptr<ui::ImageSource> source, double scale);

    const std::shared_ptr<ui::ImageSource> source_;
    const double scale_;
    std::vector<double> frameDurations_;
    double totalDuration_ = 0;
    unsigned loopCount_ = 0;
    std::shared_ptr<ui::Image> firstFrame_;
    // The frame slots, shared with the decodes queued for them: a decode finishing after
    // the image has gone finds no slots and keeps nothing, and never holds the image.
    struct Slots {
        std::mutex mutex;
        std::vector<std::shared_ptr<ui::Image>> images;
    };
    const std::shared_ptr<Slots> slots_ = std::make_shared<Slots>();
};
