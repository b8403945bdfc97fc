#include "net/transport/NKHTTPRequestOperation.h"
#include "net/transport/NKPieceDelivery.h"
#include "net/transport/NKURLConnectionOperation.h"

#include "platform/foundation/concurrent_queue.h"
#include "platform/foundation/http_socket_reply.h"
#include "platform/foundation/notification_center.h"
#include "platform/foundation/operation_queue.h"
#include "platform/foundation/stream.h"

#include "Gate.h"
#include "TransportFixture.h"
#include "standin/Endpoints.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <condition_variable>
#include <future>
#include <mutex>
#include <string>
#include <vector>

namespace {

using State = NKURLConnectionOperation::State;

// Opens the transition rule to the test.
class StateProbe : public NKHTTPRequestOperation {
public:
    using NKHTTPRequestOperation::NKHTTPRequestOperation;
    using NKHTTPRequestOperation::setState;
};

// Writes down the announcements an operation makes, in order.
class Announcements {
public:
    explicit Announcements(ns::Operation& operation) {
        operation.addObserver([this](ns::Operation& changed, ns::Operation::Key key) {
            std::lock_guard guard(mutex_);
            switch (key) {
                case ns::Operation::Key::Ready:
                    if (changed.isReady()) log_.emplace_back("ready");
                    break;
                case ns::Operation::Key::Executing:
                    if (changed.isExecuting()) log_.emplace_back("executing");
                    break;
                case ns::Operation::Key::Finished:
                    if (changed.isFinished()) log_.emplace_back("finished");
                    break;
                case ns::Operation::Key::Cancelled:
                    log_.emplace_back("cancelled");
                    break;
            }
        });
    }
    [[nodiscard]] std::vector<std::string> log() {
        std::lock_guard guard(mutex_);
        return log_;
    }

private:
    std::mutex mutex_;
    std::vector<std::string> log_;
};

// Counts the start and finish notifications of one operation.
class NotificationCount {
public:
    explicit NotificationCount(const NKURLConnectionOperation* operation) {
        auto& center = ns::NotificationCenter::defaultCenter();
        start_ = center.addObserver(
            NKURLConnectionOperation::kOperationDidStartNotification,
            [this](const ns::Notification&) { ++starts; }, operation);
        finish_ = center.addObserver(
            NKURLConnectionOperation::kOperationDidFinishNotification,
            [this](const ns::Notification&) { ++finishes; }, operation);
    }
    int starts = 0;
    int finishes = 0;

private:
    std::shared_ptr<ns::NotificationCenter::Observation> start_;
    std::shared_ptr<ns::NotificationCenter::Observation> finish_;
};

// A memory stream that writes down the room it is asked to make for the bytes to come.
class RoomRecordingStream final : public ns::OutputStream {
public:
    void open() override { memory_->open(); }
    void close() override { memory_->close(); }
    qint64 write(const char* buffer, qint64 length) override {
        return memory_->write(buffer, length);
    }
    [[nodiscard]] bool hasSpaceAvailable() const override { return memory_->hasSpaceAvailable(); }
    [[nodiscard]] ns::StreamStatus streamStatus() const override { return memory_->streamStatus(); }
    [[nodiscard]] std::optional<QByteArray> dataWrittenToMemory() const override {
        return memory_->dataWrittenToMemory();
    }
    void expectBytes(qint64 bytes) override {
        {
            std::lock_guard guard(mutex_);
            rooms_.push_back(bytes);
        }
        memory_->expectBytes(bytes);
    }

