// Scrolling the post list through 300 posts, frame by frame: every row is formatted from its
// post through the list format (as the list does for each row it shows) and drawn by the
// list cell, with its thumbnail from the memory cache, its badges and its read colour.
// Against it, the same rows drawn directly: the same texts, thumbnails, badges and lines in
// plain views, prepared once. Prints milliseconds per frame of both and their ratio.

#include "bench/support/offscreen.h"
#include "bench/support/post_list_rows.h"
#include "houses/shared/GetPostListCellFormate.h"
#include "houses/shared/QXPostListCell.h"
#include "net/EndpointTable.h"
#include "platform/foundation/sandbox.h"
#include "platform/foundation/url_request.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/window.h"
#include "ui/image/UIImageView+NetKit.h"

#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {

constexpr int kPosts = 300;
constexpr double kWidth = 320, kHeight = 480, kScale = 2, kStep = 13;

QVariantMap post(int i) {
    return {{"puid", QString::number(20000 + i)},
            {"title", QStringLiteral("回龙观 龙泽苑 %1居室 南北通透 随时看房").arg(i % 4 + 1)},
            {"district_name", "昌平区"},
            {"street_name", "回龙观街道"},
            {"price", QVariantMap{{"v", 2000 + i * 37}, {"u", "元/月"}}},
            {"area", QVariantMap{{"v", 40 + i % 90}, {"u", "㎡"}}},
            {"huxing", "2室1厅"},
            {"fitment", "简装修"},
            {"postunixtime", 1765000000 - i * 1800},
            {"icons", QVariantMap{{"ding", 0},
                                  {"image", 1},
                                  {"yan", i % 4 == 0 ? 1 : 0},
                                  {"quotation", i % 9 == 0 ? 1 : 0}}},
            {"premier_status", i % 5 == 0 ? 102 : 100},
            {"thumb_img", QStringLiteral("house/%1.jpg").arg(i % 24)}};
}

QImage thumbnailPixels(int n) {
    QImage image(124, 92, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor::fromHsv((n * 37) % 360, 60, 220));
    return image;
}

// The thumbnails in the memory cache, as after a first pass over the list.
void prefill() {
    for (int n = 0; n < 24; ++n) {
        const QString url = EndpointTable::imageHost() + QStringLiteral("/house/%1.jpg").arg(n);
        const ns::URLRequest request{QUrl(url)};
        if (!ImageViewNetKit::nk_sharedImageCache().cachedImageForRequest(request)) {
            ImageViewNetKit::nk_sharedImageCache().cacheImage(
                ui::Image::imageWithQImage(thumbnailPixels(n), kScale), request);
        }
    }
}

// The same texts, thumbnails, badges and lines, prepared once, in plain views.
struct DirectRow {
    QString title, second, third, price;
    std::shared_ptr<ui::Image> thumbnail;
    bool fang = false, verified = false, quotation = false;
};

std::shared_ptr<ui::ImageView> picture(const char* name) {
    return std::make_shared<ui::ImageView>(ui::Image::imageNamed(QString::fromUtf8(name)));
}

class DirectCell : public ui::TableViewCell {
public:
    DirectCell() : ui::TableViewCell(ui::TableViewCellStyle::Default, QStringLiteral("direct")) {
        auto frameImage = ui::Image::imageNamed(QStringLiteral("列表-照片背景块.png"));
        backdrop = std::make_shared<ui::ImageView>(
            frameImage ? frameImage->stretchableImageWithLeftCapWidth(6, 6) : nullptr);
        backdrop->setFrame({8, 8, 70, 54});
        contentView()->addSubview(backdrop);
        thumbnail = std::make_shared<ui::ImageView>(ui::Rect(12, 12, 62, 46));
        fang = picture("放心房.png");
        fang->setFrame({294, 8, 18, 18});
        quotation = picture("报价.png");
        quotation->setFrame({257, 8, 35, 18});
        verified = picture("验.png");
        verified->setFrame({239, 8, 18, 18});
        photos = picture("文字预览模式.png");
        photos->setFrame({200, 46, 17, 14});
        line = picture("列表分割线.png");
        line->setFrame({0, 69.5, 320, 0.5});
        line->setBackgroundColor(ui::Color::rgb(224, 224, 224));
        for (const auto& view : {fang, quotation, verified, photos, line})
            contentView()->addSubview(view);
        setBackgroundColor(ui::Color::whiteColor());
        for (auto* label : {&title, &second, &third, &price}) {
            *label = std::make_shared<ui::Label>();
            (*label)->setBackgroundColor(ui::Color::clearColor());
            contentView()->addSubview(*label);
        }
        title->setFrame({84, 8, 205, 20});
        title->setFont(ui::Font::systemFontOfSize(14));
        second->setFrame({84, 29, 160, 16});
        second->setFont(ui::Font::systemFontOfSize(12));
        third->setFrame({84, 46, 165, 16});
        third->setFont(ui::Font::systemFontOfSize(12));
        price->setFrame({250, 46, 60, 16});
        price->setFont(ui::Font::boldSystemFontOfSize(12));
        contentView()->addSubview(thumbnail);
    }
    std::shared_ptr<ui::ImageView> backdrop, thumbnail, fang, quotation, verified, photos, line;
    std::shared_ptr<ui::Label> title, second, third, price;
};

