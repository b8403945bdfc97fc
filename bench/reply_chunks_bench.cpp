// What a reply's chunking costs the app: a reply of 16 MB read through the request operations
// as it comes (each piece handed to a serial queue, as the messaging stream's are), against the
// stand-in server program, which sends it in chunks of 64 KB and then in chunks of 1 byte, each
// chunk its own send with the server's Nagle delay off. One run each, not a Google Benchmark
// loop. Prints for each the CPU time this process took (the server's is its own), the app's own
// and the system's on its behalf apart, the time the reply took and the pieces handed over, and
// whether every byte came in order; then the ratios of the two. Target: under 3. Name "64k" or
// "1" as argument to run one alone (the ratios need both).
//
// The system's share of the chunks of 1 byte is mostly the kernel's per segment, whoever reads:
// on loopback the reader takes each of the server's 16 million segments off its socket and frees
// them, and with its acknowledgements the server's, which no way of reading avoids.

#include "bench/support/process_cpu.h"
#include "bench/support/standin_program.h"

#include "net/transport/NKHTTPClient.h"

#include "platform/foundation/concurrent_queue.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>

#include <atomic>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace {

constexpr qsizetype kReplyBytes = 16 * 1024 * 1024;

// The reply's byte at `at`: bytes that show a piece out of its place.
char byteAt(qsizetype at) {
    return static_cast<char>('a' + (at * 7 + at / 251) % 26);
}

struct Outcome {
    bench::CpuSeconds cpu;
    double seconds = 0;
    qint64 pieces = 0;
    qint64 bytes = 0;
    bool inOrder = true;
    bool finished = false;
};

// Reads the big file of the stand-in's image host, sent in chunks of `chunkBytes`.
std::optional<Outcome> read(const bench::StandinProgram& standin, qint64 chunkBytes) {
    if (!standin.control("faults", R"({"prefix":"/img/big.bin","chunkBytes":)" +
                                       std::to_string(chunkBytes) + "}")) {
        return std::nullopt;
    }
    struct Reading {
        std::atomic<qint64> pieces{0};
        std::atomic<qint64> bytes{0};
        std::atomic<bool> inOrder{true};
    };
    const auto reading = std::make_shared<Reading>();
    const auto pieces = std::make_shared<ns::SerialQueue>(QStringLiteral("reply pieces"));
    ns::URLRequest request(QUrl(standin.url("/img/big.bin")));
    request.setMaximumResponseLength(2 * kReplyBytes);
    request.setDeadlineInterval(0);
    request.setTimeoutInterval(600);
    auto operation = std::make_shared<NKHTTPRequestOperation>(request);
    operation->setChunkHandler(
        pieces,
        [reading](const QByteArray& piece) {
            const qint64 at = reading->bytes.fetch_add(piece.size());
            for (qsizetype i = 0; i < piece.size(); ++i) {
                if (piece[i] != byteAt(at + i)) reading->inOrder = false;
            }
            ++reading->pieces;
        },
        1024 * 1024);
    QEventLoop loop;
    bool finished = false;
    operation->setCompletionBlockWithSuccess(
        [&](const auto&, const QVariant&) {
            finished = true;
            loop.quit();
        },
        [&](const auto&, const ns::Error&) { loop.quit(); });
    const bench::CpuSeconds before = bench::processCpu();
    QElapsedTimer elapsed;
    elapsed.start();
    operation->start();
    loop.exec();
    pieces->sync([] {});  // the pieces that came before the end
    Outcome outcome;
    outcome.seconds = elapsed.elapsed() / 1000.0;
    outcome.cpu = bench::processCpu() - before;
    outcome.finished = finished;
    outcome.pieces = reading->pieces;
    outcome.bytes = reading->bytes;
    outcome.inOrder = reading->inOrder;
    return outcome;
}

std::optional<Outcome> measure(const bench::StandinProgram& standin, const char* name,
                               qint64 chunkBytes) {
    const auto outcome = read(standin, chunkBytes);
    if (!outcome) {
        std::printf("%s: the stand-in refused the fault\n", name);
        return std::nullopt;
    }
    std::printf(
        "16 MB in %-13s %s in %6.1f s: %7.3f s of CPU (%7.3f s the app's, %7.3f s the "
        "system's), %8lld pieces%s\n",
        name, outcome->finished ? "read" : "FAILED", outcome->seconds, outcome->cpu.total(),
        outcome->cpu.user, outcome->cpu.system, static_cast<long long>(outcome->pieces),
        outcome->bytes == kReplyBytes && outcome->inOrder ? "" : ", NOT EVERY BYTE IN ORDER");
    std::fflush(stdout);
    return outcome->finished && outcome->inOrder && outcome->bytes == kReplyBytes ? outcome
                                                                                  : std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir images;
    QFile big(images.filePath(QStringLiteral("big.bin")));
    QByteArray bytes(kReplyBytes, Qt::Uninitialized);
    for (qsizetype at = 0; at < bytes.size(); ++at) bytes[at] = byteAt(at);
    if (!big.open(QIODevice::WriteOnly) || big.write(bytes) != bytes.size()) {
        std::printf("could not write the reply's file\n");
        return 1;
    }
    big.close();
    const bench::StandinProgram standin({QStringLiteral("--images"), images.path()});
    if (!standin.running()) {
        std::printf("the stand-in server did not start\n");
        return 1;
    }
    const QStringList named = app.arguments().mid(1);
    const auto wanted = [&](const char* name) {
        return named.isEmpty() || named.contains(QLatin1String(name));
    };
    std::optional<Outcome> large;
    std::optional<Outcome> small;
    if (wanted("64k")) large = measure(standin, "64 KB chunks", 64 * 1024);
    if (wanted("1")) small = measure(standin, "1-byte chunks", 1);
    if (large && small && large->cpu.total() > 0 && large->cpu.user > 0) {
        std::printf(
            "CPU ratio (1-byte chunks / 64 KB chunks): %.2f (target under 3); the app's "
            "own: %.2f\n",
            small->cpu.total() / large->cpu.total(), small->cpu.user / large->cpu.user);
    }
    return 0;
}
