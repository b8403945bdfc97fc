// The message store against raw SQLite on the same schema, and the stream's segment cutter.
//
// Storing: packets of 20 received messages stored through the store (duplicate test, talk
// row, one transaction a packet) against the same rows inserted with one prepared
// statement in one transaction a packet, the two in turns. Reading: the last 20 messages of a talk
// of 100,000 rows through the store (as messages, and as row dictionaries) against the same query
// run raw. Cutting: megabytes of stream text a second, as a share of a plain search for the
// segment start over the same bytes, and a segment that never closes fed a second at a time at
// 1 MB/s up to the cutter's bound (the CPU time of its last second of stream: what a server that
// never closes one keeps the service queue busy with).

#include "bench/support/side_by_side.h"

#include "IMChat/qximlib/CometScriptCutter.h"
#include "IMChat/qximlib/QXIMDatabase.h"
#include "net/transport/Json.h"

#include "platform/foundation/sandbox.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

namespace {

constexpr int kPacket = 20;
constexpr int kTalkRows = 100000;
const QString kUser = QStringLiteral("9000000000042");
const QString kTalk = QStringLiteral("880001-9000000000042");
const QString kContents = QStringLiteral(R"(["您好，这套两室一厅还在，周末可以看房。"])");

// A store of its own in a fresh sandbox folder.
struct Store {
    Store() {
        ns::Sandbox::setRoot(folder.path());
        database.openDatabase(kUser);
    }
    // A file of the store's schema and settings beside the store's own, made by a store of
    // another user and closed again.
    [[nodiscard]] QString fileBeside() const {
        QXIMDatabase maker;
        maker.openDatabase(QStringLiteral("9000000000077"));
        return maker.path();
    }
    QTemporaryDir folder;
    QXIMDatabase database;
};

// Each stored message says something of its own.
QString contentsOf(qint64 serverId) {
    return QStringLiteral(R"(["您好，这套两室一厅还在，周末可以看房。%1"])").arg(serverId);
}

QXIMMessage message(qint64 serverId) {
    QXIMMessage m;
    m.userId = kUser;
    m.talkId = kTalk;
    m.fromId = QStringLiteral("880001");
    m.toId = kUser;
    m.needId = QStringLiteral("10086_1_1009_1");
    m.messageId = serverId;
    m.uTime = 1780000000 + serverId;
    // As the service hands messages over: the contents text with the value it was made from.
    const QString contents = contentsOf(serverId);
    m.setContents(contents, json_JSON(QVariant(contents)));
    return m;
}

// A packet as the service hands it over, with the whole packet's text for the talk row.
QXIMDatabase::ReceivedPacket receivedPacket(qint64 firstId) {
    QXIMDatabase::ReceivedPacket packet;
    QVariantList items;
    for (int n = 0; n < kPacket; ++n) {
        const QXIMMessage item = message(firstId + n);
        packet.items.append({item});
        items.append(QVariantMap{{"id", item.messageId},
                                 {"fromUserId", 880001},
                                 {"updateTime", item.uTime},
                                 {"contents", item.contentsJson()}});
    }
    const QVariantMap other{{"id", "880001"}, {"name", "王经理"}};
    packet.otherUser = json_JSONString(other);
    packet.completeMessage =
        json_JSONString(QVariantMap{{"fromUser", other},
                                    {"toUser", QVariantMap{{"id", kUser}}},
                                    {"post", QVariantMap{{"id", "10086_1_1009_1"}}},
                                    {"msgs", items}});
    return packet;
}

// The journal mode and sync setting of a connection, e.g. "wal/2".
QString durability(sqlite3* db) {
    QString settings;
    for (const char* pragma : {"PRAGMA journal_mode", "PRAGMA synchronous"}) {
        sqlite3_stmt* query = nullptr;
        sqlite3_prepare_v2(db, pragma, -1, &query, nullptr);
        if (sqlite3_step(query) == SQLITE_ROW) {
            if (!settings.isEmpty()) settings += QLatin1Char('/');
            settings +=
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(query, 0)));
        }
        sqlite3_finalize(query);
    }
    return settings;
}