class DirectRows : public ui::TableViewDataSource, public ui::TableViewDelegate {
public:
    std::vector<DirectRow> rows;
    int numberOfRowsInSection(ui::TableView&, int) override { return kPosts; }
    double heightForRowAtIndexPath(ui::TableView&, const ui::IndexPath&) override {
        return QXPostListCell::kRowHeight;
    }
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table,
                                                             const ui::IndexPath& path) override {
        auto cell = std::dynamic_pointer_cast<DirectCell>(
            table.dequeueReusableCellWithIdentifier("direct"));
        if (!cell) cell = std::make_shared<DirectCell>();
        const DirectRow& row = rows[std::size_t(path.row)];
        cell->title->setText(row.title);
        cell->second->setText(row.second);
        cell->third->setText(row.third);
        cell->price->setText(row.price);
        cell->thumbnail->setImage(row.thumbnail);
        cell->fang->setHidden(!row.fang);
        cell->quotation->setHidden(!row.quotation);
        cell->verified->setHidden(!row.verified);
        return cell;
    }
};

void scroll(benchmark::State& state, const std::shared_ptr<ui::TableViewDataSource>& source,
            const std::shared_ptr<ui::TableViewDelegate>& delegate) {
    auto window = std::make_shared<ui::Window>(ui::Rect(0, 0, kWidth, kHeight));
    auto table = std::make_shared<ui::TableView>(ui::Rect(0, 0, kWidth, kHeight));
    table->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
    table->setDataSource(source);
    table->setDelegate(delegate);
    window->addSubview(table);
    const double end = kPosts * QXPostListCell::kRowHeight - kHeight;
    double y = 0;
    for (auto _ : state) {
        y += kStep;
        if (y > end) y = 0;
        table->setContentOffset({0, y});
        bench::renderWindowFrame(*window, kWidth, kHeight, kScale);
    }
}

void BM_PostListScroll(benchmark::State& state) {
    prefill();
    auto rows = std::make_shared<bench::PostListRows>(kPosts, post);
    scroll(state, rows, rows);
}

std::shared_ptr<DirectRows> directRows() {
    prefill();
    auto direct = std::make_shared<DirectRows>();
    for (int i = 0; i < kPosts; ++i) {
        const PostCellContent cell =
            GetPostListCellFormate::shareFormate().returnDictionaryForCellWithContent(post(i), 7,
                                                                                      1);
        direct->rows.push_back({cell["left1"].toString(), cell["left2"].toString(),
                                cell["left3"].toString(), cell["right2"].toString(),
                                ImageViewNetKit::nk_sharedImageCache().cachedImageForRequest(
                                    ns::URLRequest(QUrl(cell["image"].toString())))});
    }
    return direct;
}

void BM_DirectRowsScroll(benchmark::State& state) {
    auto direct = directRows();
    scroll(state, direct, direct);
}

BENCHMARK(BM_PostListScroll)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<5>);
BENCHMARK(BM_DirectRowsScroll)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<5>);

}  // namespace

int main(int argc, char** argv) {
    QTemporaryDir sandbox;
    ns::Sandbox::setRoot(sandbox.path());
    return bench::runOffscreen(argc, argv, [](const bench::FastestTimes& reporter) {
        const auto list = reporter.seconds("BM_PostListScroll");
        const auto direct = reporter.seconds("BM_DirectRowsScroll");
        if (!list || !direct) return;
        std::printf(
            "\nScrolling 300 posts with thumbnails from the memory cache, frame by frame, at scale "
            "2\n"
            "(target: under 16 ms a frame, ratio at least 0.5):\n");
        std::printf("  post list      %7.2f ms a frame%s\n", *list * 1e3,
                    *list * 1e3 < 16 ? "" : "  (over 16 ms)");
        std::printf("  direct rows    %7.2f ms a frame\n", *direct * 1e3);
        std::printf("  ratio (frame rate of the list / direct): %.2f\n", *direct / *list);
    });
}
