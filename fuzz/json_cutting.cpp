// Replies read with their long strings cut (the offline fetch, long stream segments): the same
// bytes read with and without cutting, in chunks at places the input chooses. Wherever no
// string or key runs past the bound and no number literal past kJsonLongestNumber, the two
// agree in status and tree; a text that reads whole still reads, cut, whatever its strings;
// and a reader of packets finds the same packets in a reply as a whole read does.
#include "src/IMChat/qximlib/QXIMPacketReader.h"
#include "src/net/transport/JsonDocument.h"

#include "chunks.h"

#include <QByteArray>
#include <QVariant>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// The longest string (as written, escapes included) and the longest run of number bytes
// outside strings in the text.
struct Lengths {
    qsizetype string = 0;
    qsizetype number = 0;
};

Lengths lengthsOf(const QByteArray& text) {
    Lengths longest;
    bool inString = false;
    bool escaped = false;
    qsizetype run = 0;
    for (const char c : text) {
        if (inString) {
            if (escaped) {
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                inString = false;
                longest.string = std::max(longest.string, run);
                run = 0;
                continue;
            }
            ++run;
            continue;
        }
        const bool number =
            (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
        run = number ? run + 1 : 0;
        longest.number = std::max(longest.number, run);
        if (c == '"') inString = true;
    }
    if (inString) longest.string = std::max(longest.string, run);
    return longest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    // The first three bytes choose the bound and the chunk lengths; the rest is the text.
    const qsizetype bound = data[0] % 32 + 1;
    const int first = data[1] % 64 + 1;
    const int later = data[2] % 16 + 1;
    const QByteArray text(reinterpret_cast<const char*>(data) + 3,
                          static_cast<qsizetype>(size - 3));

    JsonDocument whole(0, JsonDocument::Room::Own);
    const ParserStatus wholeStatus =
        readInChunks(text, first, later, [&](QByteArrayView chunk) { return whole.parse(chunk); });
    JsonDocument cut(0, JsonDocument::Room::Own);
    cut.setLongestString(bound);
    const ParserStatus cutStatus =
        readInChunks(text, first, later, [&](QByteArrayView chunk) { return cut.parse(chunk); });

    const Lengths longest = lengthsOf(text);
    if (longest.number <= kJsonLongestNumber) {
        if (wholeStatus == ParserStatusOK && cutStatus != ParserStatusOK) std::abort();
        if (longest.string <= bound && (cutStatus != wholeStatus || cut.root() != whole.root()))
            std::abort();
        if (longest.string <= bound && wholeStatus == ParserStatusOK &&
            cut.keptBytes() != whole.keptBytes()) {
            std::abort();
        }
    }

    // A reply read packet by packet holds, when it reads whole and every string is within the
    // reader's bound, the tree read whole, and refuses nothing.
    QXIMPacketReader packets(QXIMPacketReader::Shape::Reply, 1024 * 1024);
    const ParserStatus packetStatus =
        readInChunks(text, first, later, [&](QByteArrayView chunk) { return packets.read(chunk); });
    if (wholeStatus == ParserStatusOK && longest.number <= kJsonLongestNumber &&
        longest.string <= 16 * 1024) {
        const QVariant tree = whole.root();
        if (packetStatus != ParserStatusOK) std::abort();
        if (tree.isValid() && packets.value() != tree && packets.refused().isEmpty()) std::abort();
    }
    return 0;
}
