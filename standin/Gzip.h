#pragma once

#include <QByteArray>

namespace standin {

// gzip-compresses a reply body (the format of "Content-Encoding: gzip").
[[nodiscard]] QByteArray gzipCompress(const QByteArray& data);

}  // namespace standin