    [[nodiscard]] std::vector<qint64> rooms() {
        std::lock_guard guard(mutex_);
        return rooms_;
    }

private:
    std::shared_ptr<ns::OutputStream> memory_ = ns::OutputStream::toMemory();
    std::mutex mutex_;
    std::vector<qint64> rooms_;
};

class NKURLConnectionOperationTest : public TransportFixture {};

TEST_F(NKURLConnectionOperationTest, StateChangesFollowTheTransitionRule) {
    auto probe = std::make_shared<StateProbe>(request("/echo/"));
    EXPECT_EQ(probe->state(), State::Ready);

    probe->setState(State::Finished);  // ready -> finished only when cancelled
    EXPECT_EQ(probe->state(), State::Ready);
    probe->setState(State::Paused);
    EXPECT_EQ(probe->state(), State::Paused);
    probe->setState(State::Executing);  // paused -> ready only
    EXPECT_EQ(probe->state(), State::Paused);
    probe->setState(State::Ready);
    probe->setState(State::Executing);
    EXPECT_TRUE(probe->isExecuting());
    probe->setState(State::Ready);  // executing -> paused or finished only
    EXPECT_TRUE(probe->isExecuting());
    probe->setState(State::Finished);
    EXPECT_TRUE(probe->isFinished());
    probe->setState(State::Ready);  // finished is final
    probe->setState(State::Paused);
    EXPECT_TRUE(probe->isFinished());

    auto cancelled = std::make_shared<StateProbe>(request("/echo/"));
    cancelled->cancel();
    cancelled->setState(State::Finished);
    EXPECT_TRUE(cancelled->isFinished());
    drainNetworkThread();
}

TEST_F(NKURLConnectionOperationTest, AQueuedRunAnnouncesExecutingThenFinishedAndCompletesOnce) {
    auto operation = std::make_shared<NKURLConnectionOperation>(request("/echo/run"));
    Announcements announcements(*operation);
    NotificationCount notifications(operation.get());
    std::atomic<int> completions{0};
    operation->setCompletionBlock([&] { ++completions; });

    ns::OperationQueue queue;
    queue.addOperation(operation);
    // The finish notification is posted after the state changed, so it may come after
    // the completion: wait for both.
    ASSERT_TRUE(
        runMainLoopUntil([&] { return completions.load() == 1 && notifications.finishes == 1; }));
    drainNetworkThread();
    drainMainLoop();

    EXPECT_EQ(announcements.log(), (std::vector<std::string>{"executing", "finished"}));
    EXPECT_EQ(completions.load(), 1);
    EXPECT_EQ(notifications.starts, 1);
    EXPECT_EQ(notifications.finishes, 1);
    EXPECT_FALSE(operation->error());
    const auto echo = QJsonDocument::fromJson(operation->responseData()).object();
    EXPECT_EQ(echo.value("path").toString(), "/echo/run");
    EXPECT_EQ(operation->totalBytesRead(), operation->responseData().size());

    // A block set after the run is a new one; it does not run for the past finish.
    operation->setCompletionBlock([&] { ++completions; });
    drainMainLoop();
    EXPECT_EQ(completions.load(), 1);
}

TEST_F(NKURLConnectionOperationTest, CancelBeforeStartFailsWith999AndOpensNoConnection) {
    auto operation = std::make_shared<NKHTTPRequestOperation>(request("/echo/never"));
    auto outcome = Outcome::of(*operation);
    Announcements announcements(*operation);
    NotificationCount notifications(operation.get());

    operation->cancel();
    operation->cancel();  // twice changes nothing
    ns::OperationQueue queue;
    queue.addOperation(operation);
    ASSERT_TRUE(waitFor(outcome));

    EXPECT_EQ(outcome->successes, 0);
    EXPECT_EQ(outcome->failures, 1);
    ASSERT_TRUE(outcome->error);
    EXPECT_EQ(outcome->error->domain(), ns::Error::kURLErrorDomain);
    EXPECT_EQ(outcome->error->code(), -999);
    EXPECT_EQ(outcome->error->failingURL(), url("/echo/never").toString());
    EXPECT_TRUE(outcome->error->description().contains("Code=-999"));
    EXPECT_EQ(announcements.log(),
              (std::vector<std::string>{"cancelled", "ready", "executing", "finished"}));
    EXPECT_EQ(notifications.starts, 1);
    EXPECT_EQ(notifications.finishes, 1);
    EXPECT_TRUE(server().requests(standin::paths::kEcho).empty());
}

TEST_F(NKURLConnectionOperationTest, CancelDuringTheLoadEndsItAtOnceWith999) {
    // The server holds the reply far longer than any wait: only the cancel can end the load.
    server().setFault({.prefix = standin::paths::kEcho, .delayMs = 60000});
    auto operation = std::make_shared<NKHTTPRequestOperation>(request("/echo/slow"));
    auto outcome = Outcome::of(*operation);
    operation->start();
    ASSERT_TRUE(
        runMainLoopUntil([&] { return !server().requests(standin::paths::kEcho).empty(); }));

    operation->cancel();
    ASSERT_TRUE(runMainLoopUntil([&] { return outcome->calls() > 0; }));
    drainNetworkThread();
    drainMainLoop();
    EXPECT_EQ(outcome->failures, 1);
    EXPECT_EQ(outcome->error->code(), -999);
    EXPECT_TRUE(operation->isFinished());
    EXPECT_TRUE(operation->isCancelled());

    operation->cancel();  // a finished operation stays as it is
    drainNetworkThread();
    drainMainLoop();
    EXPECT_EQ(outcome->calls(), 1);
}

TEST_F(NKURLConnectionOperationTest, PausingAReadyOperationPostsNothingAndResumeStartsIt) {
    auto operation = std::make_shared<NKHTTPRequestOperation>(request("/echo/later"));
    auto outcome = Outcome::of(*operation);
    NotificationCount notifications(operation.get());

    operation->pause();
    EXPECT_TRUE(operation->isPaused());
    EXPECT_FALSE(operation->isReady());
    drainMainLoop();
    EXPECT_EQ(notifications.finishes, 0);
    // A paused operation asks, when it resumes, for what it has not yet got: nothing yet.
    EXPECT_EQ(operation->request().valueForHTTPHeaderField("Range"), "bytes=0-");

    operation->resume();
    ASSERT_TRUE(waitFor(outcome));
    EXPECT_EQ(outcome->successes, 1);
    EXPECT_EQ(notifications.starts, 1);
    EXPECT_EQ(notifications.finishes, 1);
}

TEST_F(NKURLConnectionOperationTest, PauseAndResumeAskForTheMissingBytesWithRange) {
    const QByteArray first = "<script>first piece</script>";
    server().setStream({.segments = {first}, .heartbeatMs = 60000});
    auto operation =
        std::make_shared<NKHTTPRequestOperation>(request(standin::paths::kStreamReceive));
    auto outcome = Outcome::of(*operation);
    NotificationCount notifications(operation.get());

    operation->start();
    ASSERT_TRUE(runMainLoopUntil([&] { return operation->totalBytesRead() == first.size(); }));
    operation->pause();
    drainNetworkThread();
    drainMainLoop();
    EXPECT_TRUE(operation->isPaused());
    EXPECT_EQ(notifications.finishes, 1);  // a pause counts as an end for observers
    EXPECT_EQ(outcome->calls(), 0);        // but runs no completion

    operation->resume();
    ASSERT_TRUE(runMainLoopUntil(
        [&] { return server().requests(standin::paths::kStreamReceive).size() == 2; }));
    const auto requests = server().requests(standin::paths::kStreamReceive);
    EXPECT_FALSE(requests[0].hasHeader("Range"));
    EXPECT_EQ(requests[1].header("Range"), "bytes=" + QByteArray::number(first.size()) + "-");
    EXPECT_FALSE(requests[1].hasHeader("If-Range"));  // the stream sends no ETag

    // The bytes of the resumed exchange go after those already held.
    ASSERT_TRUE(runMainLoopUntil([&] { return operation->totalBytesRead() >= 2 * first.size(); }));
    operation->cancel();
    ASSERT_TRUE(waitFor(outcome));
    EXPECT_EQ(outcome->error->code(), -999);
    EXPECT_EQ(notifications.starts, 2);
}

// A resumed operation counts the chunks of its new connection from that connection's start:
// the reader is handed the chunks of both connections, each once.
TEST_F(NKURLConnectionOperationTest, AResumedOperationHandsOverTheChunksOfItsNewConnection) {
    const QByteArray first = "<script>first piece</script>";
    server().setStream({.segments = {first}, .heartbeatMs = 60000});
    auto operation =
        std::make_shared<NKHTTPRequestOperation>(request(standin::paths::kStreamReceive));
    auto reader = std::make_shared<ns::SerialQueue>("reader");
    auto handed = std::make_shared<QByteArray>();  // on the reader's queue only
    operation->setChunkHandler(reader, [handed](const QByteArray& piece) { *handed += piece; });

    operation->start();
    ASSERT_TRUE(runMainLoopUntil([&] { return operation->totalBytesRead() == first.size(); }));
    reader->sync([] {});
    EXPECT_EQ(operation->chunksHandedOver(), 1);
    operation->pause();
    drainNetworkThread();
    drainMainLoop();

    operation->resume();
    ASSERT_TRUE(runMainLoopUntil([&] { return operation->totalBytesRead() == 2 * first.size(); }));
    reader->sync([] {});
    EXPECT_EQ(*handed, first + first);
    EXPECT_EQ(operation->chunksHandedOver(), 2);
    operation->cancel();
}

TEST_F(NKURLConnectionOperationTest, ACancelWhilePausedFinishesAtOnceAndFreesTheQueue) {
    ns::OperationQueue queue;
    queue.setMaxConcurrentOperationCount(1);
    queue.setSuspended(true);
    auto paused = std::make_shared<NKHTTPRequestOperation>(request("/echo/paused"));
    auto pausedOutcome = Outcome::of(*paused);
    auto next = std::make_shared<NKHTTPRequestOperation>(request("/echo/next"));
    auto nextOutcome = Outcome::of(*next);
    paused->pause();
    queue.addOperation(paused);
    queue.addOperation(next);

    paused->cancel();
    queue.setSuspended(false);
    ASSERT_TRUE(
        runMainLoopUntil([&] { return pausedOutcome->calls() + nextOutcome->calls() == 2; }));
    drainNetworkThread();
    drainMainLoop();
    EXPECT_TRUE(paused->isFinished());
    EXPECT_EQ(pausedOutcome->failures, 1);
    EXPECT_EQ(pausedOutcome->successes, 0);
    EXPECT_EQ(pausedOutcome->error->code(), -999);
    EXPECT_EQ(nextOutcome->successes, 1);
    paused->resume();  // finished stays finished
    EXPECT_TRUE(paused->isFinished());
}

TEST_F(NKURLConnectionOperationTest, ACancelAfterAPauseMidLoadFailsOnceWith999) {
    const QByteArray first = "<script>first piece</script>";
    server().setStream({.segments = {first}, .heartbeatMs = 60000});
    auto operation =
        std::make_shared<NKHTTPRequestOperation>(request(standin::paths::kStreamReceive));
    auto outcome = Outcome::of(*operation);
    auto next = std::make_shared<NKHTTPRequestOperation>(request("/echo/next"));
    auto nextOutcome = Outcome::of(*next);
    ns::OperationQueue queue;  // one slot, held by the paused operation
    queue.setMaxConcurrentOperationCount(1);
    queue.addOperation(operation);
    queue.addOperation(next);
    ASSERT_TRUE(runMainLoopUntil([&] { return operation->totalBytesRead() == first.size(); }));
    operation->pause();
    ASSERT_TRUE(operation->isPaused());

    operation->cancel();
    ASSERT_TRUE(runMainLoopUntil([&] { return outcome->calls() + nextOutcome->calls() == 2; }));
    drainNetworkThread();
    drainMainLoop();
    EXPECT_TRUE(operation->isFinished());
    EXPECT_EQ(outcome->calls(), 1);
    EXPECT_EQ(outcome->failures, 1);
    EXPECT_EQ(outcome->error->code(), -999);
    EXPECT_EQ(nextOutcome->successes, 1);
    EXPECT_EQ(server().requests(standin::paths::kStreamReceive).size(), 1u);
}

TEST_F(NKURLConnectionOperationTest, PauseAfterTheEndStillAsksForTheRestButStaysFinished) {
    auto operation = std::make_shared<NKHTTPRequestOperation>(request("/echo/done"));
    auto outcome = Outcome::of(*operation);
    operation->start();
    ASSERT_TRUE(waitFor(outcome));
    const qsizetype length = operation->responseData().size();

    operation->pause();
    EXPECT_TRUE(operation->isFinished());
    EXPECT_EQ(operation->request().valueForHTTPHeaderField("Range"),
              QString("bytes=%1-").arg(length));
    operation->resume();  // not paused: nothing
    EXPECT_TRUE(operation->isFinished());
}

TEST_F(NKURLConnectionOperationTest, TheTimeOutFiresOnTheClock) {
    server().setFault({.prefix = standin::paths::kEcho, .delayMs = 60000});
    ns::URLRequest slow = request("/echo/slow");
    slow.setTimeoutInterval(15);
    auto operation = std::make_shared<NKHTTPRequestOperation>(slow);
    auto outcome = Outcome::of(*operation);
    operation->start();
    ASSERT_TRUE(
        runMainLoopUntil([&] { return !server().requests(standin::paths::kEcho).empty(); }));
    drainNetworkThread();

    clock().advance(14s);
    drainNetworkThread();
    drainMainLoop();
    EXPECT_EQ(outcome->calls(), 0);
    clock().advance(1s);
    ASSERT_TRUE(runMainLoopUntil([&] { return outcome->calls() > 0; }));
    EXPECT_EQ(outcome->failures, 1);
    EXPECT_EQ(outcome->error->domain(), ns::Error::kURLErrorDomain);
    EXPECT_EQ(outcome->error->code(), -1001);
}

TEST_F(NKURLConnectionOperationTest, TruncatedAndDroppedRepliesFailOnceAndCleanly) {
    server().setFault({.prefix = standin::paths::kEcho, .truncate = true});
    auto truncated = std::make_shared<NKHTTPRequestOperation>(request("/echo/cut"));
    auto cut = Outcome::of(*truncated);
    truncated->start();
    ASSERT_TRUE(waitFor(cut));
    EXPECT_EQ(cut->successes, 0);
    EXPECT_EQ(cut->failures, 1);
    EXPECT_EQ(cut->error->domain(), ns::Error::kURLErrorDomain);
    EXPECT_EQ(cut->error->code(), ns::Error::kURLErrorNetworkConnectionLost);
    EXPECT_TRUE(truncated->isFinished());

    // A stream broken off after 0, 1 or 2 chunks, the whole cut reply in one piece with the
    // headers, or the chunks a little apart as on a live stream.
    for (const double intervalMs : {0.0, 30.0}) {
        for (const int chunks : {0, 1, 2}) {
            server().setStream({.segments = {"<script>a</script>", "<script>b</script>"},
                                .count = -1,
                                .intervalMs = intervalMs});
            server().setFault(
                {.prefix = standin::paths::kStreamReceive, .dropAfterChunks = chunks});
            auto dropped =
                std::make_shared<NKHTTPRequestOperation>(request(standin::paths::kStreamReceive));
            auto drop = Outcome::of(*dropped);
            dropped->start();
            ASSERT_TRUE(waitFor(drop));
            EXPECT_EQ(drop->successes, 0) << chunks << " chunks, " << intervalMs << " ms apart";
            ASSERT_EQ(drop->failures, 1);
            EXPECT_EQ(drop->error->domain(), ns::Error::kURLErrorDomain);
            EXPECT_EQ(drop->error->code(), ns::Error::kURLErrorNetworkConnectionLost);
        }
    }
}

TEST_F(NKURLConnectionOperationTest, ABodyOfAnnouncedLengthIsKeptInABufferOfItsLength) {
    // Just past a power of two's half: grown by doubling, its buffer would be near twice it.
    const QByteArray body(300 * 1024 + 1, 'b');
    server().setFault({.prefix = standin::paths::kEcho, .body = body});
    auto operation = std::make_shared<NKHTTPRequestOperation>(request("/echo/room"));
    auto outcome = Outcome::of(*operation);
    operation->start();
    ASSERT_TRUE(waitFor(outcome));
    ASSERT_EQ(outcome->successes, 1);
    const QByteArray kept = operation->responseData();
    EXPECT_EQ(kept, body);
    EXPECT_GE(kept.capacity(), body.size());
    EXPECT_LT(kept.capacity(), body.size() + 4096);
}

// The room a body's stream makes, by what its reply announces and its request bounds.
class BodyRoomTest : public NKURLConnectionOperationTest {
protected:
    struct Load {
        std::shared_ptr<NKHTTPRequestOperation> operation;
        std::shared_ptr<RoomRecordingStream> stream;
        std::shared_ptr<Outcome> outcome;
    };

