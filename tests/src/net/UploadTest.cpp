#include "net/ImageUploadRequest.h"
#include "net/NSObject+Uploader.h"
#include "net/QXIMConstantManager.h"
#include "net/UIViewController+Upload.h"

#include "platform/uikit/view_controller.h"

#include "ServiceCallFixture.h"
#include "standin/MultipartReader.h"

namespace paths = standin::paths;

namespace {

// A screen that uploads and says which callbacks it answers.
class UploadingScreen : public ui::ViewController, public UploadResultCallbacks {
public:
    explicit UploadingScreen(unsigned answered) : answered_(answered) {}

    [[nodiscard]] unsigned uploadCallbacksAnswered() const override { return answered_; }
    void uploadReturnResultUserInfo(const QVariant& reply, const QVariant& userInfo) override {
        heard.push_back({"userInfo", reply, userInfo});
    }
    void uploadReturnResultTempPath(const QVariant& reply, const QVariant& tempPath) override {
        heard.push_back({"tempPath", reply, tempPath});
    }
    void uploadReturnResult(const QVariant& reply) override {
        heard.push_back({"reply", reply, QVariant()});
    }
    void uploadFaildResult(const QVariantMap& failure, const QVariant& userInfo) override {
        heard.push_back({"failed", failure, userInfo});
    }

    struct Call {
        QString method;
        QVariant value;
        QVariant info;
    };
    std::vector<Call> heard;

private:
    unsigned answered_;
};

constexpr unsigned kChat =
    UploadResultCallbacks::kReturnResultUserInfo | UploadResultCallbacks::kFaildResult;
constexpr unsigned kNeed =
    UploadResultCallbacks::kReturnResultTempPath | UploadResultCallbacks::kFaildResult;

class RecordingUploader : public Uploader {
public:
    void uploadProgress(double progress, int, const QVariant&) override {
        progresses.push_back(progress);
    }
    void uploadReturnResult(const QVariant& reply, int kind, const QVariant&) override {
        accepted.push_back(reply);
        kinds.push_back(kind);
    }
    void uploadFaildResult(const QVariant& failure, int kind, const QVariant&) override {
        refused.push_back(failure);
        kinds.push_back(kind);
    }
    std::vector<double> progresses;
    std::vector<QVariant> accepted;
    std::vector<QVariant> refused;
    std::vector<int> kinds;
};

}  // namespace

TEST(ImageUploadRequestTest, TheBodyIsWellFormedMultipart) {
    const QByteArray body =
        ImageUploadRequest::body("Boundary-B", "{\"imageCount\":\"1\"}", 0, "JPEG");
    EXPECT_EQ(body,
              "\r\n--Boundary-B\r\n"
              "Content-Disposition: form-data; name=\"jsonArgs\";\r\n\r\n"
              "{\"imageCount\":\"1\"}\r\n"
              "--Boundary-B\r\n"
              "Content-Disposition: form-data; name=\"image\"; filename=\"imageName.jpg\"\r\n"
              "Content-Type: image/pjpeg\r\n\r\n"
              "JPEG\r\n"
              "--Boundary-B--\r\n");
    EXPECT_EQ(body.count("--Boundary-B\r\n"), 2) << "one boundary line between the parts";
    const auto parts =
        standin::MultipartReader::read("multipart/form-data; boundary=\"Boundary-B\"", body);
    ASSERT_TRUE(parts);
    ASSERT_EQ(parts->size(), 2);
    EXPECT_EQ(parts->at(0).name, "jsonArgs");
    EXPECT_EQ(parts->at(1).name, "image");
    EXPECT_EQ(parts->at(1).content, "JPEG");
}

class UploadTest : public ServiceCallFixture {
protected:
    std::vector<standin::RecordedRequest> uploads() {
        std::vector<standin::RecordedRequest> found;
        for (auto& request : server().requests(paths::kDataShare)) {
            if (request.header("interface") == "UploadImages") found.push_back(request);
        }
        return found;
    }
};

