// Decoding a post-list reply through the JSON object layer (json_JSON: yajl events
// into a QVariant tree) against yajl's own tree (yajl_tree_parse) on the same bytes.
// Prints the layer's throughput as a share of yajl_tree's for each reply size.

#include "bench/support/side_by_side.h"
#include "net/transport/Json.h"

#include <QByteArray>
#include <QVariantList>
#include <QVariantMap>

#include <benchmark/benchmark.h>
#include <yajl/yajl_tree.h>

#include <cstdio>
#include <map>

namespace {

// A reproducible pseudo-random sequence, so every run parses the same text.
class Sequence {
public:
    quint32 next() {
        state_ = state_ * 1664525u + 1013904223u;
        return state_ >> 8;
    }
    int below(int bound) { return int(next() % quint32(bound)); }

private:
    quint32 state_ = 20140512u;
};

const QStringList kDistricts{"朝阳", "海淀", "东城", "西城", "丰台", "通州", "昌平", "大兴"};
const QStringList kCommunities{"望京 南湖东园",   "回龙观 龙泽苑", "天通苑 东三区", "双井 富力城",
                               "五道口 华清嘉园", "亦庄 林肯公园", "通州 万达广场"};
const QStringList kLayouts{"一室一厅", "两室一厅", "两室两厅", "三室一厅", "三室两厅"};
const QStringList kTags{"急租",     "精装修",   "近地铁",    "拎包入住",
                        "南北通透", "随时看房", "独立卫生间"};

// One post as the server writes it: members in the server's order, not sorted.
void writePost(JsonGen& out, Sequence& random, qint64 id) {
    const QString community = kCommunities[random.below(int(kCommunities.size()))];
    const QString layout = kLayouts[random.below(int(kLayouts.size()))];
    const auto member = [&out](const char* key, const QVariant& value) {
        out.string(QString::fromLatin1(key));
        out.object(value);
    };
    out.startDictionary();
    member("id", id);
    member("postId", QStringLiteral("P%1").arg(id * 7919));
    member(
        "title",
        QStringLiteral("%1 %2 %3平米 业主直租").arg(community, layout).arg(40 + random.below(120)));
    member("price", 1500 + random.below(90) * 100);
    member("unitPrice", 35.5 + random.below(4000) / 100.0);
    member("area", 40.0 + random.below(12000) / 100.0);
    member("layout", layout);
    member("district", kDistricts[random.below(int(kDistricts.size()))]);
    member("communityName", community);
    member("floor", QStringLiteral("%1/%2层").arg(1 + random.below(20)).arg(21 + random.below(10)));
    member("brokerName", QStringLiteral("王经纪"));
    member("brokerPhone", QStringLiteral("1381234%1").arg(1000 + random.below(9000)));
    member("publishTime", QStringLiteral("2014-05-%1 10:%2:11")
                              .arg(10 + random.below(18))
                              .arg(10 + random.below(50)));
    member("lat", 39.9 + random.below(10000) / 100000.0);
    member("lng", 116.3 + random.below(10000) / 100000.0);
    member("isTop", random.below(5) == 0);
    member("hasVideo", false);
    QVariantList images;
    for (int image = 0, count = 1 + random.below(5); image < count; ++image) {
        images << QStringLiteral("http://img.example.com/house/%1/%2_640-480_6-0.jpg")
                      .arg(id)
                      .arg(random.next(), 8, 16, QLatin1Char('0'));
    }
    member("images", images);
    QVariantList tags;
    for (int tag = 0, count = random.below(4); tag < count; ++tag) {
        tags << kTags[random.below(int(kTags.size()))];
    }
    member("tags", tags);
    member("remark", QVariant::fromValue(nullptr));
    member("shopId",
           random.below(3) == 0 ? QVariant::fromValue(nullptr) : QVariant(qint64(random.next())));
    out.endDictionary();
}

// A post-list reply of at least `bytes` bytes.
QByteArray makeReply(qsizetype bytes) {
    Sequence random;
    JsonGen out;
    out.startDictionary();
    out.string("status");
    out.number(200);
    out.string("msg");
    out.string("");
    out.string("posts");
    out.startArray();
    for (qint64 id = 3000001; out.buffer().toUtf8().size() < bytes; ++id) {
        writePost(out, random, id);
    }
    out.endArray();
    out.string("more");
    out.boolean(true);
    out.endDictionary();
    return out.buffer().toUtf8();
}

const QByteArray& reply(int64_t size) {
    static std::map<int64_t, QByteArray> replies;
    auto found = replies.find(size);
    if (found == replies.end()) found = replies.emplace(size, makeReply(size)).first;
    return found->second;
}

void BM_Layer(benchmark::State& state) {
    const QByteArray& text = reply(state.range(0));
    if (!json_JSON(text).isValid()) state.SkipWithError("the layer did not decode the reply");
    for (auto _ : state) {
        QVariant tree = json_JSON(text);
        benchmark::DoNotOptimize(tree);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * text.size());
}

void BM_YajlTree(benchmark::State& state) {
    const QByteArray& text = reply(state.range(0));
    char error[256];
    for (auto _ : state) {
        yajl_val tree = yajl_tree_parse(text.constData(), error, sizeof error);
        if (!tree) state.SkipWithError(error);
        benchmark::DoNotOptimize(tree);
        yajl_tree_free(tree);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * text.size());
}

constexpr int64_t kLarge = 200 * 1024;
constexpr int64_t kSmall = 5 * 1024;

BENCHMARK(BM_Layer)->Arg(kLarge)->Arg(kSmall)->Apply(bench::fastestOf<7>);
BENCHMARK(BM_YajlTree)->Arg(kLarge)->Arg(kSmall)->Apply(bench::fastestOf<7>);

}  // namespace

int main(int argc, char** argv) {
    bench::FastestTimes reporter;
    if (!bench::runBenchmarks(argc, argv, reporter)) return 1;

    std::printf("\nthroughput of json_JSON as a share of yajl_tree_parse (target 0.80):\n");
    for (int64_t size : {kLarge, kSmall}) {
        char layerName[64];
        char yajlName[64];
        std::snprintf(layerName, sizeof layerName, "BM_Layer/%lld", (long long)size);
        std::snprintf(yajlName, sizeof yajlName, "BM_YajlTree/%lld", (long long)size);
        const auto layer = reporter.seconds(layerName);
        const auto yajl = reporter.seconds(yajlName);
        if (!layer || !yajl) continue;
        std::printf("  %6lld-byte reply (%lld bytes of text): %.2f\n", (long long)size,
                    (long long)reply(size).size(), *yajl / *layer);
    }
    return 0;
}