    // Loads `path` (within the echo's prefix) into a recording stream, to its end.
    Load load(const QString& path, qint64 bound = ns::URLRequest::kDefaultMaximumResponseLength) {
        ns::URLRequest loaded = request(path);
        loaded.setMaximumResponseLength(bound);
        Load result{std::make_shared<NKHTTPRequestOperation>(loaded),
                    std::make_shared<RoomRecordingStream>(), nullptr};
        result.operation->setOutputStream(result.stream);
        result.outcome = Outcome::of(*result.operation);
        result.operation->start();
        EXPECT_TRUE(waitFor(result.outcome));
        return result;
    }

    const QByteArray body_ = QByteArray(300 * 1024, 'r');
};

TEST_F(BodyRoomTest, AnAnnouncedLengthWithinTheBoundIsMadeRoomForAtOnce) {
    server().setFault({.prefix = standin::paths::kEcho, .body = body_});
    const Load within = load("/echo/within");
    ASSERT_EQ(within.outcome->successes, 1);
    EXPECT_EQ(within.stream->rooms(), (std::vector<qint64>{body_.size()}));
    EXPECT_EQ(within.operation->responseData(), body_);

    // A bound of exactly the body's length still has room made for it.
    const Load exact = load("/echo/exact", body_.size());
    ASSERT_EQ(exact.outcome->successes, 1);
    EXPECT_EQ(exact.stream->rooms(), (std::vector<qint64>{body_.size()}));
}

TEST_F(BodyRoomTest, NoLengthNoBoundOrALengthPastTheBoundMakeNoRoom) {
    // Chunked: no length announced; the body grows as it comes.
    server().setFault({.prefix = standin::paths::kEcho, .body = body_, .chunkBytes = 64 * 1024});
    const Load chunked = load("/echo/chunked");
    ASSERT_EQ(chunked.outcome->successes, 1);
    EXPECT_TRUE(chunked.stream->rooms().empty());
    EXPECT_EQ(chunked.operation->responseData(), body_);

    // No bound: nothing checks a server's figure.
    server().setFault({.prefix = standin::paths::kEcho, .body = body_});
    const Load unbounded = load("/echo/unbounded", 0);
    ASSERT_EQ(unbounded.outcome->successes, 1);
    EXPECT_TRUE(unbounded.stream->rooms().empty());
    EXPECT_EQ(unbounded.operation->responseData(), body_);

    // Past the bound: the load fails as soon as its body passes it, with no room made.
    const Load past = load("/echo/past", body_.size() - 1);
    ASSERT_EQ(past.outcome->failures, 1);
    EXPECT_EQ(past.outcome->error->code(), ns::Error::kURLErrorDataLengthExceedsMaximum);
    EXPECT_TRUE(past.stream->rooms().empty());
}

TEST_F(BodyRoomTest, ALengthShorterOrLongerThanTheBodyOnlySizesTheFirstRoom) {
    // Compressed, the length announced is the compressed one: the body grows past its room and
    // comes whole.
    constexpr qint64 kInflated = 200 * 1024;
    server().setFault({.prefix = standin::paths::kEcho, .inflatesTo = kInflated});
    const Load shorter = load("/echo/shorter");
    ASSERT_EQ(shorter.outcome->successes, 1);
    const qint64 announced = shorter.operation->response()->expectedContentLength();
    ASSERT_GT(announced, 0);
    ASSERT_LT(announced, kInflated);
    EXPECT_EQ(shorter.stream->rooms(), (std::vector<qint64>{announced}));
    EXPECT_EQ(shorter.operation->responseData().size(), kInflated);

    // A length promising more than comes: the room is the promise, and the load fails as the
    // connection closes short of it.
    server().setFault({.prefix = standin::paths::kEcho, .body = body_, .truncate = true});
    const Load longer = load("/echo/longer");
    ASSERT_EQ(longer.outcome->failures, 1);
    EXPECT_EQ(longer.outcome->error->code(), ns::Error::kURLErrorNetworkConnectionLost);
    EXPECT_EQ(longer.stream->rooms(), (std::vector<qint64>{body_.size()}));
}

TEST_F(BodyRoomTest, ABodyHandedOnInPiecesMakesNoRoom) {
    server().setFault({.prefix = standin::paths::kEcho, .body = body_});
    ns::URLRequest pieces = request("/echo/pieces");
    auto operation = std::make_shared<NKHTTPRequestOperation>(pieces);
    auto stream = std::make_shared<RoomRecordingStream>();
    operation->setOutputStream(stream);
    auto reader = std::make_shared<ns::SerialQueue>("reader");
    auto handed = std::make_shared<QByteArray>();  // on the reader's queue only
    operation->setChunkHandler(reader, [handed](const QByteArray& piece) { *handed += piece; });
    auto outcome = Outcome::of(*operation);
    operation->start();
    ASSERT_TRUE(waitFor(outcome));
    reader->sync([] {});
    ASSERT_EQ(outcome->successes, 1);
    EXPECT_EQ(*handed, body_);
    EXPECT_TRUE(stream->rooms().empty());
}

TEST_F(NKURLConnectionOperationTest, UploadProgressIsReportedOnTheMainQueueUpToTheWholeBody) {
    ns::URLRequest upload = request("/echo/upload");
    upload.setHTTPMethod("POST");
    upload.setHTTPBody(QByteArray(300 * 1024, 'u'));
    auto operation = std::make_shared<NKHTTPRequestOperation>(upload);
    std::vector<std::array<qint64, 3>> reports;
    bool onMain = true;
    operation->setUploadProgressBlock([&](quint64 bytes, qint64 total, qint64 expected) {
        onMain = onMain && ns::MainQueue::isMainThread();
        reports.push_back({static_cast<qint64>(bytes), total, expected});
    });
    auto outcome = Outcome::of(*operation);
    operation->start();
    ASSERT_TRUE(waitFor(outcome));

    ASSERT_EQ(outcome->successes, 1);
    ASSERT_FALSE(reports.empty());
    EXPECT_TRUE(onMain);
    qint64 sum = 0;
    for (const auto& [bytes, total, expected] : reports) {
        sum += bytes;
        EXPECT_EQ(total, sum);
        EXPECT_EQ(expected, 300 * 1024);
    }
    EXPECT_EQ(reports.back()[1], 300 * 1024);
}

TEST_F(NKURLConnectionOperationTest, EveryChunkReachesALateReaderWithItsOwnBytes) {
    const QByteArray a = "<script>A</script>";
    const QByteArray b = "<script>BB</script>";
    const QByteArray c = "<script>CCC</script>";
    server().setStream({.segments = {a, b, c}, .count = 3, .intervalMs = 150});

    auto reader = std::make_shared<ns::SerialQueue>("messaging");
    auto gate = std::make_shared<Gate>();
    auto chunks = std::make_shared<std::vector<QByteArray>>();
    auto outcome = std::make_shared<Outcome>();
    std::weak_ptr<NKHTTPRequestOperation> weak;
    {
        auto operation =
            std::make_shared<NKHTTPRequestOperation>(request(standin::paths::kStreamReceive));
        // The handler holds the operation, as a caller's block easily does: the
        // operation must still go away once its stream has ended.
        operation->setChunkHandler(reader, [gate, chunks, operation](const QByteArray& chunk) {
            gate->pass();
            chunks->push_back(chunk);
        });
        operation->setSuccessCallbackQueue(reader);
        operation->setFailureCallbackQueue(reader);
        operation->setCompletionBlockWithSuccess(outcome->success(), outcome->failure());
        weak = operation;
        ns::OperationQueue queue;
        queue.addOperation(operation);
        // The reader is held up until the whole stream has arrived and ended.
        ASSERT_TRUE(runMainLoopUntil([&] { return operation->isFinished(); }));
        gate->openForGood();
        ASSERT_TRUE(runMainLoopUntil([&] { return outcome->calls() > 0; }));
    }
    reader->sync([] {});

    // Each chunk holds the bytes of its own read, in order, though later reads came before the
    // reader took it. Segments the server sends 150 ms apart come in reads of their own, but
    // a busy machine may read two of them at once: a chunk then holds both.
    ASSERT_FALSE(chunks->empty());
    QByteArray joined;
    for (const QByteArray& chunk : *chunks) joined += chunk;
    EXPECT_EQ(joined, a + b + c);
    // Then the final call, after the last chunk, on the same queue.
    EXPECT_EQ(outcome->successes, 1);
    EXPECT_FALSE(outcome->onMainThread);
    EXPECT_TRUE(outcome->responseObject.toByteArray().isEmpty());
    EXPECT_TRUE(runMainLoopUntil([&] { return weak.expired(); }));
}

// An operation whose reader is busy: pieces handed to it wait until the test lets the reader
// go, and the operation's outcome reaches the same reader, after them. Its connection is the
// test's own, never started: the test plays the connection's reports.
class WaitingReader {
public:
    explicit WaitingReader(const ns::URLRequest& request)
        : operation(std::make_shared<StateProbe>(request)),
          connection(ns::URLConnection::create(request, operation, false)) {
        reader_->async([gate = gate_] { gate->pass(); });
        operation->setChunkHandler(reader_, [events = events_](const QByteArray& pieces) {
            events->push_back("pieces " + pieces.toStdString());
        });
        operation->setSuccessCallbackQueue(reader_);
        operation->setFailureCallbackQueue(reader_);
        operation->setCompletionBlockWithSuccess(
            [events = events_](const auto&, const QVariant&) { events->push_back("success"); },
            [events = events_](const auto&, const ns::Error& error) {
                events->push_back("failure " + std::to_string(error.code()));
            });
        operation->setState(State::Executing);
        operation->didReceiveResponse(*connection, std::make_shared<ns::HTTPURLResponse>(
                                                       request.url(), 200, ns::HTTPHeaderFields()));
    }
    ~WaitingReader() { letGo(); }