// The store's rows inserted with one prepared statement, one exclusive transaction a packet,
// into a file of the same schema with the store's journal mode and sync setting.
class RawInserts {
public:
    explicit RawInserts(const QString& path) {
        sqlite3_open(path.toUtf8().constData(), &db_);
        sqlite3_exec(db_, "PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL;", nullptr, nullptr,
                     nullptr);
        sqlite3_prepare_v2(db_,
                           "INSERT INTO msgs (u_id, t_id, f_id, m_id, to_id, m_content, u_time, "
                           "m_type, m_systype, m_state, r_id, c_type) VALUES (?, ?, ?, ?, ?, ?, "
                           "?, ?, ?, ?, ?, ?)",
                           -1, &insert_, nullptr);
    }
    ~RawInserts() {
        sqlite3_finalize(insert_);
        sqlite3_close(db_);
    }
    RawInserts(const RawInserts&) = delete;
    RawInserts& operator=(const RawInserts&) = delete;

    [[nodiscard]] QString durability() const { return ::durability(db_); }

    // The rows of server ids from `firstId` on, one a contents text; false when a statement
    // failed.
    bool insertPacket(qint64 firstId, const std::vector<QByteArray>& contents) {
        bool done = sqlite3_exec(db_, "BEGIN EXCLUSIVE TRANSACTION;", nullptr, nullptr, nullptr) ==
                    SQLITE_OK;
        for (qint64 id = firstId; id < firstId + kPacket; ++id) {
            sqlite3_bind_text(insert_, 1, user_.constData(), -1, SQLITE_STATIC);
            sqlite3_bind_text(insert_, 2, talk_.constData(), -1, SQLITE_STATIC);
            sqlite3_bind_text(insert_, 3, "880001", -1, SQLITE_STATIC);
            sqlite3_bind_int64(insert_, 4, id);
            sqlite3_bind_text(insert_, 5, user_.constData(), -1, SQLITE_STATIC);
            sqlite3_bind_text(insert_, 6,
                              contents[static_cast<std::size_t>(id - firstId)].constData(), -1,
                              SQLITE_STATIC);
            sqlite3_bind_int64(insert_, 7, 1780000000 + id);
            sqlite3_bind_int(insert_, 8, 0);
            sqlite3_bind_int(insert_, 9, 0);
            sqlite3_bind_int(insert_, 10, 0);
            sqlite3_bind_text(insert_, 11, "10086_1_1009_1", -1, SQLITE_STATIC);
            sqlite3_bind_text(insert_, 12, "d_string", -1, SQLITE_STATIC);
            done = sqlite3_step(insert_) == SQLITE_DONE && done;
            sqlite3_reset(insert_);
        }
        return sqlite3_exec(db_, "COMMIT TRANSACTION;", nullptr, nullptr, nullptr) == SQLITE_OK &&
               done;
    }

private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* insert_ = nullptr;
    const QByteArray user_ = kUser.toUtf8();
    const QByteArray talk_ = kTalk.toUtf8();
};

double threadCpuMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

// Wall and CPU microseconds per packet of each side.
struct PacketCosts {
    std::vector<double> storeWall, storeCpu, rawWall, rawCpu;

    void append(const PacketCosts& other) {
        for (auto [to, from] : {std::pair{&storeWall, &other.storeWall},
                                {&storeCpu, &other.storeCpu},
                                {&rawWall, &other.rawWall},
                                {&rawCpu, &other.rawCpu}})
            to->insert(to->end(), from->begin(), from->end());
    }
};

// Runs `work`, adding its wall and CPU microseconds to the lists.
template <class Work>
void measure(std::vector<double>& wall, std::vector<double>& cpu, Work&& work) {
    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = threadCpuMicroseconds();
    work();
    cpu.push_back(threadCpuMicroseconds() - cpuStart);
    wall.push_back(
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - wallStart)
            .count());
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// The median of the raw side's time over the store's, pair by pair: a pair's two packets
// went one right after the other, so a slow spell of the disk slows both.
double pairShare(const std::vector<double>& raw, const std::vector<double>& store) {
    std::vector<double> shares;
    for (std::size_t n = 0; n < raw.size() && n < store.size(); ++n)
        shares.push_back(raw[n] / store[n]);
    return median(shares);
}

