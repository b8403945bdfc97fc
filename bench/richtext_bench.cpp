// Laying out and drawing a 200-character chat message with two links in a rich-text
// view, against QPainter drawing the same plain text wrapped in the same rectangle;
// and parsing markup, in megabytes of markup a second.

#include "bench/support/side_by_side.h"
#include "platform/uikit/font.h"
#include "platform/uikit/graphics_context.h"
#include "ui/richtext/RichTextMarkup.h"
#include "ui/richtext/RichTextParser.h"
#include "ui/richtext/RichTextTags.h"
#include "ui/richtext/RichTextView.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

constexpr double kScale = 2;
const ui::Rect kBubble(0, 0, 220, 300);

// 200 characters as shown: Chinese and Latin text, a mobile number and a web address.
QString chatMarkup() {
    const QString before = QStringLiteral(
        "您好，我是这套房子的经纪人。房子在望京南湖东园，两室一厅，南北通透，精装修，"
        "家电齐全，随时可以看房。Call me at ");
    const QString middle = QStringLiteral(" or look at the photos on ");
    const QString after = QStringLiteral(
        " before you come. "
        "押一付三，不收中介费，小区安静，近地铁十四号线，步行五分钟。期待您的来电!"
        "周末也可以约，欢迎带家人一起来看看。 See you soon, bye!");
    return RichTextMarkup::escaped(before) +
           RichTextMarkup::linkElement("tel://13800138000", "13800138000") +
           RichTextMarkup::escaped(middle) +
           RichTextMarkup::linkElement("http://x.test/p/1", "x.test/p/1") +
           RichTextMarkup::escaped(after);
}

QImage bubbleImage() {
    QImage image(int(kBubble.size.width * kScale), int(kBubble.size.height * kScale),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(kScale);
    return image;
}

void BM_RichTextLayoutAndDraw(benchmark::State& state) {
    const QString markup = chatMarkup();
    auto view = std::make_shared<RichTextView>(kBubble);
    auto text = RichTextStyle::styleWithName(RichTextTags::kDefault);
    text->setFont(ui::Font::systemFontOfSize(14));
    view->addStyle(*text);
    QImage image = bubbleImage();
    for (auto _ : state) {
        // A new message: parsed, styled, laid out and drawn from scratch.
        view->setText(markup);
        image.fill(Qt::white);
        QPainter painter(&image);
        ui::GraphicsContext context(painter);
        ui::GraphicsContext::push(context);
        view->drawRect(view->bounds());
        ui::GraphicsContext::pop();
        painter.end();
        benchmark::DoNotOptimize(image);
    }
    if (view->processedString().size() != 200) state.SkipWithError("the message is not 200 long");
}

void BM_QPainterPlainText(benchmark::State& state) {
    const auto shown = RichTextView::stripTagsForString(chatMarkup());
    const QString plain = shown.value_or(QString());
    const ui::Font font = ui::Font::systemFontOfSize(14);
    QImage image = bubbleImage();
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setFont(font.toQt());
        painter.setPen(Qt::black);
        painter.drawText(kBubble.toQt(), Qt::TextWordWrap, plain);
        painter.end();
        benchmark::DoNotOptimize(image);
    }
}

void BM_ParseMarkup(benchmark::State& state) {
    QString markup;
    while (markup.size() < 64 * 1024) markup += chatMarkup() + u'\n';
    const RichTextParser::StyleTable styles{
        {RichTextTags::kDefault, RichTextStyle::styleWithName(RichTextTags::kDefault)},
        {RichTextTags::kLink, RichTextStyle::styleWithName(RichTextTags::kLink)}};
    RichTextParser::TagTable tags;
    for (const QString& key : {RichTextTags::kDefault, RichTextTags::kLink, RichTextTags::kImage,
                               RichTextTags::kPage, RichTextTags::kBullet}) {
        tags.insert(key, key);
    }
    for (auto _ : state) {
        RichTextParser parser(styles, tags, false, QString());
        auto result = parser.parse(markup);
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(state.iterations() * markup.toUtf8().size());
}

BENCHMARK(BM_RichTextLayoutAndDraw)->Unit(benchmark::kMicrosecond)->Apply(bench::fastestOf<5>);
BENCHMARK(BM_QPainterPlainText)->Unit(benchmark::kMicrosecond)->Apply(bench::fastestOf<5>);
BENCHMARK(BM_ParseMarkup)->Unit(benchmark::kMicrosecond)->Apply(bench::fastestOf<5>);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ui::Font::ensureBundledFontLoaded();
    bench::FastestTimes reporter;
    if (!bench::runBenchmarks(argc, argv, reporter)) return 1;

    const auto richText = reporter.seconds("BM_RichTextLayoutAndDraw");
    const auto direct = reporter.seconds("BM_QPainterPlainText");
    const auto parse = reporter.seconds("BM_ParseMarkup");
    if (richText && direct) {
        std::printf("\nA 200-character chat message with two links (target: at least 0.5):\n");
        std::printf("  rich text, parsed, laid out and drawn %8.1f us\n", *richText * 1e6);
        std::printf("  plain text drawn by QPainter          %8.1f us\n", *direct * 1e6);
        std::printf("  ratio (rich text / QPainter): %.2f\n", *direct / *richText);
    }
    if (parse) {
        QString markup;
        while (markup.size() < 64 * 1024) markup += chatMarkup() + u'\n';
        const double megabytes = double(markup.toUtf8().size()) / 1e6;
        std::printf("  parse: %.1f MB of markup a second (target: at least 20)\n",
                    megabytes / *parse);
    }
    return 0;
}