    // Lets the reader go, and waits until it has handled everything handed to it so far.
    std::vector<std::string> letGo() {
        gate_->openForGood();
        reader_->sync([] {});
        return *events_;
    }

    std::shared_ptr<StateProbe> operation;
    std::shared_ptr<ns::URLConnection> connection;

private:
    std::shared_ptr<ns::SerialQueue> reader_ = std::make_shared<ns::SerialQueue>("reader");
    std::shared_ptr<Gate> gate_ = std::make_shared<Gate>();
    // Written on the reader's queue only.
    std::shared_ptr<std::vector<std::string>> events_ =
        std::make_shared<std::vector<std::string>>();
};

// Pieces that come while a delivery waits for the reader join it: the reader takes them in one
// call, whole and in order, and the reports of the bytes read on the main queue join likewise.
// A piece that comes once the reader has taken the others is a delivery of its own.
TEST_F(NKURLConnectionOperationTest, PiecesThatComeWhileADeliveryWaitsJoinItWholeAndInOrder) {
    WaitingReader waiting(request(standin::paths::kDataShare));
    std::vector<std::pair<quint64, qint64>> reports;
    waiting.operation->setDownloadProgressBlock(
        [&](quint64 bytes, qint64 total, qint64) { reports.emplace_back(bytes, total); });
    for (const char* piece : {"<scr", "ipt>", "A</sc", "ript>"})
        waiting.operation->didReceiveData(*waiting.connection, piece);
    drainMainLoop();
    EXPECT_EQ(reports, (std::vector<std::pair<quint64, qint64>>{{18, 18}}));
    EXPECT_EQ(waiting.operation->totalBytesRead(), 18);
    EXPECT_EQ(waiting.letGo(), std::vector<std::string>{"pieces <script>A</script>"});

    waiting.operation->didReceiveData(*waiting.connection, "<script>B</script>");
    drainMainLoop();
    EXPECT_EQ(waiting.letGo(),
              (std::vector<std::string>{"pieces <script>A</script>", "pieces <script>B</script>"}));
    EXPECT_EQ(reports.back(), (std::pair<quint64, qint64>{18, 36}));
}

// Pieces that join a waiting delivery bring the chunks they came in with them: the reader
// takes the sum of their chunks with their bytes, and the next delivery only its own.
TEST_F(NKURLConnectionOperationTest, PiecesThatJoinADeliveryBringTheSumOfTheirChunks) {
    auto reader = std::make_shared<ns::SerialQueue>("reader");
    auto gate = std::make_shared<Gate>();
    reader->async([gate] { gate->pass(); });
    std::vector<std::pair<QByteArray, qint64>> deliveries;  // on the reader's queue only
    auto delivery = std::make_shared<NKPieceDelivery>(
        reader,
        [&deliveries](const QByteArray& pieces, qint64 chunks) {
            deliveries.emplace_back(pieces, chunks);
        },
        0, [] {});
    const auto noHold = [] {};
    delivery->add("<scr", 1, noHold);
    delivery->add("ipt>A", 2, noHold);
    delivery->add("</script>", 4, noHold);
    gate->openForGood();
    reader->sync([] {});
    delivery->add("<script>B</script>", 3, noHold);
    reader->sync([] {});
    EXPECT_EQ(deliveries, (std::vector<std::pair<QByteArray, qint64>>{{"<script>A</script>", 7},
                                                                      {"<script>B</script>", 3}}));
}

// A cancel while a delivery waits: the pieces waiting never reach the reader, nor does any
// that comes after.
TEST_F(NKURLConnectionOperationTest, ACancelWhileADeliveryWaitsDeliversNothingMore) {
    WaitingReader waiting(request(standin::paths::kDataShare));
    waiting.operation->didReceiveData(*waiting.connection, "<script>A</script>");
    waiting.operation->didReceiveData(*waiting.connection, "<script>B</script>");
    waiting.operation->cancel();
    waiting.operation->didReceiveData(*waiting.connection, "<script>C</script>");
    drainNetworkThread();
    const auto events = waiting.letGo();
    EXPECT_TRUE(std::none_of(events.begin(), events.end(), [](const std::string& event) {
        return event.starts_with("pieces");
    })) << events.front();
}

// The reply ends, or fails, while pieces wait for the reader: they reach it whole first, then
// the outcome.
TEST_F(NKURLConnectionOperationTest, TheEndOrAFailureAfterPiecesThatWaitComesAfterThem) {
    {
        WaitingReader waiting(request(standin::paths::kDataShare));
        waiting.operation->didReceiveData(*waiting.connection, "<script>A</script>");
        waiting.operation->didReceiveData(*waiting.connection, "<script>B</script>");
        waiting.operation->didFinishLoading(*waiting.connection);
        EXPECT_EQ(waiting.letGo(), (std::vector<std::string>{
                                       "pieces <script>A</script><script>B</script>", "success"}));
    }
    WaitingReader waiting(request(standin::paths::kDataShare));
    waiting.operation->didReceiveData(*waiting.connection, "<script>A</script>");
    waiting.operation->didReceiveData(*waiting.connection, "<script>B</script>");
    waiting.operation->didFailWithError(
        *waiting.connection,
        ns::Error(ns::Error::kURLErrorDomain, ns::Error::kURLErrorNetworkConnectionLost, {}));
    EXPECT_EQ(waiting.letGo(),
              (std::vector<std::string>{
                  "pieces <script>A</script><script>B</script>",
                  "failure " + std::to_string(ns::Error::kURLErrorNetworkConnectionLost)}));
}

// A reader that falls behind holds an endless reply back: no more than its bound of pieces,
// and the piece that reached it, waits for it; the reader's own hold keeps the reading held
// once it has caught up, and letting go reads on.
TEST_F(NKURLConnectionOperationTest, PiecesWaitingForTheirReaderHoldTheReplyBack) {
    constexpr qint64 kMost = 256 * 1024;
    constexpr qint64 kPiece = 64 * 1024;  // the most a plain-http reply keeps for its reader
    server().setFault({.prefix = standin::paths::kDataShare, .endless = true});
    auto reader = std::make_shared<ns::SerialQueue>("reader");
    std::promise<void> caughtUp;
    reader->async([behind = caughtUp.get_future().share()] { behind.wait(); });
    struct LetGo {
        std::promise<void>& promise;
        bool done = false;
        void operator()() {
            if (!std::exchange(done, true)) promise.set_value();
        }
        ~LetGo() { (*this)(); }
    } letReaderGo{caughtUp};
    auto handled = std::make_shared<std::atomic<qint64>>(0);
    auto operation = std::make_shared<NKHTTPRequestOperation>(request(standin::paths::kDataShare));
    operation->setChunkHandler(
        reader, [handled](const QByteArray& piece) { *handled += piece.size(); }, kMost);
    ns::OperationQueue queue;
    queue.addOperation(operation);
    ASSERT_TRUE(runMainLoopUntil(
        [&] { return operation->isReadingHeld() || operation->totalBytesRead() > 4 * kMost; }));
    EXPECT_TRUE(operation->isReadingHeld()) << operation->totalBytesRead();
    operation->setReadingHeld(true);
    letReaderGo();
    reader->sync([] {});
    EXPECT_GE(handled->load(), kMost);
    EXPECT_LE(handled->load(), kMost + kPiece);
    drainNetworkThread();
    EXPECT_TRUE(operation->isReadingHeld());
    operation->setReadingHeld(false);
    EXPECT_TRUE(runMainLoopUntil([&] { return handled->load() > 4 * kMost; }));
    operation->cancel();
    reader->sync([] {});
}

// The pieces waiting for their reader hold the reply back from exactly their bound on: the
// piece that brings them to it sets the hold before it goes.
TEST_F(NKURLConnectionOperationTest, WaitingPiecesHoldTheReplyFromExactlyTheirBoundOn) {
    constexpr qint64 kMost = 256 * 1024;
    auto reader = std::make_shared<ns::SerialQueue>("reader");
    Gate caughtUp;
    reader->async([&] { caughtUp.pass(); });
    auto operation = std::make_shared<NKHTTPRequestOperation>(request(standin::paths::kDataShare));
    operation->setChunkHandler(
        reader, [](const QByteArray&) {}, kMost);
    const auto connection = ns::URLConnection::create(operation->request(), operation, false);
    operation->didReceiveData(*connection, QByteArray(kMost - 1, 'x'));
    EXPECT_FALSE(connection->isReadingHeld());
    operation->didReceiveData(*connection, "x");
    EXPECT_TRUE(connection->isReadingHeld());
    caughtUp.open();
    reader->sync([] {});
}

// A hold set before its connection exists holds the reply from its first byte: a reply that
// ends meanwhile waits whole behind the hold, the idle time-out does not count while it is
// held, and once let go the reply is read and the operation finishes.
TEST_F(NKURLConnectionOperationTest, AHoldSetBeforeTheConnectionHoldsTheReplyUntilLetGo) {
    server().setStream({.segments = {"<script>x</script>"}, .count = 1});
    ns::URLRequest held = request(standin::paths::kStreamReceive);
    held.setTimeoutInterval(20);
    auto operation = std::make_shared<NKHTTPRequestOperation>(held);
    auto outcome = Outcome::of(*operation);
    operation->setReadingHeld(true);
    ns::OperationQueue queue;
    queue.addOperation(operation);
    const auto replyEnded = [&] {
        bool ended = false;
        ns::NetworkThread::shared().sync([&] {
            for (const auto* reply :
                 ns::NetworkThread::shared().accessManager().findChildren<ns::HTTPSocketReply*>()) {
                ended = ended || (reply->url() == held.url() && reply->isFinished());
            }
        });
        return ended;
    };
    ASSERT_TRUE(runMainLoopUntil([&] { return replyEnded() || outcome->calls() > 0; }));
    clock().advance(21s);
    drainMainLoop();
    drainNetworkThread();
    drainMainLoop();
    EXPECT_EQ(outcome->calls(), 0);
    EXPECT_EQ(operation->totalBytesRead(), 0);
    operation->setReadingHeld(false);
    ASSERT_TRUE(waitFor(outcome));
    EXPECT_EQ(outcome->successes, 1);
    EXPECT_EQ(operation->responseData(), "<script>x</script>");
}

TEST_F(NKURLConnectionOperationTest, StreamingOperationsGoAwayAfterEveryReconnect) {
    server().setStream({.segments = {"<script>x</script>"}, .count = 1});
    std::vector<std::weak_ptr<NKHTTPRequestOperation>> ended;
    ns::OperationQueue queue;
    for (int reconnect = 0; reconnect < 3; ++reconnect) {
        auto operation =
            std::make_shared<NKHTTPRequestOperation>(request(standin::paths::kStreamReceive));
        auto outcome = std::make_shared<Outcome>();
        operation->setChunkHandler(ns::DispatchQueue::main(),
                                   [operation](const QByteArray&) { (void)operation->request(); });
        operation->setCompletionBlockWithSuccess(
            [outcome, operation](const auto& op, const QVariant& object) {
                outcome->success()(op, object);
            },
            outcome->failure());
        ended.push_back(operation);
        queue.addOperation(operation);
        operation.reset();
        ASSERT_TRUE(waitFor(outcome));
    }
    EXPECT_TRUE(runMainLoopUntil([&] {
        return std::all_of(ended.begin(), ended.end(),
                           [](const auto& weak) { return weak.expired(); });
    }));
}

TEST_F(NKURLConnectionOperationTest, CopiesKeepTheRequestAndTheBlocksButNotTheCompletion) {
    auto operation = std::make_shared<NKHTTPRequestOperation>(request("/echo/copy"));
    int downloads = 0;
    operation->setDownloadProgressBlock([&](quint64, qint64, qint64) { ++downloads; });
    operation->setAllowsInvalidSSLCertificate(true);
    operation->setUserInfo({{"kept", false}});
    operation->setCompletionBlock([] { FAIL() << "the completion is not copied"; });

    const auto copy = operation->copy();
    ASSERT_TRUE(std::dynamic_pointer_cast<NKHTTPRequestOperation>(copy));
    EXPECT_EQ(copy->request().url(), operation->request().url());
    EXPECT_TRUE(copy->allowsInvalidSSLCertificate());
    EXPECT_TRUE(copy->userInfo().isEmpty());
    EXPECT_TRUE(copy->isReady());
    std::atomic<bool> done{false};
    copy->setCompletionBlock([&] { done = true; });
    copy->start();
    ASSERT_TRUE(runMainLoopUntil([&] { return done.load(); }));
    drainMainLoop();
    EXPECT_GT(downloads, 0);
    EXPECT_TRUE(copy->description().startsWith("<NKHTTPRequestOperation: 0x"));
    EXPECT_TRUE(copy->description().contains("state: isFinished, cancelled: NO"));
}

TEST_F(NKURLConnectionOperationTest, AnArchiveKeepsTheOutcomeAndTakesARunningLoadAsPaused) {
    const auto archived = [](NKURLConnectionOperation& operation) {
        ns::KeyedArchiver archiver;
        operation.encodeWithCoder(archiver);
        return ns::KeyedUnarchiver(archiver.encodedData());
    };
    // A finished load: everything it got comes back, on a new operation that may run again.
    auto done = std::make_shared<NKHTTPRequestOperation>(request("/echo/done"));
    done->setAllowsInvalidSSLCertificate(true);
    auto outcome = Outcome::of(*done);
    done->start();
    ASSERT_TRUE(waitFor(outcome));
    const auto fromDone = archived(*done);
    EXPECT_EQ(fromDone.decodeIntegerForKey("state"), 3);
    const auto again = NKURLConnectionOperation::initWithCoder<NKHTTPRequestOperation>(fromDone);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->request().url(), done->request().url());
    EXPECT_TRUE(again->isReady()) << "a new operation does not start finished";
    EXPECT_FALSE(again->isCancelled());
    EXPECT_EQ(again->responseData(), done->responseData());
    EXPECT_FALSE(again->responseData().isEmpty());
    EXPECT_EQ(again->totalBytesRead(), done->totalBytesRead());
    EXPECT_TRUE(again->allowsInvalidSSLCertificate());
    const auto* response = dynamic_cast<const ns::HTTPURLResponse*>(again->response().get());
    ASSERT_NE(response, nullptr);
    EXPECT_EQ(response->statusCode(), 200);
    EXPECT_EQ(response->mimeType(), again->response()->mimeType());
    EXPECT_FALSE(again->error());
    auto rerun = Outcome::of(*again);
    ns::OperationQueue queue;
    queue.addOperation(again);
    ASSERT_TRUE(waitFor(rerun));
    EXPECT_EQ(rerun->successes, 1);
    EXPECT_EQ(server().requests(standin::paths::kEcho).size(), 2u);

