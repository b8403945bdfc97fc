#include "GifLzwEncoder.h"

#include "TestGifs.h"

#include <algorithm>
#include <unordered_map>

namespace {

constexpr int kTableSize = 4096;

}  // namespace

int GifLzwEncoder::Encoded::longest() const {
    int longest = 0;
    for (const Code& code : pixelCodes) longest = std::max(longest, code.length);
    return longest;
}

int GifLzwEncoder::Encoded::count(Kind kind) const {
    return int(std::count_if(pixelCodes.begin(), pixelCodes.end(),
                             [kind](const Code& code) { return code.kind == kind; }));
}

const GifLzwEncoder::Code& GifLzwEncoder::Encoded::giving(qint64 offset) const {
    return *std::prev(
        std::upper_bound(pixelCodes.begin(), pixelCodes.end(), offset,
                         [](qint64 pixel, const Code& code) { return pixel < code.at; }));
}

GifLzwEncoder::Encoded GifLzwEncoder::encode(const std::vector<int>& pixels, int codeSize,
                                             const Options& options) {
    const int clear = 1 << codeSize;
    Encoded encoded;
    // The encoder's table, a string's code by its prefix's code and its last pixel; and the
    // decoder's, which makes each entry a code later: its next code and the width it reads.
    std::unordered_map<int, int> table;
    int next = clear + 2;
    int decoderNext = clear + 2;
    int width = codeSize + 1;
    bool first = true;
    const auto clearTable = [&] {
        encoded.codes.push_back(testgifs::kClearCode);
        encoded.widest = std::max(encoded.widest, width);
        table.clear();
        next = decoderNext = clear + 2;
        width = codeSize + 1;
        first = true;
    };
    const auto write = [&](int code, qint64 at, int length) {
        encoded.codes.push_back(code);
        encoded.widest = std::max(encoded.widest, width);
        const Kind kind = first                 ? Kind::FirstAfterClear
                          : code == decoderNext ? Kind::PastTheTable
                          : code < clear        ? Kind::Colour
                                                : Kind::String;
        encoded.pixelCodes.push_back({code, kind, at, length});
        if (!std::exchange(first, false) && decoderNext < kTableSize &&
            ++decoderNext == 1 << width && width < 12) {
            ++width;
        }
    };
    clearTable();
    int string = -1;
    qint64 stringAt = 0;
    int length = 0;
    for (qint64 at = 0; at < qint64(pixels.size()); ++at) {
        const int pixel = pixels[std::size_t(at)];
        if (string >= 0 && options.clearsBefore.count(at)) {
            write(string, stringAt, length);
            encoded.clears.emplace_back(at, width);
            clearTable();
            string = -1;
        }
        if (string < 0) {
            string = pixel;
            stringAt = at;
            length = 1;
            continue;
        }
        const int key = string << 8 | pixel;
        if (const auto found = table.find(key); found != table.end()) {
            string = found->second;
            ++length;
            continue;
        }
        write(string, stringAt, length);
        if (next < kTableSize) {
            table[key] = next++;
        } else if (options.clearsAFullTable) {
            encoded.clears.emplace_back(at, width);
            clearTable();
        }
        string = pixel;
        stringAt = at;
        length = 1;
    }
    if (string >= 0) write(string, stringAt, length);
    if (options.endCode) encoded.codes.push_back(testgifs::kEndCode);
    return encoded;
}
