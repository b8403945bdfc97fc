// The chat screen against the store and against drawing its bubbles directly.
//
// Opening: a talk of 10,000 stored messages opened in a chat screen until its first frame is
// rendered (the load of the newest 10,000 rows, the bubbles of the last screen, one frame at two
// pixels per point), beside the store's own read of those rows. Scrolling: 1,000 bubbles of mixed
// kinds (text, linked text, picture, voice, post card, notice) one screen a frame, against
// QPainter drawing the same bubble pictures and texts of the same screens into an image.
// Prints milliseconds of each and the ratios (target: opening under 50 ms, a frame under 16 ms
// and at least half the speed of drawing directly).
//
// A huge text: a talk whose last message is 20 MB of UTF-8 (a relayed or hostile message; the
// input bar sends at most 200 characters) opened to its first frame, and reloaded from the
// store and drawn again as every arrival does; the plain text is a text bubble, with a mobile
// number in it the linked-text bubble. Each reports the process's peak memory: run one at a
// time (--benchmark_filter=BM_OpenHugeText/0/) to read its own.

#include "bench/support/offscreen.h"
#include "bench/support/peak_memory.h"

#include "chat/QXMessageCell.h"
#include "chat/QXMessageController.h"
#include "chat/QXMessageTextCell.h"

#include "IMChat/qximlib/QXIMDatabase.h"
#include "IMChat/qximlib/QXIMMessage.h"
#include "IMChat/qximlib/QXIMUser.h"
#include "IMChat/qximlib/qximdata/util/QXIMUtil.h"
#include "net/transport/Json.h"

#include "platform/foundation/sandbox.h"
#include "platform/uikit/image.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/string_drawing.h"
#include "platform/uikit/table_view.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <memory>

