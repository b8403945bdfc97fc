#pragma once

#include <QByteArray>
#include <QImage>

#include <vector>

namespace standin {

// Writes GIF files: every frame the full size of the first, colours rounded to a fixed
// palette of 6 x 6 x 6 steps, the bytes the same for the same frames every time.
class GifWriter {
public:
    struct Frame {
        QImage image;
        // Hundredths of a second; negative: the frame has no graphic control block.
        int delay = 10;
    };

    // `loopCount` 0 plays for ever; negative: no looping extension.
    [[nodiscard]] static QByteArray encode(const std::vector<Frame>& frames, int loopCount);
};

}  // namespace standin
