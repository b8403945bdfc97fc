// Voice notes go up through the upload call and come back from the image host unchanged.
#include "StandinClient.h"
#include "StandinFixture.h"

#include "standin/Endpoints.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <httplib.h>

namespace paths = standin::paths;

class VoiceUploadTest : public StandinFixture {};

TEST_F(VoiceUploadTest, AVoiceComesBackByteForByteAsAudio) {
    // Coded speech is any bytes: line breaks, dashes, a line that starts like a delimiter.
    std::string voice("#!AMR\n", 6);
    for (int i = 0; i < 32 * 40; ++i) voice.push_back(static_cast<char>((i * 37 + 11) % 256));
    voice += std::string("\r\n--Boundary\r\n\r\n\0\0\x3c", 19);
    const std::string body =
        "--Boundary-V\r\nContent-Disposition: form-data; name=\"image\"; "
        "filename=\"1700000000\"\r\n"
        "Content-Type: audio/amr\r\n\r\n" +
        voice + "\r\n--Boundary-V--\r\n";

    httplib::Client client = standinClient(server().port());
    const auto stored = client.Post(paths::kDataShare, {{"interface", "UploadImages"}}, body,
                                    "multipart/form-data; boundary=Boundary-V");
    ASSERT_TRUE(stored);
    const QJsonObject reply =
        QJsonDocument::fromJson(QByteArray::fromStdString(stored->body)).object();
    ASSERT_EQ(reply["status"].toInt(), 0) << stored->body;
    const QString url = reply["data"].toString();
    EXPECT_TRUE(url.endsWith(".amr")) << url.toStdString();

    const auto served = client.Get(QUrl(url).path().toStdString());
    ASSERT_TRUE(served);
    EXPECT_EQ(served->status, 200);
    EXPECT_EQ(served->get_header_value("Content-Type"), "audio/amr");
    EXPECT_EQ(served->body, voice);
}
