#include "Gate.h"
#include "ImageRoadFixture.h"
#include "ImageSamples.h"
#include "LoopbackServer.h"
#include "TestCertificate.h"

#include "platform/foundation/notification_center.h"
#include "standin/SamplePictures.h"

#include <QFile>

#include <atomic>

namespace {

class IKImageDownloaderTest : public ImageRoadFixture {
protected:
    // The one answer to a download of `path` of the image host.
    Answer downloadOnce(const QString& path) {
        Answers answers;
        downloader->downloadImageWithURL(imageURL(path), 0, {}, downloadedInto(answers));
        EXPECT_TRUE(waitForAnswers(answers, 1));
        return answers.count() ? answers.all()[0] : Answer{};
    }
};

TEST_F(IKImageDownloaderTest, TwoRequestsForOneURLMakeOneConnectionAndBothCallersAreCalledInOrder) {
    Answers answers;
    downloader->setSuspended(true);
    auto first = downloader->downloadImageWithURL(imageURL("test/red.png"), 0, {},
                                                  downloadedInto(answers, 1));
    auto second = downloader->downloadImageWithURL(imageURL("test/red.png"), 0, {},
                                                   downloadedInto(answers, 2));
    EXPECT_TRUE(first);
    EXPECT_TRUE(second);  // a joining caller can cancel its own part too
    EXPECT_EQ(downloader->currentDownloadCount(), 1u);
    EXPECT_EQ(downloader->callerCountForURL(imageURL("test/red.png")), 2u);
    downloader->setSuspended(false);
    ASSERT_TRUE(waitForAnswers(answers, 2));
    const auto all = answers.all();
    EXPECT_EQ(all[0].caller, 1);
    EXPECT_EQ(all[1].caller, 2);
    for (const auto& answer : all) {
        ASSERT_TRUE(answer.image);
        EXPECT_EQ(answer.image->size(), (ui::Size{8, 8}));
        EXPECT_TRUE(answer.finished);
        EXPECT_FALSE(answer.error);
    }
    EXPECT_EQ(requestsFor("test/red.png"), 1u);
    EXPECT_EQ(downloader->callerCountForURL(imageURL("test/red.png")), 0u);
}

TEST_F(IKImageDownloaderTest, ARequestAfterTheEndStartsANewDownloadEvenFromInsideTheAnswer) {
    Answers answers;
    // The first answer asks again at once: the new caller must be answered by a download
    // of its own, not joined to the list that is being answered.
    downloader->downloadImageWithURL(
        imageURL("test/red.png"), 0, {},
        [&](const std::shared_ptr<ui::Image>& image, const QByteArray&,
            const std::optional<ns::Error>& error, bool finished) {
            answers.add({image, error, IKImageCacheType::None, finished, 1});
            downloader->downloadImageWithURL(imageURL("test/red.png"), 0, {},
                                             downloadedInto(answers, 2));
        });
    ASSERT_TRUE(waitForAnswers(answers, 2));
    EXPECT_TRUE(answers.all()[1].image);
    EXPECT_EQ(requestsFor("test/red.png"), 2u);
}

TEST_F(IKImageDownloaderTest, CancellingOneCallerLeavesTheOthersAndTheLastOneStopsTheDownload) {
    Answers answers;
    downloader->setSuspended(true);
    auto first = downloader->downloadImageWithURL(imageURL("test/red.png"), 0, {},
                                                  downloadedInto(answers, 1));
    downloader->downloadImageWithURL(imageURL("test/red.png"), 0, {}, downloadedInto(answers, 2));
    first->cancel();
    first->cancel();  // twice changes nothing
    downloader->setSuspended(false);
    ASSERT_TRUE(waitForAnswers(answers, 1));
    EXPECT_EQ(answers.all()[0].caller, 2);
    EXPECT_TRUE(answers.all()[0].image);

    Answers dropped;
    downloader->setSuspended(true);
    auto only =
        downloader->downloadImageWithURL(imageURL("test/blue.jpg"), 0, {}, downloadedInto(dropped));
    only->cancel();
    EXPECT_EQ(downloader->callerCountForURL(imageURL("test/blue.jpg")), 0u);
    downloader->setSuspended(false);
    ASSERT_TRUE(runMainLoopUntil([&] { return downloader->currentDownloadCount() == 0; }));
    drainMainLoop();
    EXPECT_EQ(dropped.count(), 0u);
    EXPECT_EQ(requestsFor("test/blue.jpg"), 0u);
}

TEST_F(IKImageDownloaderTest, ErrorStatusesFailWithTheStatusAsCode) {
    for (int status : {400, 404, 500, 503}) {
        server().setFault({.prefix = "/img/test/red.png", .status = status});
        const Answer answer = downloadOnce("test/red.png");
        EXPECT_FALSE(answer.image);
        ASSERT_TRUE(answer.error);
        EXPECT_EQ(answer.error->domain(), ns::Error::kURLErrorDomain);
        EXPECT_EQ(answer.error->code(), status);
        EXPECT_TRUE(answer.finished);
    }
}

TEST_F(IKImageDownloaderTest, BodiesThatAreNoPictureHaveZeroPixels) {
    const std::vector<standin::FaultRule> faults = {
        {.prefix = "/img/test/red.png", .body = QByteArray()},
        {.prefix = "/img/test/red.png", .body = "<html>oops</html>", .contentType = "text/html"},
        {.prefix = "/img/test/red.png", .garbage = true},
    };
    for (const auto& fault : faults) {
        server().setFault(fault);
        const Answer answer = downloadOnce("test/red.png");
        EXPECT_FALSE(answer.image);
        ASSERT_TRUE(answer.error);
        EXPECT_EQ(answer.error->domain(), "IKImageErrorDomain");
        EXPECT_EQ(answer.error->code(), 0);
        EXPECT_EQ(answer.error->localizedDescription(), "Downloaded image has 0 pixels");
    }
}

TEST_F(IKImageDownloaderTest, ATruncatedReplyFailsAndAnInvalidURLAnswersAtOnce) {
    server().setFault({.prefix = "/img/test/blue.jpg", .truncate = true});
    const Answer truncated = downloadOnce("test/blue.jpg");
    EXPECT_FALSE(truncated.image);
    EXPECT_TRUE(truncated.error);

    Answers none;
    EXPECT_EQ(downloader->downloadImageWithURL(QUrl(), 0, {}, downloadedInto(none)), nullptr);
    ASSERT_EQ(none.count(), 1u);
    EXPECT_FALSE(none.all()[0].finished);
    EXPECT_FALSE(none.all()[0].error);
}

TEST_F(IKImageDownloaderTest, RequestsAskForImagesAndHeadersCanBeRemoved) {
    EXPECT_EQ(downloader->valueForHTTPHeaderField("Accept"), "image/webp,image/*;q=0.8");
    downloader->setValue("yes", "X-Probe");
    Answers answers;
    downloader->downloadImageWithURL(imageURL("test/red.png"), 0, {}, downloadedInto(answers));
    ASSERT_TRUE(waitForAnswers(answers, 1));
    downloader->setValue(QString(), "X-Probe");
    downloader->downloadImageWithURL(imageURL("test/blue.jpg"), 0, {}, downloadedInto(answers));
    ASSERT_TRUE(waitForAnswers(answers, 2));
    const auto first = server().requests("/img/test/red.png").at(0);
    EXPECT_EQ(first.header("Accept"), "image/webp,image/*;q=0.8");
    EXPECT_EQ(first.header("X-Probe"), "yes");
    EXPECT_FALSE(server().requests("/img/test/blue.jpg").at(0).hasHeader("X-Probe"));
}

TEST_F(IKImageDownloaderTest, LastInFirstOutStartsTheNewestWaitingDownloadFirst) {
    downloader->setExecutionOrder(IKImageDownloader::ExecutionOrder::LIFO);
    downloader->setMaxConcurrentDownloads(1);  // one at a time, so the order is the server's
    downloader->setSuspended(true);
    Answers answers;
    for (const char* path : {"test/red.png", "test/blue.jpg", "test/pixel.png"}) {
        downloader->downloadImageWithURL(imageURL(path), 0, {}, downloadedInto(answers));
    }
    downloader->setSuspended(false);
    ASSERT_TRUE(waitForAnswers(answers, 3));
    const auto requests = server().requests("/img/");
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].path, "/img/test/pixel.png");
    EXPECT_EQ(requests[1].path, "/img/test/blue.jpg");
    EXPECT_EQ(requests[2].path, "/img/test/red.png");
}

