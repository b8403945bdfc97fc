#include "platform/foundation/content_decoder.h"

#include <gtest/gtest.h>

#include <zlib.h>

namespace {

QByteArray deflated(const QByteArray& plain, int windowBits) {
    z_stream stream{};
    deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(static_cast<qsizetype>(deflateBound(&stream, plain.size())) + 32,
                   Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.constData()));
    stream.avail_in = static_cast<uInt>(plain.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(static_cast<qsizetype>(stream.total_out));
    deflateEnd(&stream);
    return out;
}

QByteArray sample(int lines) {
    QByteArray text;
    for (int i = 0; i < lines; ++i)
        text += "房源 " + QByteArray::number(i * 7919) + " 朝南 两室一厅\n";
    return text;
}

TEST(ContentDecoderTest, GzipDecodesWhateverTheSplitOfThePieces) {
    const QByteArray plain = sample(40);
    const QByteArray packed = deflated(plain, 15 + 16);
    for (qsizetype step :
         {qsizetype(1), qsizetype(2), qsizetype(7), qsizetype(100), packed.size()}) {
        auto decoder = ns::ContentDecoder::forContentEncoding("gzip");
        ASSERT_TRUE(decoder);
        QByteArray out;
        for (qsizetype at = 0; at < packed.size(); at += step) {
            ASSERT_TRUE(decoder->decode(packed.mid(at, step), out)) << step;
            EXPECT_EQ(decoder->isComplete(), at + step >= packed.size()) << step;
        }
        EXPECT_EQ(out, plain) << step;
    }
}

TEST(ContentDecoderTest, LargeBodiesComeOutWhole) {
    // Many times the decoder's output step from a few input bytes.
    const QByteArray plain(5 * 1024 * 1024, 'a');
    auto decoder = ns::ContentDecoder::forContentEncoding("x-gzip");
    QByteArray out;
    ASSERT_TRUE(decoder->decode(deflated(plain, 15 + 16), out));
    EXPECT_TRUE(decoder->isComplete());
    EXPECT_EQ(out.size(), plain.size());
    EXPECT_EQ(out, plain);
}

TEST(ContentDecoderTest, DecodingStopsAsSoonAsTheBodyPassesItsMaximumLength) {
    const QByteArray plain(5 * 1024 * 1024, 'a');
    const QByteArray packed = deflated(plain, 15 + 16);  // a few KB

    auto exact = ns::ContentDecoder::forContentEncoding("gzip");
    exact->setMaximumLength(plain.size());
    QByteArray whole;
    ASSERT_TRUE(exact->decode(packed, whole));
    EXPECT_TRUE(exact->isComplete());
    EXPECT_EQ(whole.size(), plain.size());

    // A thousandfold inflation in one piece stops one byte past the bound, and stays stopped.
    for (const qint64 maximum : {plain.size() - 1, qint64(64 * 1024)}) {
        auto bounded = ns::ContentDecoder::forContentEncoding("gzip");
        bounded->setMaximumLength(maximum);
        QByteArray cut;
        EXPECT_FALSE(bounded->decode(packed, cut)) << maximum;
        EXPECT_TRUE(bounded->isTooLong());
        EXPECT_FALSE(bounded->isComplete());
        EXPECT_LE(cut.size(), maximum + 1);
        EXPECT_FALSE(bounded->decode(deflated("more", 31), cut));
    }
}

TEST(ContentDecoderTest, ConsecutiveGzipMembersFormOneBody) {
    auto decoder = ns::ContentDecoder::forContentEncoding("GZIP");
    QByteArray out;
    ASSERT_TRUE(decoder->decode(deflated("first,", 31) + deflated("second", 31), out));
    EXPECT_EQ(out, "first,second");
    EXPECT_TRUE(decoder->isComplete());
}

TEST(ContentDecoderTest, DeflateWithOrWithoutZlibWrapping) {
    const QByteArray plain = sample(10);
    for (int window : {15, -15}) {
        auto decoder = ns::ContentDecoder::forContentEncoding("deflate");
        QByteArray out;
        ASSERT_TRUE(decoder->decode(deflated(plain, window), out)) << window;
        EXPECT_EQ(out, plain) << window;
    }
}

TEST(ContentDecoderTest, GarbageFailsAndStaysFailed) {
    auto decoder = ns::ContentDecoder::forContentEncoding("gzip");
    QByteArray out;
    EXPECT_FALSE(decoder->decode("plain text, not gzip", out));
    EXPECT_FALSE(decoder->decode(deflated("late", 31), out));
    EXPECT_FALSE(decoder->isTooLong());
    EXPECT_FALSE(decoder->isComplete());
}

TEST(ContentDecoderTest, TruncatedBodyIsNotComplete) {
    const QByteArray packed = deflated(sample(5), 31);
    auto decoder = ns::ContentDecoder::forContentEncoding("gzip");
    QByteArray out;
    EXPECT_TRUE(decoder->decode(packed.left(packed.size() - 4), out));
    EXPECT_FALSE(decoder->isComplete());
}

TEST(ContentDecoderTest, IdentityAndUnknownCodingsNeedNoDecoder) {
    EXPECT_FALSE(ns::ContentDecoder::forContentEncoding(""));
    EXPECT_FALSE(ns::ContentDecoder::forContentEncoding("identity"));
    EXPECT_FALSE(ns::ContentDecoder::forContentEncoding("br"));
}

}  // namespace
