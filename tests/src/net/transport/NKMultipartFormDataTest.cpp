#include "net/transport/NKHTTPClient.h"
#include "net/transport/NKStreamingMultipartFormData.h"

#include "platform/foundation/file_manager.h"
#include "platform/foundation/sandbox.h"

#include "TransportFixture.h"
#include "standin/Endpoints.h"
#include "standin/MultipartReader.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QByteArray kBoundary = "Boundary+0xAbCdEfGbOuNdArY";

// Reads a body stream to its end, `chunk` bytes at a time.
QByteArray readAll(ns::InputStream& stream, qint64 chunk = 4096) {
    stream.open();
    QByteArray all;
    QByteArray buffer(chunk, '\0');
    for (;;) {
        const qint64 count = stream.read(buffer.data(), chunk);
        if (count <= 0) break;
        all.append(buffer.constData(), count);
    }
    stream.close();
    return all;
}

class NKMultipartFormDataTest : public TransportFixture {
protected:
    QString writeFile(const QString& name, const QByteArray& contents) {
        const QString path = ns::Sandbox::tmp() + "/" + name;
        EXPECT_TRUE(ns::FileManager::createFileAtPath(path, contents));
        return path;
    }
};

TEST_F(NKMultipartFormDataTest, ASinglePartCarriesBothBoundaries) {
    NKStreamingMultipartFormData form(ns::URLRequest(QUrl("http://h/up")),
                                      NKStringEncoding::utf8());
    form.appendPartWithFormData("value", "field");
    const ns::URLRequest request = form.requestByFinalizingMultipartFormData();

    const QByteArray body = readAll(*request.httpBodyStream());
    EXPECT_EQ(body, "--" + kBoundary +
                        "\r\nContent-Disposition: form-data; name=\"field\"\r\n\r\n" +
                        "value\r\n--" + kBoundary + "--\r\n");
    EXPECT_EQ(request.valueForHTTPHeaderField("Content-Type"),
              "multipart/form-data; boundary=" + kBoundary);
    EXPECT_EQ(request.valueForHTTPHeaderField("Content-Length"), QString::number(body.size()));
    EXPECT_EQ(form.bodyStream()->contentLength(), static_cast<quint64>(body.size()));
}

TEST_F(NKMultipartFormDataTest, SeveralPartsAreWellFormedAndReadBackPartByPart) {
    const QByteArray picture(5000, '\x89');
    const QString path = writeFile("voice.amr", "#!AMR\n" + QByteArray(700, 'v'));
    NKStreamingMultipartFormData form(ns::URLRequest(QUrl("http://h/up")),
                                      NKStringEncoding::utf8());
    form.appendPartWithFormData("北京", "city");
    form.appendPartWithFileData(picture, "image", "photo.jpg", "image/jpeg");
    ASSERT_TRUE(form.appendPartWithFileURL(QUrl::fromLocalFile(path), "voice"));
    const ns::URLRequest request = form.requestByFinalizingMultipartFormData();
    const QByteArray body = readAll(*request.httpBodyStream());

    EXPECT_TRUE(body.startsWith("--" + kBoundary + "\r\n"));
    EXPECT_TRUE(body.endsWith("\r\n--" + kBoundary + "--\r\n"));
    EXPECT_EQ(body.count("--" + kBoundary), 4);  // three parts, one closing line
    EXPECT_EQ(body.count("\r\n--" + kBoundary + "\r\n"), 2);
    EXPECT_EQ(form.bodyStream()->contentLength(), static_cast<quint64>(body.size()));

    const auto parts = standin::MultipartReader::read(
        request.valueForHTTPHeaderField("Content-Type").toUtf8(), body);
    ASSERT_TRUE(parts);
    ASSERT_EQ(parts->size(), 3);
    EXPECT_EQ((*parts)[0].name, "city");
    EXPECT_EQ((*parts)[0].content, "北京");
    EXPECT_EQ((*parts)[1].filename, "photo.jpg");
    EXPECT_EQ((*parts)[1].contentType, "image/jpeg");
    EXPECT_EQ((*parts)[1].content, picture);
    EXPECT_EQ((*parts)[2].name, "voice");
    EXPECT_EQ((*parts)[2].filename, "voice.amr");
    EXPECT_EQ((*parts)[2].content, "#!AMR\n" + QByteArray(700, 'v'));

    // Tiny reads continue every text where the last one stopped; a copy reads the same.
    auto copy = request.httpBodyStream()->copy();
    ASSERT_TRUE(copy);
    EXPECT_EQ(readAll(*copy, 3), body);
}

TEST_F(NKMultipartFormDataTest, APacketSizeCutsReadsShort) {
    NKStreamingMultipartFormData form(ns::URLRequest(QUrl("http://h/up")),
                                      NKStringEncoding::utf8());
    form.appendPartWithFormData(QByteArray(60, 'a'), "first");
    form.appendPartWithFormData(QByteArray(60, 'b'), "second");
    form.appendPartWithFormData(QByteArray(60, 'c'), "third");
    form.throttleBandwidthWithPacketSize(100, 0);
    auto stream = form.requestByFinalizingMultipartFormData().httpBodyStream();
    stream->open();
    QByteArray buffer(4096, '\0');
    const qint64 first = stream->read(buffer.data(), buffer.size());
    EXPECT_GE(first, 100);
    EXPECT_LT(first, static_cast<qint64>(form.bodyStream()->contentLength()));
}

