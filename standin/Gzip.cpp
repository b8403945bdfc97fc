#include "standin/Gzip.h"

#include <zlib.h>

#include <algorithm>

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

QByteArray gzipPaddedWithSpaces(const QByteArray& data, qint64 length) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK) {
        return {};
    }
    static const QByteArray spaces(64 * 1024, ' ');
    QByteArray compressed;
    char out[16 * 1024];
    const auto compress = [&](const char* bytes, qint64 size, int flush) {
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes));
        stream.avail_in = static_cast<uInt>(size);
        int result = Z_OK;
        do {
            stream.next_out = reinterpret_cast<Bytef*>(out);
            stream.avail_out = sizeof out;
            result = deflate(&stream, flush);
            compressed.append(out, static_cast<qsizetype>(sizeof out - stream.avail_out));
        } while (stream.avail_out == 0 || (flush == Z_FINISH && result != Z_STREAM_END));
        return result != Z_STREAM_ERROR;
    };
    bool fine = compress(data.constData(), data.size(), Z_NO_FLUSH);
    for (qint64 left = length - data.size(); fine && left > 0; left -= spaces.size()) {
        fine = compress(spaces.constData(), std::min<qint64>(left, spaces.size()), Z_NO_FLUSH);
    }
    fine = fine && compress(nullptr, 0, Z_FINISH);
    deflateEnd(&stream);
    return fine ? compressed : QByteArray();
}

}  // namespace standin