TEST_F(IKImageDownloaderTest, ProgressCountsTheBytesAndTheNotificationsFrameTheDownload) {
    std::mutex mutex;
    std::vector<std::pair<std::int32_t, std::int32_t>> progress;
    int starts = 0;
    int stops = 0;
    auto startObservation = ns::NotificationCenter::defaultCenter().addObserver(
        IKImageDownloaderOperation::kStartNotification, [&](const ns::Notification&) {
            std::lock_guard lock(mutex);
            ++starts;
        });
    auto stopObservation = ns::NotificationCenter::defaultCenter().addObserver(
        IKImageDownloaderOperation::kStopNotification, [&](const ns::Notification&) {
            std::lock_guard lock(mutex);
            ++stops;
        });
    Answers answers;
    downloader->downloadImageWithURL(
        imageURL("test/blue.jpg"), 0,
        [&](std::int32_t received, std::int32_t expected) {
            std::lock_guard lock(mutex);
            progress.emplace_back(received, expected);
        },
        downloadedInto(answers));
    ASSERT_TRUE(waitForAnswers(answers, 1));
    std::lock_guard lock(mutex);
    ASSERT_GE(progress.size(), 3u);
    EXPECT_EQ(progress.front(), (std::pair<std::int32_t, std::int32_t>{0, -1}));
    const std::int32_t length = progress.back().second;
    EXPECT_GT(length, 0);
    EXPECT_EQ(progress.back().first, length);
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(stops, 1);
}

