#pragma once

#include <QByteArray>
#include <QString>

// Tells the format of picture bytes from their first bytes, before any decoder sees them.
namespace ImageContentType {

// "image/jpeg", "image/png", "image/gif", "image/tiff" or "image/webp"; a null text when
// the bytes begin like none of these.
[[nodiscard]] QString ik_contentTypeForImageData(const QByteArray& data);

// The older name of the same.
[[nodiscard]] inline QString contentTypeForImageData(const QByteArray& data) {
    return ik_contentTypeForImageData(data);
}

}  // namespace ImageContentType
