#include "standin/MultipartReader.h"

#include <gtest/gtest.h>

using standin::MultipartReader;

namespace {

const QByteArray kType = "multipart/form-data; boundary=\"Boundary-42\"";

// The layout the app's uploads use: a leading line break, an empty part between the two
// parts, and a plain boundary line at the end instead of the closing one.
QByteArray appUpload(const QByteArray& file) {
    return "\r\n--Boundary-42\r\nContent-Disposition: form-data; name=\"jsonArgs\";\r\n\r\n"
           "{\"imageCount\":\"1\"}"
           "\r\n--Boundary-42\r\n"
           "\r\n--Boundary-42\r\nContent-Disposition: form-data; name=\"image\"; "
           "filename=\"imageName.jpg\"\r\nContent-Type: image/pjpeg\r\n\r\n" +
           file + "\r\n--Boundary-42\r\n";
}

}  // namespace

TEST(MultipartReaderTest, ReadsTheAppsUploadLayout) {
    const QByteArray picture("\xff\xd8\r\n--Boundary-4\xff\xd9", 17);
    const auto parts = MultipartReader::read(kType, appUpload(picture));
    ASSERT_TRUE(parts);
    ASSERT_EQ(parts->size(), 2);
    EXPECT_EQ(parts->at(0).name, "jsonArgs");
    EXPECT_EQ(parts->at(0).filename, "");
    EXPECT_EQ(parts->at(0).content, "{\"imageCount\":\"1\"}");
    EXPECT_EQ(parts->at(1).name, "image");
    EXPECT_EQ(parts->at(1).filename, "imageName.jpg");
    EXPECT_EQ(parts->at(1).contentType, "image/pjpeg");
    EXPECT_EQ(parts->at(1).content, picture);
}

TEST(MultipartReaderTest, KeepsAnEmptyFilePart) {
    const auto parts = MultipartReader::read(kType, appUpload({}));
    ASSERT_TRUE(parts);
    ASSERT_EQ(parts->size(), 2);
    EXPECT_EQ(parts->at(1).filename, "imageName.jpg");
    EXPECT_TRUE(parts->at(1).content.isEmpty());
}

TEST(MultipartReaderTest, ReadsStandardFormsWithTheClosingBoundary) {
    const QByteArray body =
        "--b0\r\nContent-Disposition: form-data; name=\"a;b\"\r\n\r\nfirst\r\n"
        "--b0\r\ncontent-disposition: form-data; name=voice; filename=\"x.amr\"\r\n"
        "content-type: audio/amr\r\n\r\n#!AMR\n\r\n--b0--\r\nepilogue";
    const auto parts =
        MultipartReader::read("multipart/form-data; charset=utf-8; boundary=b0", body);
    ASSERT_TRUE(parts);
    ASSERT_EQ(parts->size(), 2);
    EXPECT_EQ(parts->at(0).name, "a;b");
    EXPECT_EQ(parts->at(0).content, "first");
    EXPECT_EQ(parts->at(1).name, "voice");
    EXPECT_EQ(parts->at(1).filename, "x.amr");
    EXPECT_EQ(parts->at(1).contentType, "audio/amr");
    EXPECT_EQ(parts->at(1).content, "#!AMR\n");
}

TEST(MultipartReaderTest, RefusesMalformedBodies) {
    const QByteArray part = "--b\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\nx";
    struct Case {
        const char* why;
        QByteArray type;
        QByteArray body;
    };
    const Case cases[] = {
        {"no boundary parameter", "multipart/form-data", part + "\r\n--b--\r\n"},
        {"no boundary line", "multipart/form-data; boundary=b", "just some text"},
        {"headers never end", "multipart/form-data; boundary=b",
         "--b\r\nContent-Disposition: form-data; name=\"a\"\r\n--b--\r\n"},
        {"a header line without a name", "multipart/form-data; boundary=b",
         "--b\r\nnot a header\r\n\r\nx\r\n--b--\r\n"},
        {"cut off inside a part", "multipart/form-data; boundary=b", part},
        {"boundary run on into text", "multipart/form-data; boundary=b", part + "\r\n--bogus\r\n"},
    };
    for (const auto& entry : cases) {
        EXPECT_FALSE(MultipartReader::read(entry.type, entry.body)) << entry.why;
    }
}
