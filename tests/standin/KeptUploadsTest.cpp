// What a demo's stand-in keeps of its uploads across restarts: the files in its images folder
// under names of their content, bounded in size, and its port in a file, so that the whole
// addresses the app keeps in its messages go on reaching them.
#include "SandboxTest.h"
#include "StandinClient.h"
#include "StandinFixture.h"

#include "standin/KeptPort.h"
#include "standin/StandinServer.h"
#include "standin/UploadStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QUrl>

#include <httplib.h>

namespace paths = standin::paths;

namespace {

// A multipart upload of one file part as the app sends it.
std::string uploadBody(const QByteArray& file, const char* fileName, const char* type) {
    return "--K\r\nContent-Disposition: form-data; name=\"image\"; filename=\"" +
           std::string(fileName) + "\"\r\nContent-Type: " + type + "\r\n\r\n" + file.toStdString() +
           "\r\n--K--\r\n";
}

QByteArray bytesOf(char fill, int size) {
    return QByteArray(size, fill);
}

void setModified(const QString& path, const QDateTime& when) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite)) << path.toStdString();
    ASSERT_TRUE(file.setFileTime(when, QFileDevice::FileModificationTime));
}

const QDateTime kLongAgo = QDateTime(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC);

}  // namespace

class KeptUploadsTest : public SandboxTest {
protected:
    [[nodiscard]] QString images() const { return sandboxPath() + "/standin-images"; }
    [[nodiscard]] QString portFile() const { return sandboxPath() + "/standin-port.json"; }
    [[nodiscard]] QStringList keptArguments() const {
        return {"--images", images(), "--port-file", portFile()};
    }

    // Uploads a file to the server on `port`: the address it answered, or the reply's status
    // when it answered no address.
    static QString upload(int port, const QByteArray& file, const char* fileName, const char* type,
                          int* status = nullptr) {
        auto reply = standinClient(port).Post(paths::kDataShare, {{"interface", "UploadImages"}},
                                              uploadBody(file, fileName, type),
                                              "multipart/form-data; boundary=K");
        if (!reply) return {};
        if (status) *status = reply->status;
        return QJsonDocument::fromJson(QByteArray::fromStdString(reply->body))
            .object()["data"]
            .toString();
    }
    // The bytes the address serves; nothing unless it answers 200.
    static std::optional<QByteArray> fetch(const QString& url) {
        const QUrl address(url);
        auto reply = standinClient(address.port()).Get(address.path().toStdString());
        if (!reply || reply->status != 200) return std::nullopt;
        return QByteArray::fromStdString(reply->body);
    }
};

TEST_F(KeptUploadsTest, UploadsOutliveARestartOnTheSameFolderAndPortAndNoNameComesBack) {
    const QByteArray room = bytesOf('r', 3000);
    const QByteArray voice = "#!AMR\n" + bytesOf('v', 500);
    QString roomUrl;
    QString voiceUrl;
    int port = 0;
    {
        StandinProcess first;
        ASSERT_TRUE(first.start(0, keptArguments())) << first.error().toStdString();
        port = first.port();
        roomUrl = upload(port, room, "imageName.jpg", "image/pjpeg");
        voiceUrl = upload(port, voice, "1700000000", "audio/amr");
        ASSERT_TRUE(roomUrl.startsWith(first.url(paths::kUploads))) << roomUrl.toStdString();
        ASSERT_TRUE(voiceUrl.endsWith(".amr")) << voiceUrl.toStdString();
        EXPECT_EQ(fetch(roomUrl), room);
    }

    StandinProcess again;
    ASSERT_TRUE(again.start(0, keptArguments())) << again.error().toStdString();
    EXPECT_EQ(again.port(), port) << "the port kept while it was free";
    EXPECT_EQ(fetch(roomUrl), room);
    EXPECT_EQ(fetch(voiceUrl), voice);
    // Another picture gets an address of its own: the first one still shows itself.
    const QByteArray kitchen = bytesOf('k', 3000);
    const QString kitchenUrl = upload(again.port(), kitchen, "imageName.jpg", "image/pjpeg");
    EXPECT_NE(kitchenUrl.toStdString(), roomUrl.toStdString());
    EXPECT_NE(upload(again.port(), "#!AMR\n" + bytesOf('w', 500), "1700000100", "audio/amr")
                  .toStdString(),
              voiceUrl.toStdString());
    EXPECT_EQ(fetch(kitchenUrl), kitchen);
    EXPECT_EQ(fetch(roomUrl), room);
    // The same bytes again are the same file.
    EXPECT_EQ(upload(again.port(), room, "imageName.jpg", "image/pjpeg").toStdString(),
              roomUrl.toStdString());
    EXPECT_EQ(QDir(images() + "/uploads").entryList(QDir::Files).size(), 4);
}