TEST_F(IKImageDownloaderTest, ProgressiveLoadingShowsThePartThatHasCome) {
    // A photograph whose second half waits until the test has seen the first.
    const QByteArray photo = *standin::SamplePictures::render("posts/9.jpg");
    Gate secondHalf;
    LoopbackServer slow;
    slow.server().Get("/photo.jpg", [&](const httplib::Request&, httplib::Response& response) {
        response.set_content_provider(
            std::size_t(photo.size()), "image/jpeg",
            [&](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                const qsizetype half = photo.size() / 2;
                if (offset == 0) return sink.write(photo.constData(), std::size_t(half));
                if (!secondHalf.pass()) return false;
                return sink.write(photo.constData() + half, std::size_t(photo.size() - half));
            });
    });
    slow.start();
    Answers answers;
    downloader->downloadImageWithURL(slow.url("/photo.jpg"), IKImageDownloaderProgressiveDownload,
                                     {}, downloadedInto(answers));
    ASSERT_TRUE(waitForAnswers(answers, 1));
    const Answer partial = answers.all()[0];
    EXPECT_FALSE(partial.finished);
    ASSERT_TRUE(partial.image);
    EXPECT_EQ(partial.image->size(), (ui::Size{640, 480}));
    secondHalf.openForGood();
    ASSERT_TRUE(runMainLoopUntil([&] { return answers.all().back().finished; }));
    EXPECT_TRUE(answers.all().back().image);
    EXPECT_FALSE(answers.all().back().error);
}

TEST_F(IKImageDownloaderTest, AServerWithACertificateNobodyVouchesForGetsNoRequest) {
    for (const auto& [name, text] :
         {std::pair{"/cert.pem", kTestCertificate}, std::pair{"/key.pem", kTestKey}}) {
        QFile file(sandboxPath() + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    std::atomic<int> seen{0};
    const QByteArray png = samples::encoded(samples::solid(4, 4, Qt::red), "png");
    LoopbackServer https((sandboxPath() + "/cert.pem").toStdString(),
                         (sandboxPath() + "/key.pem").toStdString());
    https.server().Get("/img/a.png", [&](const httplib::Request&, httplib::Response& response) {
        ++seen;
        response.set_content(png.toStdString(), "image/png");
    });
    https.start();
    Answers answers;
    downloader->downloadImageWithURL(https.url("/img/a.png"), 0, {}, downloadedInto(answers));
    ASSERT_TRUE(waitForAnswers(answers, 1));
    const Answer answer = answers.all()[0];
    EXPECT_FALSE(answer.image);
    ASSERT_TRUE(answer.error);
    EXPECT_EQ(answer.error->code(), ns::Error::kURLErrorServerCertificateUntrusted);
    EXPECT_EQ(seen.load(), 0);
}

}  // namespace
