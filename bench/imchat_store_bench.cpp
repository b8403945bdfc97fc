// The message store against raw SQLite on the same schema, and the stream's segment cutter.
//
// Storing: packets of 20 received messages stored through the store (duplicate test, talk
// row, one transaction a packet) against the same rows inserted with one prepared
// statement in one transaction a packet. Reading: the last 20 messages of a talk of
// 100,000 rows through the store (as messages, and as row dictionaries) against the same
// query run raw. Cutting: megabytes of
// stream text a second.

#include "bench/support/side_by_side.h"

#include "IMChat/qximlib/CometScriptCutter.h"
#include "IMChat/qximlib/QXIMDatabase.h"

#include "platform/foundation/sandbox.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <memory>

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
    QTemporaryDir folder;
    QXIMDatabase database;
};

QXIMMessage message(qint64 serverId) {
    QXIMMessage m;
    m.userId = kUser;
    m.talkId = kTalk;
    m.fromId = QStringLiteral("880001");
    m.toId = kUser;
    m.needId = QStringLiteral("10086_1_1009_1");
    m.messageId = serverId;
    m.uTime = 1780000000 + serverId;
    m.setContents(kContents);
    return m;
}

void BM_StorePackets(benchmark::State& state) {
    Store store;
    qint64 next = 1000;
    for (auto _ : state) {
        QXIMDatabase::ReceivedPacket packet;
        for (int n = 0; n < kPacket; ++n) packet.items.append({message(next++)});
        packet.otherUser = QStringLiteral(R"({"id":"880001"})");
        packet.completeMessage = QStringLiteral("{}");
        benchmark::DoNotOptimize(store.database.saveReceivedPacket(packet));
    }
    state.SetItemsProcessed(state.iterations() * kPacket);
}

// The same rows into the same schema (the store made the file) with one prepared insert.
void BM_RawInserts(benchmark::State& state) {
    Store store;
    const QByteArray path = store.database.path().toUtf8();
    store.database.queue().close();
    sqlite3* db = nullptr;
    sqlite3_open(path.constData(), &db);
    sqlite3_exec(db, "PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL;", nullptr, nullptr,
                 nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO msgs (u_id, t_id, f_id, m_id, to_id, m_content, u_time, "
                       "m_type, m_systype, m_state, r_id, c_type) VALUES (?, ?, ?, ?, ?, ?, ?, "
                       "?, ?, ?, ?, ?)",
                       -1, &insert, nullptr);
    const QByteArray user = kUser.toUtf8();
    const QByteArray talk = kTalk.toUtf8();
    const QByteArray contents = kContents.toUtf8();
    qint64 next = 1000;
    for (auto _ : state) {
        sqlite3_exec(db, "BEGIN EXCLUSIVE TRANSACTION;", nullptr, nullptr, nullptr);
        for (int n = 0; n < kPacket; ++n, ++next) {
            sqlite3_bind_text(insert, 1, user.constData(), -1, SQLITE_STATIC);
            sqlite3_bind_text(insert, 2, talk.constData(), -1, SQLITE_STATIC);
            sqlite3_bind_text(insert, 3, "880001", -1, SQLITE_STATIC);
            sqlite3_bind_int64(insert, 4, next);
            sqlite3_bind_text(insert, 5, user.constData(), -1, SQLITE_STATIC);
            sqlite3_bind_text(insert, 6, contents.constData(), -1, SQLITE_STATIC);
            sqlite3_bind_int64(insert, 7, 1780000000 + next);
            sqlite3_bind_int(insert, 8, 0);
            sqlite3_bind_int(insert, 9, 0);
            sqlite3_bind_int(insert, 10, 0);
            sqlite3_bind_text(insert, 11, "10086_1_1009_1", -1, SQLITE_STATIC);
            sqlite3_bind_text(insert, 12, "d_string", -1, SQLITE_STATIC);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_exec(db, "COMMIT TRANSACTION;", nullptr, nullptr, nullptr);
    }
    sqlite3_finalize(insert);
    sqlite3_close(db);
    state.SetItemsProcessed(state.iterations() * kPacket);
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

// Four megabytes of packets and heartbeats as the server writes them.
const QByteArray& cutStream() {
    static const QByteArray stream = [] {
        QByteArray text;
        for (int n = 0; text.size() < 4 * 1024 * 1024; ++n) {
            text += "<script>window.parent.QX.webim.cometMgr.recvMsg({\"msgs\":[{\"id\":" +
                    QByteArray::number(n) + ",\"contents\":" + kContents.toUtf8() +
                    "}]});</script>";
            if (n % 10 == 0) {
                text += "<script>window.parent.QX.webim.cometMgr.recvHeartbeatMsg();</script>";
            }
        }
        return text;
    }();
    return stream;
}

// The stream fed in chunks of 4 KB, which split segments and characters anywhere.
void BM_CutSegments(benchmark::State& state) {
    const QByteArray& stream = cutStream();
    qint64 segments = 0;
    CometScriptCutter cutter([&](QByteArrayView) { ++segments; });
    for (auto _ : state) {
        for (qsizetype at = 0; at < stream.size(); at += 4096)
            cutter.feed(
                QByteArrayView(stream).sliced(at, std::min<qsizetype>(4096, stream.size() - at)));
    }
    benchmark::DoNotOptimize(segments);
    state.SetBytesProcessed(state.iterations() * stream.size());
}

BENCHMARK(BM_StorePackets)->Iterations(300)->Apply(bench::fastestOf<3>);
BENCHMARK(BM_RawInserts)->Iterations(300)->Apply(bench::fastestOf<3>);
BENCHMARK(BM_LastTwenty)->Apply(bench::fastestOf<3>);
BENCHMARK(BM_LastTwentyRows)->Apply(bench::fastestOf<3>);
BENCHMARK(BM_RawLastTwenty)->Apply(bench::fastestOf<3>);
BENCHMARK(BM_CutSegments)->Apply(bench::fastestOf<3>);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    bench::FastestTimes reporter;
    if (!bench::runBenchmarks(argc, argv, reporter)) return 1;
    const auto store = reporter.seconds("BM_StorePackets");
    const auto raw = reporter.seconds("BM_RawInserts");
    if (store && raw) {
        std::printf(
            "\nstoring packets of %d: store throughput as a share of raw inserts "
            "(target 0.80): %.2f\n",
            kPacket, *raw / *store);
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
        std::printf("segment cutting: %.0f MB/s (target 50)\n",
                    static_cast<double>(cutStream().size()) / *cut / 1e6);
    }
    return 0;
}