namespace {

constexpr double kWidth = 320;
constexpr double kHeight = 480;
constexpr double kScale = 2;
constexpr qint64 kUser = 9000000000042;
constexpr int kLargeTalk = 10000;
constexpr int kMixedTalk = 1000;

QString talkOf(qint64 other) {
    return QStringLiteral("%1-%2").arg(other).arg(kUser);
}

// The first contents element of message `n` of the mixed talk.
QVariant mixedElement(int n) {
    switch (n % 6) {
        case 0:
            return QStringLiteral("这套房子周末可以看吗？第%1次问").arg(n);
        case 1:
            return QStringLiteral("可以的，到了打我电话13812345678，或者看www.house.cn");
        case 2:
            return QVariantList{"pic", QVariantMap{{"pic_url", "file://photo"}}};
        case 3:
            return QVariantList{"sound", QVariantMap{{"src", "file://voice"}, {"duration", 4}}};
        case 4:
            return QVariantList{"url", QVariantMap{{"title", "阳光花园 两室一厅"},
                                                   {"price", "4500元/月"},
                                                   {"area", "89㎡ 浦东"}}};
        default:
            return QVariantList{"notice",
                                QVariantMap{{"type", "normal"}, {"text", "对方已查看您的消息"}}};
    }
}

// A sandbox with a store holding the two talks, made once.
struct Fixture {
    Fixture() {
        ns::Sandbox::setRoot(folder.path());
        QXIMUser::shared().setUserId(kUser);
        QXIMDatabase::shared().openDatabase(QString::number(kUser));
        QXIMDatabase::shared().queue().inTransaction([](JSSQLite& db, bool&) {
            for (int n = 0; n < kLargeTalk; ++n) {
                db.executeUpdate(
                    "INSERT INTO msgs (u_id, t_id, f_id, m_id, to_id, m_content, u_time, m_state) "
                    "VALUES (?, ?, ?, ?, ?, ?, ?, 0)",
                    {QString::number(kUser), talkOf(233401603),
                     n % 2 ? "233401603" : "9000000000042", qint64(1000 + n),
                     QString::number(kUser),
                     json_JSONString(QVariantList{QStringLiteral("第%1条消息，内容不长").arg(n)}),
                     qint64(1700000000 + n * 30)});
            }
            for (int n = 0; n < kMixedTalk; ++n) {
                db.executeUpdate(
                    "INSERT INTO msgs (u_id, t_id, f_id, m_id, to_id, m_content, u_time, m_state) "
                    "VALUES (?, ?, ?, ?, ?, ?, ?, 0)",
                    {QString::number(kUser), talkOf(233401604),
                     n % 2 ? "233401604" : "9000000000042", qint64(20000 + n),
                     QString::number(kUser), json_JSONString(QVariantList{mixedElement(n)}),
                     qint64(1700000000 + n * 30)});
            }
        });
        QImage photo(80, 60, QImage::Format_RGB32);
        photo.fill(QColor(120, 160, 200));
        photo.save(QXIMUtil::getPicCacheDirectory() + "/photo", "PNG");
    }
    QTemporaryDir folder;
};

Fixture& fixture() {
    static Fixture made;
    return made;
}

QVariantMap talkInfo(qint64 other) {
    return {{"t_id", talkOf(other)},
            {"u_id", QString::number(kUser)},
            {"o_user", QStringLiteral(R"({"id":"%1","name":"服务"})").arg(other)}};
}

struct Screen {
    std::shared_ptr<ui::Window> window = std::make_shared<ui::Window>();
    std::shared_ptr<ui::NavigationController> stack = std::make_shared<ui::NavigationController>();
    std::shared_ptr<QXMessageController> chat;
};

Screen open(qint64 other) {
    Screen screen;
    screen.window->setRootViewController(screen.stack);
    screen.chat = std::make_shared<QXMessageController>(talkInfo(other));
    screen.stack->pushViewController(screen.chat, false);
    screen.window->layoutIfNeeded();
    return screen;
}

void BM_OpenLargeTalk(benchmark::State& state) {
    fixture();
    for (auto _ : state) {
        Screen screen = open(233401603);
        bench::renderWindowFrame(*screen.window, kWidth, kHeight, kScale);
        state.PauseTiming();
        screen = Screen();
        state.ResumeTiming();
    }
}

void BM_StoreReadOfTheRowsShown(benchmark::State& state) {
    fixture();
    for (auto _ : state) {
        const auto rows = QXIMDatabase::shared().messagesByTalkId(
            talkOf(233401603), QString::number(kUser), 4999999999, 0, kLargeTalk);
        benchmark::DoNotOptimize(rows);
    }
}

double offsetOf(ui::TableView& table, long frame) {
    const double last = table.contentSize().height - table.frame().size.height;
    const long screens = long(std::floor(last / table.frame().size.height)) + 1;
    return std::min(last, double(frame % screens) * table.frame().size.height);
}

void BM_ScrollMixedBubbles(benchmark::State& state) {
    fixture();
    Screen screen = open(233401604);
    bench::renderWindowFrame(*screen.window, kWidth, kHeight, kScale);
    ui::TableView& table = *screen.chat->chatTable();
    long frame = 0;
    for (auto _ : state) {
        table.setContentOffset({0, offsetOf(table, ++frame)});
        bench::renderWindowFrame(*screen.window, kWidth, kHeight, kScale);
    }
    state.counters["cells"] = double(table.cellCount());
}

// The same bubbles of the same screens drawn straight into an image: the stretched bubble
// picture of each side at its size, its texts, pictures and icons, and the time lines.
void BM_DirectBubbles(benchmark::State& state) {
    fixture();
    Screen screen = open(233401604);
    ui::TableView& table = *screen.chat->chatTable();
    const QList<QXIMMessage>& messages = screen.chat->chatData();
    std::vector<double> tops;
    for (int row = 0; row < kMixedTalk; ++row)
        tops.push_back(table.rectForRowAtIndexPath({0, row}).origin.y);
    tops.push_back(table.contentSize().height);
    const auto stretched = [](const QString& name) {
        const auto picture = ui::Image::imageNamed(name);
        return picture->stretchableImageWithLeftCapWidth(int(picture->size().width / 2),
                                                         int(picture->size().height * 0.7));
    };
    const auto own = stretched("对话气泡-右.png");
    const auto other = stretched("对话气泡左.png");
    const auto grey = stretched("im对话时间BG.png");
    const auto wave = ui::Image::imageNamed("左语音-3.png");
    const auto placeholder = ui::Image::imageNamed("找房占位80x60.png");
    const QImage photo(QXIMUtil::getPicCacheDirectory() + "/photo");
    const ui::Font font = ui::Font::systemFontOfSize(14);
    const QFont text = font.toQt();
    const QFont small = ui::Font::systemFontOfSize(12).toQt();
    const double visible = table.frame().size.height;
    long frame = 0;
    for (auto _ : state) {
        const double offset = offsetOf(table, ++frame);
        QImage canvas = ui::Renderer::makeCanvas(kWidth, kHeight, kScale);
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.fillRect(QRectF(0, 0, kWidth, kHeight), QColor(247, 247, 242));
        for (int row = 0; row < kMixedTalk; ++row) {
            if (tops[row + 1] < offset || tops[row] > offset + visible) continue;
            const double bottom = tops[row + 1] - offset - 10;
            const bool mine = row % 2 == 0;
            if (!messages[row].showTime.isEmpty()) {
                grey->paint(painter, {110, tops[row] - offset + 4, 100, 18});
                painter.setFont(small);
                painter.setPen(Qt::white);
                painter.drawText(QRectF(110, tops[row] - offset + 4, 100, 18), Qt::AlignCenter,
                                 messages[row].showTime);
            }
            const QVariant element = mixedElement(row);
            painter.setFont(text);
            painter.setPen(QColor(64, 64, 64));
            const auto bubble = [&](double width, double height) {
                const ui::Rect frame(mine ? 312 - width : 8, bottom - height, width, height);
                (mine ? own : other)->paint(painter, frame);
                return frame.toQt();
            };
            switch (row % 6) {
                case 0:
                case 1: {
                    bool oneLine = true;
                    const ui::Size size = QXMessageTextCell::bubbleSize(
                        ui::StringDrawing::sizeWithFont(element.toString(), font, {230, 1e6},
                                                        ui::LineBreakMode::CharacterWrap),
                        QXMessageTextCell::lineHeight(font), &oneLine);
                    const QRectF frame = bubble(size.width, size.height);
                    painter.drawText(frame.adjusted(18, 10, -10, -10), Qt::TextWrapAnywhere,
                                     element.toString());
                    break;
                }
                case 2:
                    painter.drawImage(bubble(100, 70).adjusted(12, 5, -8, -5), photo);
                    break;
                case 3: {
                    const QRectF frame = bubble(100, 40);
                    wave->paint(painter, {frame.x() + 12, frame.y() + 10, 20, 20});
                    painter.drawText(QRectF(frame.right() + 2, frame.y() + 10, 36, 20), "4\"");
                    break;
                }
                case 4: {
                    const QRectF frame = bubble(230, 70);
                    placeholder->paint(painter, {frame.x() + 14, frame.y() + 8, 72, 54});
                    painter.drawText(QRectF(frame.x() + 92, frame.y() + 8, 124, 20),
                                     "阳光花园 两室一厅");
                    painter.setFont(small);
                    painter.drawText(QRectF(frame.x() + 92, frame.y() + 28, 124, 16), "89㎡ 浦东");
                    painter.drawText(QRectF(frame.x() + 92, frame.y() + 45, 124, 18), "4500元/月");
                    break;
                }
                default: {
                    const ui::Rect frame(85, bottom - 40, 150, 40);
                    grey->paint(painter, frame);
                    painter.setPen(Qt::white);
                    painter.drawText(frame.toQt(), Qt::AlignCenter, "对方已查看您的消息");
                    break;
                }
            }
        }
        painter.end();
        benchmark::DoNotOptimize(canvas);
    }
}

constexpr qint64 kPlainHugeTalk = 233401605;
constexpr qint64 kLinkedHugeTalk = 233401606;

// 20 MB of UTF-8 (three bytes a character), with a mobile number at its start when `linked`.
QString hugeText(bool linked) {
    const QString sentence = QStringLiteral("房东急租，拎包入住，看房请提前预约。");
    QString text = linked ? QStringLiteral("电话13812345678，") : QString();
    text.reserve(20'000'000 / 3 + sentence.size());
    while (text.size() < 20'000'000 / 3) text += sentence;
    return text;
}

// The two talks of a huge text in the store: a short question, then the huge answer. Made
// once, apart from the other talks, so that they cost nothing to the other benchmarks.
void storeHugeTalks() {
    static const bool stored = [] {
        fixture();
        QXIMDatabase::shared().queue().inTransaction([](JSSQLite& db, bool&) {
            for (const qint64 other : {kPlainHugeTalk, kLinkedHugeTalk}) {
                const QVariantList texts{QStringLiteral("房子还在吗？"),
                                         hugeText(other == kLinkedHugeTalk)};
                for (int n = 0; n < texts.size(); ++n) {
                    db.executeUpdate(
                        "INSERT INTO msgs (u_id, t_id, f_id, m_id, to_id, m_content, u_time, "
                        "m_state) VALUES (?, ?, ?, ?, ?, ?, ?, 0)",
                        {QString::number(kUser), talkOf(other), QString::number(n ? other : kUser),
                         qint64(30000 + n), QString::number(n ? kUser : other),
                         json_JSONString(QVariantList{texts[n]}), qint64(1700000000 + n * 30)});
                }
            }
        });
        return true;
    }();
    (void)stored;
}

qint64 hugeTalkOf(const benchmark::State& state) {
    return state.range(0) ? kLinkedHugeTalk : kPlainHugeTalk;
}

void BM_OpenHugeText(benchmark::State& state) {
    storeHugeTalks();
    for (auto _ : state) {
        Screen screen = open(hugeTalkOf(state));
        bench::renderWindowFrame(*screen.window, kWidth, kHeight, kScale);
    }
    state.counters["peak_MB"] = bench::peakResidentMegabytes();
}

void BM_ReloadHugeText(benchmark::State& state) {
    storeHugeTalks();
    Screen screen = open(hugeTalkOf(state));
    bench::renderWindowFrame(*screen.window, kWidth, kHeight, kScale);
    for (auto _ : state) {
        screen.chat->reloadChatList();
        screen.window->layoutIfNeeded();
        bench::renderWindowFrame(*screen.window, kWidth, kHeight, kScale);
    }
    state.counters["peak_MB"] = bench::peakResidentMegabytes();
}

BENCHMARK(BM_OpenLargeTalk)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<5>);
BENCHMARK(BM_StoreReadOfTheRowsShown)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<5>);
BENCHMARK(BM_ScrollMixedBubbles)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<5>);
BENCHMARK(BM_DirectBubbles)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<5>);
BENCHMARK(BM_OpenHugeText)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ReloadHugeText)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    return bench::runOffscreen(argc, argv, [](const bench::FastestTimes& reporter) {
        const auto open = reporter.seconds("BM_OpenLargeTalk");
        const auto read = reporter.seconds("BM_StoreReadOfTheRowsShown");
        const auto scroll = reporter.seconds("BM_ScrollMixedBubbles");
        const auto direct = reporter.seconds("BM_DirectBubbles");
        if (!open || !read || !scroll || !direct) return;
        std::printf(
            "\nOpening a talk of 10,000 messages to its first frame (target: under 50 ms):\n");
        std::printf("  chat screen        %7.2f ms%s\n", *open * 1e3,
                    *open * 1e3 < 50 ? "" : "  (over 50 ms)");
        std::printf("  store read alone   %7.2f ms\n", *read * 1e3);
        std::printf("  ratio (store read / chat screen): %.2f\n", *read / *open);
        std::printf(
            "\n1,000 mixed bubbles, one screen a frame, at scale 2 (target: under 16 ms):\n");
        std::printf("  chat table         %7.2f ms a frame%s\n", *scroll * 1e3,
                    *scroll * 1e3 < 16 ? "" : "  (over 16 ms)");
        std::printf("  direct QPainter    %7.2f ms a frame\n", *direct * 1e3);
        std::printf("  ratio (direct / chat table): %.2f\n", *direct / *scroll);
    });
}