    // A running load is paused by archiving and archived as ready.
    server().setFault({.prefix = standin::paths::kEcho, .delayMs = 60000});
    auto running = std::make_shared<NKHTTPRequestOperation>(request("/echo/slow"));
    running->start();
    ASSERT_TRUE(
        runMainLoopUntil([&] { return server().requests(standin::paths::kEcho).size() == 3; }));
    const auto fromRunning = archived(*running);
    EXPECT_TRUE(running->isPaused());
    EXPECT_EQ(fromRunning.decodeIntegerForKey("state"), 1);
    EXPECT_TRUE(NKURLConnectionOperation::initWithCoder(fromRunning)->isReady());
    running->cancel();

    // A cancelled one comes back cancelled with its error, and ends without a connection.
    auto cancelled = std::make_shared<NKHTTPRequestOperation>(request("/echo/never"));
    cancelled->cancel();
    drainNetworkThread();
    const auto back =
        NKURLConnectionOperation::initWithCoder<NKHTTPRequestOperation>(archived(*cancelled));
    EXPECT_TRUE(back->isCancelled());
    ASSERT_TRUE(back->error());
    EXPECT_EQ(back->error()->code(), -999);
    EXPECT_EQ(back->error()->failingURL(), url("/echo/never").toString());
    auto backOutcome = Outcome::of(*back);
    queue.addOperation(back);
    ASSERT_TRUE(waitFor(backOutcome));
    EXPECT_EQ(backOutcome->failures, 1);
    EXPECT_EQ(server().requests(standin::paths::kEcho).size(), 3u);
}

