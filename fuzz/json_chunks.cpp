// Server replies as the messaging stream delivers them: the same bytes cut into chunks at
// places the input chooses. Whatever the cuts, a text that reads whole as a container reads
// to the same tree in chunks, and the text generated from the tree reads back (or, for a
// tree deeper than the writer goes, is refused).
#include "src/net/transport/Json.h"
#include "src/net/transport/JsonDocument.h"

#include "tree_depth.h"

#include <QByteArray>
#include <QVariant>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    // The first two bytes choose the chunk lengths; the rest is the text.
    const int first = data[0] % 64 + 1;
    const int later = data[1] % 16 + 1;
    const QByteArray text(reinterpret_cast<const char*>(data) + 2,
                          static_cast<qsizetype>(size - 2));

    std::optional<ns::Error> error;
    JsonDocument whole(text, 0, &error);
    JsonDocument chunked;
    ParserStatus status = ParserStatusNone;
    for (qsizetype at = 0, length = first;
         at < text.size() && status != ParserStatusError && status != ParserStatusOK;
         at += length, length = later) {
        status = chunked.parse(
            QByteArrayView(text.constData() + at, std::min(length, text.size() - at)));
    }
    // A text that fails whole keeps what was read before the error; only whole texts count.
    const QVariant tree = error ? QVariant() : whole.root();
    const bool container =
        tree.typeId() == QMetaType::QVariantMap || tree.typeId() == QMetaType::QVariantList;
    if (container && (status != ParserStatusOK || chunked.root() != tree)) std::abort();
    if (!tree.isValid()) return 0;

    const QString generated = json_JSONString(tree);
    if (generated.isNull() != (depthOf(tree) > JsonGen::kMaxDepth)) std::abort();
    if (!generated.isNull() && !json_JSON(QVariant(generated)).isValid()) std::abort();
    return 0;
}
