// Server replies decoded in one piece: any bytes give a tree or nil, never a crash, and the
// text generated from a decoded tree decodes again (or, for a tree deeper than the writer
// goes, is refused).
#include "src/net/transport/Json.h"

#include "tree_depth.h"

#include <QByteArray>
#include <QVariant>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QVariant tree = json_JSON(QVariant(bytes));
    if (!tree.isValid()) {
        return 0;
    }
    // The writer refuses a tree deeper than it goes, and says so; any other reads back.
    const QString text = json_JSONString(tree);
    if (text.isNull() != (depthOf(tree) > JsonGen::kMaxDepth)) std::abort();
    if (!text.isNull() && !json_JSON(QVariant(text)).isValid()) std::abort();
    return 0;
}