TEST_F(NKURLConnectionOperationTest, ArchivedStatesGoThroughTheTransitionRule) {
    const auto withState = [&](qint64 state) {
        ns::KeyedArchiver archiver;
        archiver.encodeObject(ns::archivedURLRequest(request("/echo/x")), "request");
        archiver.encodeInteger(state, "state");
        return NKURLConnectionOperation::initWithCoder(ns::KeyedUnarchiver(archiver.encodedData()));
    };
    EXPECT_TRUE(withState(-1)->isPaused());
    EXPECT_TRUE(withState(2)->isReady()) << "running, with nothing that would ever finish it";
    EXPECT_TRUE(withState(3)->isReady());
    EXPECT_TRUE(withState(77)->isReady());
    EXPECT_FALSE(NKURLConnectionOperation::initWithCoder(ns::KeyedUnarchiver("junk")))
        << "no request, no operation";
}

class BackgroundTaskTest : public NKURLConnectionOperationTest {
protected:
    void SetUp() override {
        NKURLConnectionOperationTest::SetUp();
        ui::Application::reset();
        application().launch();
    }
    void TearDown() override {
        ui::Application::reset();
        NKURLConnectionOperationTest::TearDown();
    }
    static ui::Application& application() { return ui::Application::sharedApplication(); }
    // A load the server holds longer than the background time.
    std::shared_ptr<NKHTTPRequestOperation> slowLoad() {
        server().setFault({.prefix = standin::paths::kEcho, .delayMs = 3600000});
        ns::URLRequest slow = request("/echo/slow");
        slow.setTimeoutInterval(3600);
        slow.setDeadlineInterval(3600);
        return std::make_shared<NKHTTPRequestOperation>(slow);
    }
};