TEST_F(KeptUploadsTest, AnUploadLargerThanTheBoundIsRefusedAndNothingKept) {
    StandinProcess server;
    ASSERT_TRUE(server.start(0, {"--images", images()})) << server.error().toStdString();
    int status = 0;
    EXPECT_TRUE(upload(server.port(), bytesOf('x', int(standin::UploadStore::kMaximumBytes) + 1),
                       "imageName.jpg", "image/pjpeg", &status)
                    .isEmpty());
    EXPECT_EQ(status, 413);
    EXPECT_TRUE(QDir(images() + "/uploads").entryList(QDir::Files).isEmpty());
}

// The files stay within the bound, the oldest going first; the same bytes uploaded again count
// as new.
TEST_F(KeptUploadsTest, TheStoreDropsTheOldestFilesPastItsBound) {
    const QString folder = sandboxPath() + "/uploads";
    standin::UploadStore store(folder, 100);
    const auto path = [&](const QByteArray& content) {
        return folder + '/' + standin::UploadStore::nameOf(content, "jpg");
    };
    const QByteArray a = bytesOf('a', 40);
    const QByteArray b = bytesOf('b', 40);
    const QByteArray c = bytesOf('c', 20);
    ASSERT_TRUE(store.store(a, "jpg"));
    ASSERT_TRUE(store.store(b, "jpg"));
    ASSERT_NO_FATAL_FAILURE(setModified(path(a), kLongAgo));
    ASSERT_NO_FATAL_FAILURE(setModified(path(b), kLongAgo.addSecs(3600)));
    ASSERT_TRUE(store.store(c, "jpg"));
    EXPECT_TRUE(QFile::exists(path(a))) << "exactly at the bound, nothing goes";

    ASSERT_TRUE(store.store(a, "jpg")) << "a, uploaded again, is the newest";
    ASSERT_NO_FATAL_FAILURE(setModified(path(c), kLongAgo.addSecs(7200)));
    const QByteArray d = bytesOf('d', 30);
    ASSERT_EQ(store.store(d, "jpg"), standin::UploadStore::nameOf(d, "jpg"));
    EXPECT_FALSE(QFile::exists(path(b))) << "the oldest";
    EXPECT_TRUE(QFile::exists(path(c)));
    EXPECT_TRUE(QFile::exists(path(a)));
    EXPECT_TRUE(QFile::exists(path(d)));

    // A file of the bound alone is kept, the others go; one byte more is not kept at all.
    const QByteArray whole = bytesOf('w', 100);
    ASSERT_TRUE(store.store(whole, "amr"));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).join(' ').toStdString(),
              standin::UploadStore::nameOf(whole, "amr").toStdString());
    EXPECT_FALSE(store.store(bytesOf('o', 101), "jpg"));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 1);
}

// Of files stored at one time (a clock's step holds several uploads) the one whose name comes
// first goes first, whatever the order the folder lists them in.
TEST_F(KeptUploadsTest, FilesOfOneTimeGoInTheOrderOfTheirNames) {
    const QString folder = sandboxPath() + "/uploads";
    standin::UploadStore store(folder, 100);
    QStringList names;
    for (const char fill : {'a', 'b', 'c'}) {
        const QByteArray content = bytesOf(fill, 30);
        ASSERT_TRUE(store.store(content, "jpg"));
        names << standin::UploadStore::nameOf(content, "jpg");
        ASSERT_NO_FATAL_FAILURE(setModified(folder + '/' + names.back(), kLongAgo));
    }
    names.sort();
    ASSERT_TRUE(store.store(bytesOf('d', 30), "jpg"));
    EXPECT_FALSE(QFile::exists(folder + '/' + names[0]));
    EXPECT_TRUE(QFile::exists(folder + '/' + names[1]));
    ASSERT_TRUE(store.store(bytesOf('e', 30), "jpg"));
    EXPECT_FALSE(QFile::exists(folder + '/' + names[1]));
    EXPECT_TRUE(QFile::exists(folder + '/' + names[2]));
}