TEST_F(UploadTest, AVoiceNoteGoesAsAmrAndTheScreenGetsItsUserInfoBack) {
    context().setUserId("U-1");
    auto screen = std::make_shared<UploadingScreen>(kChat);
    const QVariant userInfo = QVariantMap{{"msg", "m-1"}};
    ASSERT_TRUE(ViewControllerUpload::uploadData(screen, QByteArray("#!AMR\nvoice"), 1, userInfo));
    ASSERT_TRUE(waitUntil([&] { return !screen->heard.empty(); }));

    const auto sent = uploads();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].method, "POST");
    EXPECT_EQ(sent[0].path, "/datashare/");
    const QStringList order{"customerId", "clientAgent",    "model",        "userId",
                            "versionId",  "agency",         "Content-Type", "QxData-Version",
                            "interface",  "ClientTimeStamp"};
    EXPECT_EQ(namesAmong(sent[0], order), order);
    EXPECT_EQ(sent[0].header("userId"), "U-1");
    const QByteArray contentType = sent[0].header("Content-Type");
    EXPECT_TRUE(contentType.startsWith("multipart/form-data; boundary=\"Boundary-"));
    const auto parts = standin::MultipartReader::read(contentType, sent[0].body);
    ASSERT_TRUE(parts);
    ASSERT_EQ(parts->size(), 2);
    EXPECT_EQ(parts->at(0).content, "{\"imageCount\":\"1\"}");
    EXPECT_EQ(parts->at(1).filename, "imageName.amr");
    EXPECT_EQ(parts->at(1).contentType, "audio/amr");
    EXPECT_EQ(parts->at(1).content, "#!AMR\nvoice");
    EXPECT_TRUE(sent[0].body.endsWith("--\r\n"));

    ASSERT_EQ(screen->heard.size(), 1u);
    EXPECT_EQ(screen->heard[0].method, "userInfo");
    EXPECT_TRUE(screen->heard[0].value.toMap().value("data").toString().endsWith(".amr"));
    EXPECT_EQ(screen->heard[0].info, userInfo);
}

TEST_F(UploadTest, OnlyPicturesAndVoiceNotesWithBytesAreSent) {
    auto screen = std::make_shared<UploadingScreen>(kChat);
    EXPECT_FALSE(ViewControllerUpload::uploadData(screen, QByteArray("x"), 2));
    EXPECT_FALSE(ViewControllerUpload::uploadData(screen, QByteArray("x"), -1));
    EXPECT_FALSE(ViewControllerUpload::uploadData(screen, std::nullopt, 0));
    // Zero bytes are bytes: the picture part is then empty.
    EXPECT_TRUE(ViewControllerUpload::uploadData(screen, QByteArray(), 0));
    ASSERT_TRUE(waitUntil([&] { return !screen->heard.empty(); }));
    const auto sent = uploads();
    ASSERT_EQ(sent.size(), 1u);
    const auto parts = standin::MultipartReader::read(sent[0].header("Content-Type"), sent[0].body);
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->at(1).filename, "imageName.jpg");
    EXPECT_EQ(parts->at(1).contentType, "image/pjpeg");
    EXPECT_TRUE(parts->at(1).content.isEmpty());
}

TEST_F(UploadTest, TwoUploadsOfOneScreenBothArrive) {
    // Neither reply comes before both uploads are under way.
    server().setFault({.prefix = paths::kDataShare, .hold = true});
    auto screen = std::make_shared<UploadingScreen>(kChat);
    ASSERT_TRUE(ViewControllerUpload::uploadData(screen, QByteArray("first"), 0, 1));
    ASSERT_TRUE(ViewControllerUpload::uploadData(screen, QByteArray("second"), 0, 2));
    server().clearFaultsAndReleaseHeld();
    ASSERT_TRUE(waitUntil([&] { return screen->heard.size() >= 2; }));
    ASSERT_EQ(screen->heard.size(), 2u);
    QList<int> infos;
    for (const auto& call : screen->heard) {
        EXPECT_EQ(call.method, "userInfo");
        EXPECT_EQ(call.value.toMap().value("status").toInt(), 0);
        infos << call.info.toInt();
    }
    std::sort(infos.begin(), infos.end());
    EXPECT_EQ(infos, (QList<int>{1, 2}));
    EXPECT_EQ(uploads().size(), 2u);
}

TEST_F(UploadTest, FailuresCarryTheUserInfoOnlyToScreensThatTakeIt) {
    // The replies never come: the cancel alone ends both uploads.
    server().setFault({.prefix = paths::kDataShare, .hold = true});
    auto chat = std::make_shared<UploadingScreen>(kChat);
    auto need = std::make_shared<UploadingScreen>(kNeed);
    ASSERT_TRUE(ViewControllerUpload::uploadData(chat, QByteArray("p"), 0, QString("chat")));
    ASSERT_TRUE(
        ViewControllerUpload::uploadDataTempFilePath(need, QByteArray("v"), 1, "/tmp/v.amr"));
    ASSERT_TRUE(waitUntil([&] { return uploads().size() == 2; }));
    ViewControllerUpload::cancelUpload(chat);
    ASSERT_TRUE(waitUntil([&] { return !chat->heard.empty() && !need->heard.empty(); }));

    ASSERT_EQ(chat->heard.size(), 1u);
    EXPECT_EQ(chat->heard[0].method, "failed");
    EXPECT_TRUE(chat->heard[0].value.toMap().value("msg").toString().contains("Code=-999"));
    EXPECT_EQ(chat->heard[0].info, QVariant("chat"));
    ASSERT_EQ(need->heard.size(), 1u);
    EXPECT_EQ(need->heard[0].method, "failed");
    EXPECT_FALSE(need->heard[0].info.isValid());
}

