#pragma once

// The post list of the thumbnail probes: posts whose rows show a thumbnail of the stand-in's
// image host (`posts/<id>.jpg`), in a table of an offscreen window, the rows drawn by the list
// cell as the search results and the other lists show them.

#include "bench/support/post_list_rows.h"
#include "bench/support/standin_program.h"

#include "platform/foundation/sandbox.h"
#include "platform/uikit/decoding_budget.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/window.h"

#include <QGuiApplication>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>

#include <cstdio>
#include <functional>
#include <memory>
#include <span>

namespace bench {

// The list the probes show: 100 posts in a window of 320 x 480 points drawn at scale 2, moved
// half a row a step. A build that keeps every picture whole would take gigabytes: a probe
// stops past 2,000 MB.
namespace thumbnails {
inline constexpr int kPosts = 100;
inline constexpr double kWidth = 320, kHeight = 480, kScale = 2;
inline constexpr double kStep = QXPostListCell::kRowHeight / 2;
inline constexpr double kGiveUpMegabytes = 2000;
}  // namespace thumbnails

// Post `i` of a list whose thumbnails are `posts/<firstPicture + i>.jpg`.
inline QVariantMap thumbnailPost(int i, int firstPicture) {
    return {{"puid", QString::number(30000 + i)},
            {"title", QStringLiteral("望京 花家地 %1居室 南北通透").arg(i % 4 + 1)},
            {"district_name", "朝阳区"},
            {"street_name", "望京街道"},
            {"price", QVariantMap{{"v", 3000 + i * 41}, {"u", "元/月"}}},
            {"area", QVariantMap{{"v", 40 + i % 90}, {"u", "㎡"}}},
            {"huxing", "2室1厅"},
            {"icons", QVariantMap{{"image", 1}}},
            {"thumb_img", QStringLiteral("posts/%1.jpg").arg(firstPicture + i)}};
}

// Whether every row on screen shows its thumbnail (or the failure picture).
inline bool thumbnailsShown(ui::TableView& table) {
    static const auto loading = ui::Image::imageNamed(QStringLiteral("信息列表-加载中.png"));
    for (ui::TableViewCell* cell : table.visibleCells()) {
        const auto* row = dynamic_cast<QXPostListCell*>(cell);
        if (!row || !row->thumbnailView()->image() || row->thumbnailView()->image() == loading)
            return false;
    }
    return true;
}

// The window holding the list, its thumbnails `posts/<firstPicture>.jpg` and on.
struct ThumbnailList {
    explicit ThumbnailList(int firstPicture)
        : rows(std::make_shared<PostListRows>(
              thumbnails::kPosts,
              [firstPicture](int i) { return thumbnailPost(i, firstPicture); })),
          window(std::make_shared<ui::Window>(
              ui::Rect(0, 0, thumbnails::kWidth, thumbnails::kHeight))),
          table(std::make_shared<ui::TableView>(
              ui::Rect(0, 0, thumbnails::kWidth, thumbnails::kHeight))) {
        table->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
        table->setDataSource(rows);
        table->setDelegate(rows);
        window->addSubview(table);
    }

    std::shared_ptr<PostListRows> rows;
    std::shared_ptr<ui::Window> window;
    std::shared_ptr<ui::TableView> table;
};

// A kind of picture the stand-in serves for every post picture: its name on the command line,
// the stand-in's fault switch that makes it, and what it is.
struct ThumbnailPicture {
    const char* name;
    const char* rule;
    const char* description;
};

// Runs a thumbnail probe: offscreen, in a sandbox of its own, against the stand-in, `probe`
// with the picture the program's first argument names (the first of `pictures` without one);
// returns the probe's exit status, or 1 after saying why it did not run.
inline int runThumbnailProbe(int argc, char** argv, std::span<const ThumbnailPicture> pictures,
                             const std::function<int(const ThumbnailPicture&)>& probe) {
    const ThumbnailPicture* picture = argc < 2 ? &pictures.front() : nullptr;
    QStringList names;
    for (const ThumbnailPicture& known : pictures) {
        if (argc > 1 && qstrcmp(argv[1], known.name) == 0) picture = &known;
        names << QString::fromLatin1(known.name);
    }
    if (!picture) {
        std::printf("pictures: %s\n", qPrintable(names.join(QStringLiteral(", "))));
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // As the app does at its start.
    ui::DecodingBudget::setAllocatorRule();
    QTemporaryDir sandbox;
    ns::Sandbox::setRoot(sandbox.path());
    if (!standin().running()) {
        std::printf("the stand-in server did not start\n");
        return 1;
    }
    qputenv("HOUSING_SERVER_ROOT", standin().root().toUtf8());
    return probe(*picture);
}

// Has the stand-in serve `picture` for every post picture; false, after saying so, when it
// refused.
inline bool servePictures(const ThumbnailPicture& picture) {
    if (standin().control("faults", picture.rule)) return true;
    std::printf("the stand-in refused the picture switch\n");
    return false;
}

}  // namespace bench