TEST_F(NKMultipartFormDataTest, NoPartsLeaveTheRequestAsItWas) {
    ns::URLRequest plain(QUrl("http://h/up"));
    plain.setHTTPMethod("POST");
    NKStreamingMultipartFormData form(plain, NKStringEncoding::utf8());
    const ns::URLRequest request = form.requestByFinalizingMultipartFormData();
    EXPECT_FALSE(request.allHTTPHeaderFields().contains("Content-Type"));
    EXPECT_FALSE(request.allHTTPHeaderFields().contains("Content-Length"));
    EXPECT_FALSE(request.httpBodyStream());
}

TEST_F(NKMultipartFormDataTest, FileURLsMustBeReachableFiles) {
    NKStreamingMultipartFormData form(ns::URLRequest(QUrl("http://h/up")),
                                      NKStringEncoding::utf8());
    ns::Error error;
    EXPECT_FALSE(form.appendPartWithFileURL(QUrl("http://h/file.jpg"), "f", &error));
    EXPECT_EQ(error.domain(), "NetKitErrorDomain");
    EXPECT_EQ(error.code(), -1000);
    EXPECT_EQ(error.localizedFailureReason(), "Expected URL to be a file URL");
    EXPECT_FALSE(form.appendPartWithFileURL(QUrl::fromLocalFile(sandboxPath() + "/missing.jpg"),
                                            "f", &error));
    EXPECT_EQ(error.localizedFailureReason(), "File URL not reachable.");
    EXPECT_FALSE(form.appendPartWithFileURL(QUrl("http://h/file.jpg"), "f"));  // no error asked
    EXPECT_TRUE(form.bodyStream()->isEmpty());
}

TEST_F(NKMultipartFormDataTest, AFileThatCannotBeReadFailsTheBodyInsteadOfShorteningIt) {
    const QString path = writeFile("gone.jpg", QByteArray(100, 'x'));
    NKStreamingMultipartFormData form(ns::URLRequest(QUrl("http://h/up")),
                                      NKStringEncoding::utf8());
    ASSERT_TRUE(form.appendPartWithFileURL(QUrl::fromLocalFile(path), "picture"));
    ASSERT_TRUE(ns::FileManager::removeItemAtPath(path));
    auto stream = form.requestByFinalizingMultipartFormData().httpBodyStream();
    stream->open();
    QByteArray buffer(4096, '\0');
    EXPECT_EQ(stream->read(buffer.data(), buffer.size()), -1);
    EXPECT_EQ(stream->streamStatus(), ns::StreamStatus::Error);
    EXPECT_TRUE(stream->streamError());
}

TEST_F(NKMultipartFormDataTest, TheClientsMultipartRequestReachesTheServerWhole) {
    NKHTTPClient client(QUrl(server().root()));
    const QString path = writeFile("room.jpg", QByteArray(20000, '\xd8'));
    ns::URLRequest request = client.multipartFormRequestWithMethod(
        "POST", "datashare/", QVariantMap{{"title", "two rooms"}, {"tags", QVariantList{1, 2}}},
        [&](NKMultipartFormData& form) {
            EXPECT_TRUE(form.appendPartWithFileURL(QUrl::fromLocalFile(path), "picture"));
        });
    request.setValue("UploadImages", "interface");
    auto outcome = std::make_shared<Outcome>();
    client.enqueueHTTPRequestOperation(
        client.HTTPRequestOperationWithRequest(request, outcome->success(), outcome->failure()));
    ASSERT_TRUE(waitFor(outcome));
    ASSERT_EQ(outcome->successes, 1);
    const auto reply = QJsonDocument::fromJson(outcome->responseObject.toByteArray()).object();
    EXPECT_EQ(reply.value("status").toInt(-1), 0);
    EXPECT_TRUE(reply.value("data").toString().endsWith(".jpg"));

    const auto recorded = server().requests(standin::paths::kDataShare);
    ASSERT_EQ(recorded.size(), 1u);
    const auto parts =
        standin::MultipartReader::read(recorded[0].header("Content-Type"), recorded[0].body);
    ASSERT_TRUE(parts);
    ASSERT_EQ(parts->size(), 4);
    EXPECT_EQ((*parts)[0].name, "tags[]");
    EXPECT_EQ((*parts)[0].content, "1");
    EXPECT_EQ((*parts)[1].name, "tags[]");
    EXPECT_EQ((*parts)[2].name, "title");
    EXPECT_EQ((*parts)[2].content, "two rooms");
    EXPECT_EQ((*parts)[3].contentType, "image/jpeg");
    EXPECT_EQ((*parts)[3].content, QByteArray(20000, '\xd8'));
}

}  // namespace