TEST_F(UploadTest, RepliesFindTheAnsweredCallbackOrNobody) {
    auto need = std::make_shared<UploadingScreen>(kNeed);
    auto plain = std::make_shared<UploadingScreen>(UploadResultCallbacks::kReturnResult);
    auto gone = std::make_shared<UploadingScreen>(kChat);
    ASSERT_TRUE(
        ViewControllerUpload::uploadDataTempFilePath(need, QByteArray("v"), 1, "/tmp/v.amr"));
    ASSERT_TRUE(ViewControllerUpload::uploadData(plain, QByteArray("p"), 0));
    ASSERT_TRUE(ViewControllerUpload::uploadData(gone, QByteArray("g"), 0));
    const std::weak_ptr<UploadingScreen> watched = gone;
    gone.reset();
    ASSERT_TRUE(waitUntil([&] { return !need->heard.empty() && !plain->heard.empty(); }));
    EXPECT_TRUE(waitUntil([&] { return uploads().size() == 3; }));
    EXPECT_TRUE(watched.expired()) << "an upload does not keep its screen";

    EXPECT_EQ(need->heard[0].method, "tempPath");
    EXPECT_EQ(need->heard[0].info, QVariant("/tmp/v.amr"));
    EXPECT_EQ(plain->heard[0].method, "reply");
}

TEST_F(UploadTest, TheObjectFormSaysWhetherTheServerTookTheFile) {
    QXIMConstantManager::share().setQximcustomId("710");
    context().setIMUserKey("KEY-1");
    auto uploader = std::make_shared<RecordingUploader>();
    const QVariant size = QVariantMap{{"width", 640}, {"height", 480}};
    ASSERT_TRUE(ObjectUploader::uploadData(uploader, QByteArray(2048, 'j'), 0, size));
    ASSERT_TRUE(waitUntil([&] { return !uploader->accepted.empty(); }));
    EXPECT_FALSE(uploader->progresses.empty());
    EXPECT_DOUBLE_EQ(uploader->progresses.back(), 1.0);

    server().setFault({.prefix = paths::kDataShare, .body = "{\"status\":-3}"});
    ASSERT_TRUE(ObjectUploader::uploadData(uploader, QByteArray("amr"), 1, QVariant()));
    ASSERT_TRUE(waitUntil([&] { return !uploader->refused.empty(); }));
    EXPECT_EQ(uploader->refused[0].toMap().value("status").toInt(), -3);
    EXPECT_EQ(uploader->kinds, (std::vector<int>{0, 1}));
    EXPECT_FALSE(ObjectUploader::uploadData(uploader, std::nullopt, 0, QVariant()));

    const auto sent = uploads();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].header("userId"), "KEY-1");
    EXPECT_EQ(sent[0].header("customerId"), "710");
    const auto parts = standin::MultipartReader::read(sent[0].header("Content-Type"), sent[0].body);
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->at(0).content,
              "{\"imageCount\":\"1\",\"nowatermark\":\"1\",\"width\":\"640\",\"height\":\"480\"}");
}

TEST(ObjectUploaderTest, OnlyPicturesWithBothSidesGiveTheirSize) {
    const QString plain = "{\"imageCount\":\"1\",\"nowatermark\":\"1\"}";
    EXPECT_EQ(ObjectUploader::jsonArguments(0, QVariant()), plain);
    EXPECT_EQ(ObjectUploader::jsonArguments(0, QVariantMap{{"width", 640}}), plain);
    EXPECT_EQ(ObjectUploader::jsonArguments(0, QVariantMap{{"width", 640}, {"height", 0}}), plain);
    EXPECT_EQ(ObjectUploader::jsonArguments(1, QVariantMap{{"width", 64}, {"height", 48}}), plain);
    EXPECT_EQ(ObjectUploader::jsonArguments(0, QVariantMap{{"width", "64"}, {"height", 48}}),
              "{\"imageCount\":\"1\",\"nowatermark\":\"1\",\"width\":\"64\",\"height\":\"48\"}");
}