TEST_F(BackgroundTaskTest, TheTaskLastsAsLongAsTheOperationOrCancelsItWhenTimeRunsOut) {
    auto operation = slowLoad();
    auto outcome = Outcome::of(*operation);
    int expired = 0;
    operation->setShouldExecuteAsBackgroundTaskWithExpirationHandler([&] { ++expired; });
    operation->setShouldExecuteAsBackgroundTaskWithExpirationHandler([&] { expired += 100; });
    EXPECT_EQ(application().backgroundTaskCount(), 1u) << "one task an operation";
    operation->start();
    ASSERT_TRUE(
        runMainLoopUntil([&] { return !server().requests(standin::paths::kEcho).empty(); }));

    application().moveToBackground();
    clock().advance(std::chrono::seconds(599));
    EXPECT_EQ(expired, 0);
    clock().advance(std::chrono::seconds(1));
    EXPECT_EQ(expired, 1);
    EXPECT_EQ(application().backgroundTaskCount(), 0u);
    EXPECT_EQ(operation->backgroundTaskIdentifier(), ui::kBackgroundTaskInvalid);
    ASSERT_TRUE(waitFor(outcome));
    EXPECT_EQ(outcome->failures, 1);
    EXPECT_EQ(outcome->error->code(), -999);

    // An operation that goes ends its task; its handler never runs.
    application().returnToForeground();
    auto gone = slowLoad();
    gone->setShouldExecuteAsBackgroundTaskWithExpirationHandler([&] { expired += 10; });
    EXPECT_EQ(application().backgroundTaskCount(), 1u);
    gone.reset();
    EXPECT_EQ(application().backgroundTaskCount(), 0u);
    application().moveToBackground();
    clock().advance(std::chrono::seconds(600));
    EXPECT_EQ(expired, 1);
}

}  // namespace
