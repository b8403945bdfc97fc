#pragma once

#include <QByteArray>

namespace ui {

// What the chunks of a PNG say, read from their headers alone: each chunk's length and type
// lead to the next without its data being looked at, so that a walk costs a few bytes a chunk
// however much a chunk claims to hold.
class PngChunks {
public:
    // `data` as the decoders are to read it: itself, or, where its bytes end before its end
    // chunk and outside its picture data, its whole chunks followed by an end chunk. A chunk that
    // says it holds more bytes than are left (a file cut off, or one made to cost its reader a
    // pass over bytes that are not there) is left out, and the picture before it decodes, as it
    // does where a file ends after its last whole chunk. Picture data cut off (a download under
    // way) is left as it is: the decoders read it as it comes and stop where it ends.
    [[nodiscard]] static QByteArray wholeChunks(const QByteArray& data);
    // Whether `data` is a PNG of RGB samples of 16 bits with a transparent colour (a tRNS chunk
    // before the picture data), which the platform's decoder shows translucent from memory it
    // has not written.
    [[nodiscard]] static bool isWideRgbWithTransparentColour(const QByteArray& data);
};

}  // namespace ui
