#include "platform/foundation/stream.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

QByteArray written(ns::OutputStream& stream) {
    return stream.dataWrittenToMemory().value_or(QByteArray());
}

TEST(MemoryOutputStreamTest, BytesExpectedGetRoomBesideWhatIsHeld) {
    auto stream = ns::OutputStream::toMemory();
    stream->open();
    ASSERT_EQ(stream->write("head", 4), 4);
    stream->expectBytes(100 * 1024);
    const QByteArray held = written(*stream);
    EXPECT_GE(held.capacity(), 4 + 100 * 1024);
    EXPECT_LT(held.capacity(), 2 * 100 * 1024);
    EXPECT_EQ(held, "head");
}

TEST(MemoryOutputStreamTest, BytesPastTheRoomAreKeptAll) {
    auto stream = ns::OutputStream::toMemory();
    stream->open();
    stream->expectBytes(8);
    const QByteArray more(64 * 1024, 'm');
    ASSERT_EQ(stream->write("12345678", 8), 8);
    ASSERT_EQ(stream->write(more.constData(), more.size()), more.size());
    EXPECT_EQ(written(*stream), "12345678" + more);
}

TEST(MemoryOutputStreamTest, NoBytesOrLessMakeNoRoom) {
    auto stream = ns::OutputStream::toMemory();
    stream->open();
    stream->expectBytes(0);
    stream->expectBytes(-1);
    EXPECT_EQ(written(*stream).capacity(), 0);
    EXPECT_TRUE(written(*stream).isEmpty());
}

TEST(FileOutputStreamTest, BytesExpectedChangeNothingOnDisk) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("body"));
    auto stream = ns::OutputStream::toFileAtPath(path, false);
    stream->open();
    stream->expectBytes(1024 * 1024);
    ASSERT_EQ(stream->write("abc", 3), 3);
    stream->close();
    EXPECT_EQ(stream->fileCurrentOffset(), 3u);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "abc");
}

}  // namespace