// The packets of every round, and each round's throughput share.
PacketCosts allPackets;
std::vector<double> roundShares;

// Storing through the store and raw inserts of the same rows, packet by packet in turns, into
// two files in one folder with the same journal and sync settings: both wait for one disk
// sync per packet, and the other programs' disk traffic meets both sides alike. Medians
// leave out the rare syncs that wait for milliseconds.
void BM_StoreBesideRaw(benchmark::State& state) {
    Store store;
    RawInserts raw(store.fileBeside());
    const QString storeSettings = store.database.queue().inDatabase([](JSSQLite& db) {
        QStringList settings;
        for (const char* pragma : {"PRAGMA journal_mode", "PRAGMA synchronous"}) {
            const auto rows = db.executeQuery(QString::fromLatin1(pragma));
            if (rows && !rows->isEmpty()) settings += rows->first().first().toString();
        }
        return settings.join(QLatin1Char('/'));
    });
    if (storeSettings != raw.durability()) {
        state.SkipWithError("the two files differ in journal mode or sync setting");
        return;
    }
    PacketCosts round;
    qint64 next = 1000;
    bool storeFirst = true;
    for (auto _ : state) {
        const QXIMDatabase::ReceivedPacket packet = receivedPacket(next);
        std::vector<QByteArray> rawContents;
        for (qint64 id = next; id < next + kPacket; ++id)
            rawContents.push_back(contentsOf(id).toUtf8());
        bool stored = false;
        bool inserted = false;
        const auto throughStore = [&] {
            const auto saved = store.database.saveReceivedPacket(packet);
            stored = saved.committed && saved.stored.size() == kPacket;
        };
        const auto rawSide = [&] { inserted = raw.insertPacket(next, rawContents); };
        // Each side goes first in turn, so that neither always follows the other's sync.
        if (storeFirst) {
            measure(round.storeWall, round.storeCpu, throughStore);
            measure(round.rawWall, round.rawCpu, rawSide);
        } else {
            measure(round.rawWall, round.rawCpu, rawSide);
            measure(round.storeWall, round.storeCpu, throughStore);
        }
        storeFirst = !storeFirst;
        next += kPacket;
        if (!stored || !inserted) {
            state.SkipWithError("a packet was not stored");
            return;
        }
    }
    state.counters["store_us"] = median(round.storeWall);
    state.counters["raw_us"] = median(round.rawWall);
    state.counters["store_cpu_us"] = median(round.storeCpu);
    state.counters["raw_cpu_us"] = median(round.rawCpu);
    const double share = pairShare(round.rawWall, round.storeWall);
    state.counters["share"] = share;
    roundShares.push_back(share);
    allPackets.append(round);
}

