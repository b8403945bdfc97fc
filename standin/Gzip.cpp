#include "standin/Gzip.h"

#include <zlib.h>

namespace standin {

QByteArray gzipCompress(const QByteArray& data) {
    z_stream stream{};
    // 15 window bits plus 16 asks zlib for the gzip wrapper instead of the zlib one.
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK) {
        return {};
    }
    QByteArray compressed(static_cast<qsizetype>(deflateBound(&stream, data.size())) + 32,
                          Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(compressed.data());
    stream.avail_out = static_cast<uInt>(compressed.size());
    const int result = deflate(&stream, Z_FINISH);
    compressed.resize(static_cast<qsizetype>(stream.total_out));
    deflateEnd(&stream);
    return result == Z_STREAM_END ? compressed : QByteArray();
}

}  // namespace standin
