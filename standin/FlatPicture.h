#pragma once

#include <QByteArray>
#include <QSize>

namespace standin {

// A PNG of one colour: few bytes for many pixels (5,000 x 5,000 pixels in about 73 KB), the
// kind of picture that costs a client far more decoded than it cost to send.
class FlatPicture {
public:
    // The picture of `size` pixels, drawn once a size and kept; nothing for an empty size.
    [[nodiscard]] static QByteArray png(QSize size);
};

}  // namespace standin
