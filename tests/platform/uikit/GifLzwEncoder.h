#pragma once

#include <QtGlobal>

#include <set>
#include <utility>
#include <vector>

// A GIF frame's colour indices as LZW codes, as a general encoder writes them: at each step the
// longest string its table holds, each code adding the string and the pixel after it, the table
// cleared when it is full (or where asked), the codes growing a bit as the table passes each
// power of two. What it wrote is told code by code as the decoder takes it, so that a test can
// say which of the decoder's ways gives a pixel. The codes come as testgifs::gifCodeData takes
// them (kClearCode and kEndCode for those two).
class GifLzwEncoder {
public:
    // How the decoder takes a code: the first after a clear, drawn as it is; a colour; a
    // string of its table; the code just past its table (the string before and that string's
    // first pixel again).
    enum class Kind { FirstAfterClear, Colour, String, PastTheTable };

    struct Code {
        int value = 0;
        Kind kind = Kind::Colour;
        // The offset of its first pixel among the frame's, and how many it gives.
        qint64 at = 0;
        int length = 0;
    };

    struct Options {
        // Offsets of pixels before which the table is cleared, besides when it is full.
        std::set<qint64> clearsBefore = {};
        // Whether the table is cleared when it is full; else its codes go on of 12 bits.
        bool clearsAFullTable = true;
        // Whether the codes end with the end code.
        bool endCode = true;
    };

    struct Encoded {
        // As testgifs::gifCodeData takes them, the clear first.
        std::vector<int> codes;
        // Each code that gives pixels, in order.
        std::vector<Code> pixelCodes;
        // The widest code in bits; where the table was cleared after the first clear (the
        // offset of the pixel after it) and how wide its codes had grown by then.
        int widest = 0;
        std::vector<std::pair<qint64, int>> clears;
        [[nodiscard]] int longest() const;
        [[nodiscard]] int count(Kind kind) const;
        // The code that gives pixel `offset`.
        [[nodiscard]] const Code& giving(qint64 offset) const;
    };

    [[nodiscard]] static Encoded encode(const std::vector<int>& pixels, int codeSize,
                                        const Options& options);
    [[nodiscard]] static Encoded encode(const std::vector<int>& pixels, int codeSize = 2) {
        return encode(pixels, codeSize, Options{});
    }
};
