// Peak memory of the post detail's "GetPost" call while its reply has no end in size, against
// the stand-in server program:
//  - a reply whose chunked body never ends (the stand-in's "endless" switch);
//  - a reply of about 1 MB that inflates to 1,000 MB ("inflatesTo").
// For each: how the call ended (or that it had not after 30 s of real time) and the peak
// resident set size meanwhile, which must stay under 400 MB. A build without the bounds
// grows without limit here: run it under a memory cap (prlimit --as=3000000000), one case at
// a time by naming it ("endless" or "inflated"; both without a name).
#include "bench/support/peak_memory.h"
#include "bench/support/standin_program.h"

#include "houses/detail/PostDetailRequest.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <cstdio>
#include <string>

namespace {

constexpr int kGiveUpMs = 30000;

// Starts the peak over from what the process holds now.
void resetPeak() {
    QFile refs("/proc/self/clear_refs");
    if (refs.open(QIODevice::WriteOnly)) refs.write("5");
}

void measure(const char* name, const std::string& fault) {
    if (!bench::standin().control("faults", fault)) {
        std::printf("%s: the stand-in refused the fault\n", name);
        return;
    }
    resetPeak();
    QEventLoop loop;
    QString outcome = QStringLiteral("still loading after %1 s").arg(kGiveUpMs / 1000);
    QElapsedTimer elapsed;
    elapsed.start();
    PostDetailRequest::getPost(
        QStringLiteral("10001042"),
        [&](const QVariant&) {
            outcome = QStringLiteral("succeeded");
            loop.quit();
        },
        [&](const QVariantMap& failure) {
            outcome = QStringLiteral("failed: ") + failure.value(QStringLiteral("msg")).toString();
            loop.quit();
        });
    QTimer::singleShot(kGiveUpMs, &loop, &QEventLoop::quit);
    loop.exec();
    std::printf("%s: %s after %.1f s; peak resident %.0f MB\n", name, qPrintable(outcome.left(120)),
                elapsed.elapsed() / 1000.0, bench::peakResidentMegabytes());
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (!bench::standin().running()) {
        std::printf("the stand-in server did not start\n");
        return 1;
    }
    qputenv("HOUSING_SERVER_ROOT", bench::standin().root().toUtf8());
    const QStringList named = app.arguments().mid(1);
    if (named.isEmpty() || named.contains(QStringLiteral("endless")))
        measure("endless chunked GetPost", R"({"prefix":"/datashare/","endless":true})");
    if (named.isEmpty() || named.contains(QStringLiteral("inflated"))) {
        measure("1 MB gzip GetPost inflating to 1,000 MB",
                R"({"prefix":"/datashare/","inflatesTo":1000000000})");
    }
    return 0;
}
