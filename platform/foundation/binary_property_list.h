#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

namespace ns {

// Reads the binary form of a property list ("bplist00") into the QVariant tree that
// PropertyList describes, checking every offset, length, reference and marker before
// using it: bytes from a file or a server are never trusted. It refuses what the writer
// could not write back (texts holding U+0000, keys that are no texts, nulls and sets),
// references that loop, and nesting deeper than any real document.
class BinaryPropertyList {
public:
    static constexpr int kMaximumDepth = 512;

    // The value, or nil with the reason in `reason`.
    [[nodiscard]] static QVariant read(const QByteArray& data, QString* reason = nullptr);
};

}  // namespace ns