// A store whose talk holds 100,000 messages.
std::unique_ptr<Store> bigTalk() {
    auto store = std::make_unique<Store>();
    store->database.queue().inTransaction([](JSSQLite& db, bool&) {
        for (int n = 0; n < kTalkRows; ++n) {
            db.executeUpdate(
                QStringLiteral("INSERT INTO msgs (u_id, t_id, f_id, m_id, to_id, "
                               "m_content, u_time) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                {kUser, kTalk, QStringLiteral("880001"), n + 1, kUser, kContents, 1780000000 + n});
        }
    });
    return store;
}

// As a conversation reads them: messages made straight from the columns.
void BM_LastTwenty(benchmark::State& state) {
    const auto store = bigTalk();
    for (auto _ : state) {
        const auto messages = store->database.messagesByTalkId(kTalk, kUser, 4999999999, 0, 20);
        if (messages.size() != 20) state.SkipWithError("not 20 messages");
        benchmark::DoNotOptimize(messages);
    }
}

// As row dictionaries (column name to value).
void BM_LastTwentyRows(benchmark::State& state) {
    const auto store = bigTalk();
    for (auto _ : state) {
        const auto rows = store->database.messagesListByTalkId(kTalk, kUser, 4999999999, 20);
        if (rows.size() != 20) state.SkipWithError("not 20 rows");
        benchmark::DoNotOptimize(rows);
    }
}

void BM_RawLastTwenty(benchmark::State& state) {
    const auto store = bigTalk();
    const QByteArray path = store->database.path().toUtf8();
    store->database.queue().close();
    sqlite3* db = nullptr;
    sqlite3_open(path.constData(), &db);
    sqlite3_stmt* query = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT * FROM msgs WHERE t_id = ? AND u_id = ? AND u_time < ? ORDER BY "
                       "u_time DESC, _id DESC LIMIT ?",
                       -1, &query, nullptr);
    const QByteArray user = kUser.toUtf8();
    const QByteArray talk = kTalk.toUtf8();
    for (auto _ : state) {
        sqlite3_bind_text(query, 1, talk.constData(), -1, SQLITE_STATIC);
        sqlite3_bind_text(query, 2, user.constData(), -1, SQLITE_STATIC);
        sqlite3_bind_int64(query, 3, 4999999999);
        sqlite3_bind_int(query, 4, 20);
        int rows = 0;
        while (sqlite3_step(query) == SQLITE_ROW) {
            const int columns = sqlite3_column_count(query);
            for (int column = 0; column < columns; ++column) {
                benchmark::DoNotOptimize(sqlite3_column_text(query, column));
            }
            ++rows;
        }
        sqlite3_reset(query);
        if (rows != 20) state.SkipWithError("not 20 rows");
    }
    sqlite3_finalize(query);
    sqlite3_close(db);
}

constexpr char kSegmentStart[] = "<script>window.parent.QX.webim.cometMgr.";

// Four megabytes of packets and heartbeats as the stand-in writes them: many short strings and
// numbers, a line break after each segment.
const QByteArray& cutStream() {
    static const QByteArray stream = [] {
        QByteArray text;
        for (int n = 0; text.size() < 4 * 1024 * 1024; ++n) {
            text += kSegmentStart +
                    QByteArray(
                        R"(recvMsg({"fromUser":{"id":"880001","name":"王先生"},"toUser":{"id":)"
                        R"("9000000000042","name":"用户"},"post":{"id":"10086_1_1009_1"},)"
                        R"("talk":{"fromTalkId":"880001-9000000000042","postId":"10086_1_1009_1",)"
                        R"("toTalkId":"9000000000042-880001"},"msgs":[{"id":)") +
                    QByteArray::number(9000000000000 + n) +
                    R"(,"fromUserId":"880001","sysMsgType":0,"type":0,"updateTime":)" +
                    QByteArray::number(1796748398 + n) + R"(,"contents":)" + kContents.toUtf8() +
                    "}]});</script>\n";
            if (n % 10 == 0) text += kSegmentStart + QByteArray("recvHeartbeatMsg(1);</script>\n");
        }
        return text;
    }();
    return stream;
}

// The stream fed in chunks of 4 KB, which split segments and characters anywhere.
void BM_CutSegments(benchmark::State& state) {
    const QByteArray& stream = cutStream();
    qint64 segments = 0;
    CometScriptCutter cutter([&](QByteArrayView) { ++segments; },
                             [](QByteArrayView, CometScriptCutter::Piece) {});
    for (auto _ : state) {
        for (qsizetype at = 0; at < stream.size(); at += 4096)
            cutter.feed(
                QByteArrayView(stream).sliced(at, std::min<qsizetype>(4096, stream.size() - at)));
    }
    benchmark::DoNotOptimize(segments);
    state.SetBytesProcessed(state.iterations() * stream.size());
}

// The reference of the cutter's rate: a plain search for the segment start over the same bytes.
void BM_SearchStarts(benchmark::State& state) {
    const QByteArray& stream = cutStream();
    qint64 starts = 0;
    for (auto _ : state) {
        for (qsizetype at = stream.indexOf(kSegmentStart); at >= 0;
             at = stream.indexOf(kSegmentStart, at + 1))
            ++starts;
    }
    benchmark::DoNotOptimize(starts);
    state.SetBytesProcessed(state.iterations() * stream.size());
}

// One segment that never closes: its start, then payload in chunks of 16 KB (1 MB a second
// of stream), up to 4 MB. Each iteration feeds one second's worth after the three before.
constexpr qsizetype kUnfinishedChunk = 16 * 1024;
constexpr qsizetype kUnfinishedSecond = 1024 * 1024;

void BM_UnfinishedSegmentFourthSecond(benchmark::State& state) {
    const QByteArray chunk(kUnfinishedChunk, 'x');
    for (auto _ : state) {
        state.PauseTiming();
        bool inPieces = false;
        CometScriptCutter cutter(
            [](QByteArrayView) {},
            [&](QByteArrayView, CometScriptCutter::Piece) { inPieces = true; });
        cutter.feed("<script>window.parent.QX.webim.cometMgr.recvMsg(");
        for (qsizetype fed = 0; fed < 3 * kUnfinishedSecond; fed += kUnfinishedChunk)
            cutter.feed(chunk);
        state.ResumeTiming();
        // The last chunk would reach the bound: a second of stream short of one chunk.
        for (qsizetype fed = kUnfinishedChunk; fed < kUnfinishedSecond; fed += kUnfinishedChunk)
            cutter.feed(chunk);
        if (inPieces) state.SkipWithError("the segment passed the bound");
    }
}

BENCHMARK(BM_StoreBesideRaw)->Iterations(1000)->Repetitions(3);
BENCHMARK(BM_LastTwenty)->Apply(bench::fastestOf<3>);
BENCHMARK(BM_LastTwentyRows)->Apply(bench::fastestOf<3>);
BENCHMARK(BM_RawLastTwenty)->Apply(bench::fastestOf<3>);
BENCHMARK(BM_CutSegments)->Apply(bench::fastestOf<3>);
BENCHMARK(BM_SearchStarts)->Apply(bench::fastestOf<3>);
BENCHMARK(BM_UnfinishedSegmentFourthSecond)->Apply(bench::fastestOf<3>);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    bench::FastestTimes reporter;
    if (!bench::runBenchmarks(argc, argv, reporter)) return 1;
    if (!allPackets.storeWall.empty()) {
        std::printf(
            "\nstoring packets of %d, median per packet over %zu pairs taken in turns: store "
            "%.0f us (CPU %.0f), raw inserts %.0f us (CPU %.0f; CPU share %.2f)\nstore "
            "throughput as a share of raw inserts, median of the pairs (target 0.80): %.2f; "
            "rounds:",
            kPacket, allPackets.storeWall.size(), median(allPackets.storeWall),
            median(allPackets.storeCpu), median(allPackets.rawWall), median(allPackets.rawCpu),
            pairShare(allPackets.rawCpu, allPackets.storeCpu),
            pairShare(allPackets.rawWall, allPackets.storeWall));
        for (const double share : roundShares) std::printf(" %.2f", share);
        std::printf("\n");
    }
    const auto last = reporter.seconds("BM_LastTwenty");
    const auto rawLast = reporter.seconds("BM_RawLastTwenty");
    if (last && rawLast) {
        std::printf(
            "last 20 messages of a talk of %d rows: %.1f us per query (target under 50), "
            "raw query %.1f us, ratio raw/store %.2f\n",
            kTalkRows, *last * 1e6, *rawLast * 1e6, *rawLast / *last);
    }
    const auto lastRows = reporter.seconds("BM_LastTwentyRows");
    if (lastRows && rawLast) {
        std::printf("the same as row dictionaries: %.1f us per query, ratio raw/store %.2f\n",
                    *lastRows * 1e6, *rawLast / *lastRows);
    }
    if (const auto cut = reporter.seconds("BM_CutSegments")) {
        std::printf("segment cutting: %.0f MB/s (target 50)",
                    static_cast<double>(cutStream().size()) / *cut / 1e6);
        if (const auto search = reporter.seconds("BM_SearchStarts")) {
            std::printf(", a plain search for the start %.0f MB/s, ratio %.2f",
                        static_cast<double>(cutStream().size()) / *search / 1e6, *search / *cut);
        }
        std::printf("\n");
    }
    if (const auto fourth = reporter.seconds("BM_UnfinishedSegmentFourthSecond")) {
        std::printf(
            "a segment that never closes, at 1 MB/s in 16 KB chunks: %.2f ms of CPU for its "
            "fourth second (%.3f%% of a core)\n",
            *fourth * 1e3, *fourth * 100);
    }
    return 0;
}