// Every file of the folder counts against the bound, and goes in its turn: a hidden one too.
TEST_F(KeptUploadsTest, AHiddenFileCountsAgainstTheBound) {
    const QString folder = sandboxPath() + "/uploads";
    standin::UploadStore store(folder, 100);
    const QString hidden = folder + "/.hidden";
    ASSERT_TRUE(QDir().mkpath(folder));
    {
        QFile planted(hidden);
        ASSERT_TRUE(planted.open(QIODevice::WriteOnly));
        planted.write(bytesOf('h', 60));
    }
    ASSERT_NO_FATAL_FAILURE(setModified(hidden, kLongAgo));
    ASSERT_TRUE(store.store(bytesOf('a', 40), "jpg"));
    EXPECT_TRUE(QFile::exists(hidden)) << "exactly at the bound";
    ASSERT_TRUE(store.store(bytesOf('b', 30), "jpg"));
    EXPECT_FALSE(QFile::exists(hidden));
}

// What a write the stand-in was killed in left goes at the next start, in the uploads' folder and
// beside the port's file; the uploads, and files of other shapes, stay.
TEST_F(KeptUploadsTest, TheWritersLeftoversGoAtTheStart) {
    const QString folder = sandboxPath() + "/uploads";
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString upload = standin::UploadStore::nameOf("picture", "jpg");
    const QStringList leftovers{folder + '/' + upload + ".Ab3dE9", portFile() + ".zz09Qq"};
    // The dot after the hash is a dot, no other character.
    const QStringList others{folder + '/' + upload, folder + '/' + upload + ".Ab3dE9x",
                             folder + '/' + QString(upload).replace('.', '-') + ".Ab3dE9",
                             folder + "/notes.jpg.Ab3dE9", portFile() + ".bak"};
    for (const QString& path : leftovers + others) {
        QFile planted(path);
        ASSERT_TRUE(planted.open(QIODevice::WriteOnly)) << path.toStdString();
        planted.write("{\"port\":");
    }
    const standin::UploadStore store(folder);
    standin::StandinServer server;
    ASSERT_GT(standin::KeptPort::start(server, portFile()), 0);
    for (const QString& path : leftovers) EXPECT_FALSE(QFile::exists(path)) << path.toStdString();
    for (const QString& path : others) EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
}

// The port a sandbox's stand-in used comes back while it is free; taken by another server, the
// stand-in listens elsewhere and keeps that port instead.
TEST_F(KeptUploadsTest, TheKeptPortComesBackWhileFreeAndAnotherIsKeptWhenItIsTaken) {
    int kept = 0;
    {
        standin::StandinServer first;
        kept = standin::KeptPort::start(first, portFile());
        ASSERT_GT(kept, 0);
    }
    standin::StandinServer again;
    ASSERT_EQ(standin::KeptPort::start(again, portFile()), kept);

    standin::StandinServer elsewhere;
    EXPECT_EQ(elsewhere.start(kept), 0) << "one server a port";
    const int moved = standin::KeptPort::start(elsewhere, portFile());
    ASSERT_GT(moved, 0);
    EXPECT_NE(moved, kept);
    again.stop();
    elsewhere.stop();
    standin::StandinServer last;
    EXPECT_EQ(standin::KeptPort::start(last, portFile()), moved) << "the port used last";
}

TEST_F(KeptUploadsTest, AFileThatNamesNoPortIsTakenForNoneAndReplaced) {
    const auto keptAfter = [&](const QByteArray& text) {
        QFile file(portFile());
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
        file.close();
        standin::StandinServer server;
        const int port = standin::KeptPort::start(server, portFile());
        EXPECT_GT(port, 0) << text.toStdString();
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(QJsonDocument::fromJson(file.readAll())["port"].toInt(), port)
            << text.toStdString();
        return port;
    };
    // An honest file is read as it is: the port it names, free.
    const int free = keptAfter("not json");
    EXPECT_EQ(keptAfter(QByteArray("{\"port\": ") + QByteArray::number(free) + "}"), free);
    for (const QByteArray& text :
         {QByteArray("[1]"), QByteArray(R"({"port": 0})"), QByteArray(R"({"port": 65536})"),
          QByteArray(R"({"port": -1})"), QByteArray(R"({"port": 1.5})"),
          QByteArray(R"({"port": "4000"})"), QByteArray("{}")}) {
        keptAfter(text);
    }

    // The port and a file for it name it twice: refused at once.
    QProcess both;
    both.start(StandinProcess::program(), {"--port", "1", "--port-file", portFile()});
    ASSERT_TRUE(both.waitForFinished(int(kStandinWaitSec) * 1000));
    EXPECT_EQ(both.exitCode(), 2);
}
