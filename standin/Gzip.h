#pragma once

#include <QByteArray>

namespace standin {

// gzip-compresses a reply body (the format of "Content-Encoding: gzip").
[[nodiscard]] QByteArray gzipCompress(const QByteArray& data);
// gzip-compresses `data` followed by spaces up to `length` bytes in all, a piece at a time:
// a gigabyte of them takes about a megabyte, and no more memory than that.
[[nodiscard]] QByteArray gzipPaddedWithSpaces(const QByteArray& data, qint64 length);

}  // namespace standin
