#include "platform/foundation/content_decoder.h"

#include <zlib.h>

#include <algorithm>

namespace ns {

namespace {
constexpr int kGzipWindow = 15 + 16;  // a gzip header and trailer only
constexpr int kZlibWindow = 15;       // a zlib header and trailer
constexpr int kRawWindow = -15;       // bare deflate data, which some servers send as "deflate"
constexpr int kOutputStep = 16 * 1024;
}  // namespace

struct ContentDecoder::Inflater {
    z_stream stream{};
    Format format;
    bool initialised = false;
    bool failed = false;
    bool complete = false;
    bool decidedDeflateWrapping = false;
    bool tooLong = false;
    qint64 maximum = 0;  // 0: no bound
    qint64 total = 0;    // bytes decoded so far, of the whole body

    explicit Inflater(Format f) : format(f) {}
    ~Inflater() {
        if (initialised) inflateEnd(&stream);
    }

    bool start(int window) {
        if (initialised) inflateEnd(&stream);
        stream = z_stream{};
        initialised = inflateInit2(&stream, window) == Z_OK;
        return initialised;
    }

    bool run(const QByteArray& piece, QByteArray& decoded) {
        if (failed) return false;
        if (piece.isEmpty()) return true;
        if (!initialised && format == Format::Gzip && !start(kGzipWindow)) return fail();
        if (!decidedDeflateWrapping && format == Format::Deflate) {
            // A zlib header names method 8 in its first byte, and its first two
            // bytes read as a multiple of 31; anything else is bare deflate data.
            const auto first = static_cast<unsigned char>(piece[0]);
            bool zlibWrapped = (first & 0x0f) == 8;
            if (zlibWrapped && piece.size() >= 2) {
                zlibWrapped = (first * 256 + static_cast<unsigned char>(piece[1])) % 31 == 0;
            }
            if (!start(zlibWrapped ? kZlibWindow : kRawWindow)) return fail();
            decidedDeflateWrapping = true;
        }

        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece.constData()));
        stream.avail_in = static_cast<uInt>(piece.size());
        for (;;) {
            if (complete) {
                if (stream.avail_in == 0) break;
                // Another gzip member follows the one that ended.
                if (format != Format::Gzip || inflateReset(&stream) != Z_OK) return fail();
                complete = false;
            }
            // Room for one byte past the bound at most, which tells that it was passed.
            const qsizetype step =
                maximum > 0 ? qsizetype(std::min<qint64>(kOutputStep, maximum - total + 1))
                            : kOutputStep;
            const qsizetype before = decoded.size();
            decoded.resize(before + step);
            stream.next_out = reinterpret_cast<Bytef*>(decoded.data() + before);
            stream.avail_out = static_cast<uInt>(step);
            const int status = inflate(&stream, Z_NO_FLUSH);
            const qsizetype produced = step - static_cast<qsizetype>(stream.avail_out);
            decoded.resize(before + produced);
            total += produced;
            if (maximum > 0 && total > maximum) {
                tooLong = true;
                return fail();
            }
            if (status == Z_STREAM_END) {
                complete = true;
                continue;
            }
            if (status == Z_BUF_ERROR) break;  // no progress possible until the next piece
            if (status != Z_OK) return fail();
            // With room left over zlib holds nothing back; a full buffer may leave more.
            if (stream.avail_in == 0 && stream.avail_out != 0) break;
        }
        return true;
    }

    bool fail() {
        failed = true;
        return false;
    }
};

std::unique_ptr<ContentDecoder> ContentDecoder::forContentEncoding(const QString& coding) {
    const QString name = coding.trimmed().toLower();
    if (name == QLatin1String("gzip") || name == QLatin1String("x-gzip")) {
        return std::unique_ptr<ContentDecoder>(new ContentDecoder(Format::Gzip));
    }
    if (name == QLatin1String("deflate")) {
        return std::unique_ptr<ContentDecoder>(new ContentDecoder(Format::Deflate));
    }
    return nullptr;
}

ContentDecoder::ContentDecoder(Format format) : inflater_(std::make_unique<Inflater>(format)) {}

ContentDecoder::~ContentDecoder() = default;

bool ContentDecoder::decode(const QByteArray& piece, QByteArray& decoded) {
    return inflater_->run(piece, decoded);
}

void ContentDecoder::setMaximumLength(qint64 bytes) {
    inflater_->maximum = std::max<qint64>(bytes, 0);
}

bool ContentDecoder::isTooLong() const {
    return inflater_->tooLong;
}

bool ContentDecoder::isComplete() const {
    return inflater_->complete && !inflater_->failed;
}

}  // namespace ns
