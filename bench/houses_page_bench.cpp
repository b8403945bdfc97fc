// One page of the post list as the server sends it (20 posts of the stand-in's shape, as
// JSON text): parsed by the JSON layer alone, against parsed, taken in by the paging rules
// and formatted into its 20 list rows through the list format and the read marks. Prints
// both and the time the formatting adds.

#include "bench/support/side_by_side.h"
#include "houses/query/PostListPaging.h"
#include "houses/shared/GetPostListCellFormate.h"
#include "houses/shared/ReadMarks.h"
#include "net/transport/Json.h"
#include "platform/foundation/sandbox.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

QByteArray pageText() {
    QJsonArray posts;
    for (int i = 0; i < PostListPaging::kPageSize; ++i) {
        posts.append(QJsonObject{
            {"puid", QString::number(10001000 + i)},
            {"title", QStringLiteral("望京 南湖东园 %1居室 精装修 近地铁").arg(i % 5 + 1)},
            {"district_name", "朝阳区"},
            {"street_name", "望京街道"},
            {"district_id", 110105},
            {"street_id", 110105012},
            {"price", QJsonObject{{"v", 3500 + i * 250}, {"u", "元/月"}}},
            {"area", QJsonObject{{"v", 45 + i * 3}, {"u", "㎡"}}},
            {"huxing", "2室1厅"},
            {"huxing_shi", 2},
            {"fitment", "精装修"},
            {"postunixtime", 1765000000 - i * 3600},
            {"refresh_at", 1765000000 - i * 3600},
            {"latlng", "39.99000,116.47000"},
            {"icons", QJsonObject{{"ding", i == 3 ? 1 : 0},
                                  {"image", 1},
                                  {"yan", i % 3 == 0 ? 1 : 0},
                                  {"quotation", 0}}},
            {"premier_status", i % 7 == 0 ? 102 : 100},
            {"thumb_img", QStringLiteral("house/%1.jpg").arg(i % 24)}});
    }
    return QJsonDocument(QJsonObject{{"total", 320}, {"posts", posts}})
        .toJson(QJsonDocument::Compact);
}

void BM_ParsePage(benchmark::State& state) {
    const QByteArray text = pageText();
    for (auto _ : state) {
        QVariant reply = json_JSON(QVariant(text));
        benchmark::DoNotOptimize(reply);
    }
}

void BM_ParseAndFormatPage(benchmark::State& state) {
    const QByteArray text = pageText();
    for (auto _ : state) {
        PostListPaging paging;
        paging.takeIn(json_JSON(QVariant(text)));
        for (const QVariant& post : paging.contentArray) {
            PostCellContent row =
                GetPostListCellFormate::shareFormate().returnDictionaryForCellWithContent(
                    post.toMap(), PostListPaging::kMasterId, 1);
            benchmark::DoNotOptimize(row);
        }
    }
}

BENCHMARK(BM_ParsePage)->Unit(benchmark::kMicrosecond)->Apply(bench::fastestOf<5>);
BENCHMARK(BM_ParseAndFormatPage)->Unit(benchmark::kMicrosecond)->Apply(bench::fastestOf<5>);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir sandbox;
    ns::Sandbox::setRoot(sandbox.path());
    // Some posts are read: the formatter looks every puid up in the marks.
    for (int i = 0; i < 200; i += 3) ReadMarks::markRead(QString::number(10001000 + i));
    bench::FastestTimes reporter;
    if (!bench::runBenchmarks(argc, argv, reporter)) return 1;
    const auto parse = reporter.seconds("BM_ParsePage");
    const auto format = reporter.seconds("BM_ParseAndFormatPage");
    if (!parse || !format) return 0;
    std::printf("\nA page of 20 posts (target: parsing and formatting under 2 ms):\n");
    std::printf("  parsing alone              %8.3f ms\n", *parse * 1e3);
    std::printf("  parsing and 20 rows        %8.3f ms%s\n", *format * 1e3,
                *format * 1e3 < 2 ? "" : "  (over 2 ms)");
    std::printf("  formatting adds            %8.3f ms (%.0f us a row)\n", (*format - *parse) * 1e3,
                (*format - *parse) * 1e6 / PostListPaging::kPageSize);
    return 0;
}
