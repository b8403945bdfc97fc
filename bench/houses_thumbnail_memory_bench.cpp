// Memory of the post list whose 100 thumbnails are pictures of few bytes and many pixels. The
// stand-in serves every thumbnail as one of these (the argument names it; the first by default):
//   png          a one-colour PNG of 5,000 x 5,000 pixels (about 73 KB, 100 MB decoded whole);
//   interlaced   an interlaced one of 5,792 x 5,792 (about 117 KB, 128 MB decoded whole), which
//                no decoder scales as it reads;
//   interlaced5000  an interlaced one of 5,000 x 5,000;
//   palette      a PNG of palette pixels of 5,000 x 5,000 (about 24 KB), which the platform's
//                decoder decodes whole;
//   grey         one of grey pixels of 5,000 x 5,000;
//   interlacedpalette  an interlaced PNG of palette pixels of 5,000 x 5,000;
//   gif          a GIF of 40 frames of 2 x 2 pixels on a canvas of 4,000 x 4,000 (under 1 KB,
//                64 MB a frame decoded whole);
//   gifcanvas    a GIF of one frame of 16 x 16 pixels on a canvas of 5,600 x 5,600 (125 MB
//                decoded whole);
//   gifcut       a GIF of one frame of 16 x 16 pixels on a canvas of 162 x 65,412 (41 MB decoded
//                whole), cut off before its trailer as a download that stopped;
//   file PATH    the bytes of the file at PATH (a GIF of the image harnesses' corpus), which
//                the probe serves itself on the loopback rather than the stand-in.
// The list of 100 posts is shown in an offscreen window at scale 2 and its thumbnails load as
// the list does, through the image request operations and their memory cache; then the list
// is scrolled to its end, half a row a frame, each frame's thumbnails loaded before the next.
//
// Prints how long the first screen's thumbnails took to show and the peak while they came,
// the resident memory at the start, once they are in, the peak during the scroll and what is
// left after it, with what the memory cache holds (target: under 250 MB throughout). The
// scroll stops once the process passes 2,000 MB.
#include "bench/support/loopback_server.h"
#include "bench/support/offscreen.h"
#include "bench/support/peak_memory.h"
#include "bench/support/thumbnail_list.h"

#include "net/EndpointTable.h"
#include "ui/image/UIImageView+NetKit.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <httplib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

namespace {

using namespace bench::thumbnails;

constexpr qint64 kGiveUpWaitingMs = 30000;

constexpr bench::ThumbnailPicture kPictures[] = {
    {"png", R"({"prefix":"/img/posts/","picture":[5000,5000]})",
     "PNGs of 5,000 x 5,000 pixels (73 KB)"},
    {"interlaced", R"({"prefix":"/img/posts/","picture":[5792,5792],"interlaced":true})",
     "interlaced PNGs of 5,792 x 5,792 pixels (117 KB)"},
    {"interlaced5000", R"({"prefix":"/img/posts/","picture":[5000,5000],"interlaced":true})",
     "interlaced PNGs of 5,000 x 5,000 pixels (88 KB)"},
    {"palette", R"({"prefix":"/img/posts/","picture":[5000,5000],"pixels":"palette"})",
     "palette PNGs of 5,000 x 5,000 pixels (24 KB)"},
    {"grey", R"({"prefix":"/img/posts/","picture":[5000,5000],"pixels":"grey"})",
     "grey PNGs of 5,000 x 5,000 pixels (35 KB)"},
    {"interlacedpalette",
     R"({"prefix":"/img/posts/","picture":[5000,5000],"pixels":"palette","interlaced":true})",
     "interlaced palette PNGs of 5,000 x 5,000 pixels (24 KB)"},
    {"gif", R"({"prefix":"/img/posts/","picture":[4000,4000],"gifFrames":40})",
     "GIFs of 40 frames on 4,000 x 4,000 pixels (under 1 KB)"},
    {"gifcanvas",
     R"({"prefix":"/img/posts/","picture":[5600,5600],"gifFrames":1,"gifFrame":[16,16]})",
     "GIFs of a 16 x 16 frame on 5,600 x 5,600 pixels (under 1 KB)"},
    {"gifcut",
     R"({"prefix":"/img/posts/","picture":[162,65412],"gifFrames":1,"gifFrame":[16,16],"gifCut":true})",
     "GIFs cut off after a 16 x 16 frame on 162 x 65,412 pixels (under 1 KB)"},
    {"file", "", "the bytes of the file named after the argument"},
};

// Every picture the bytes of one file, from a server on a loopback port. The server runs in the
// probe's process: it reads each reply's bytes from the file in pieces as it sends them and
// holds no copy of them, which the probe would count as the list's (a photo of 7.5 MB, and
// what the heap keeps of the copy that read it).
class PictureFileServer {
public:
    static constexpr std::size_t kPieceBytes = 64 * 1024;

    PictureFileServer(const QString& path, qint64 size)
        : server_([path, size](httplib::Server& server) {
              server.Get(
                  "/img/.*", [path, size](const httplib::Request&, httplib::Response& response) {
                      auto file = std::make_shared<QFile>(path);
                      if (!file->open(QIODevice::ReadOnly)) {
                          response.status = 404;
                          return;
                      }
                      response.set_content_provider(
                          std::size_t(size), "image/gif",
                          [file](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                              std::array<char, kPieceBytes> piece;
                              if (!file->seek(qint64(offset))) return false;
                              const qint64 read =
                                  file->read(piece.data(), qint64(std::min(length, kPieceBytes)));
                              return read > 0 && sink.write(piece.data(), std::size_t(read));
                          });
                  });
          }) {}

    [[nodiscard]] QString root() const { return server_.root(); }

private:
    bench::LoopbackServer server_;
};

// Renders a frame, then lets the thumbnails it asked for arrive and renders again.
void frameWithItsThumbnails(ui::Window& window, ui::TableView& table) {
    bench::renderWindowFrame(window, kWidth, kHeight, kScale);
    QElapsedTimer waited;
    waited.start();
    QEventLoop loop;
    while (!bench::thumbnailsShown(table) && waited.elapsed() < kGiveUpWaitingMs) {
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    bench::renderWindowFrame(window, kWidth, kHeight, kScale);
}

void printCache(const char* when) {
    const auto& cache = ImageViewNetKit::nk_sharedImageCache();
    std::printf("  %-30s %6.0f MB resident; the memory cache holds %zu pictures, %.1f MB\n", when,
                bench::residentMegabytes(), cache.count(),
                double(cache.totalCost()) / (1024 * 1024));
}

}  // namespace

int main(int argc, char** argv) {
    return bench::runThumbnailProbe(
        argc, argv, kPictures, [&](const bench::ThumbnailPicture& picture) {
            std::unique_ptr<PictureFileServer> files;
            if (qstrcmp(picture.name, "file") == 0) {
                QFile file(argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString());
                if (!file.open(QIODevice::ReadOnly)) {
                    std::printf("file: name a file to serve after it\n");
                    return 1;
                }
                files = std::make_unique<PictureFileServer>(file.fileName(), file.size());
                EndpointTable::setServerRoot(files->root());
                std::printf("Serving %s (%lld bytes)\n", argv[2],
                            static_cast<long long>(file.size()));
            } else if (!bench::servePictures(picture)) {
                return 1;
            }
            std::printf(
                "The post list with %d thumbnails that are %s, at scale 2 (target: under 250 "
                "MB):\n",
                kPosts, picture.description);
            printCache("at the start");

            bench::ThumbnailList list(5000);
            auto& window = list.window;
            auto& table = list.table;
            bench::resetPeakResident();
            QElapsedTimer firstThumbnails;
            firstThumbnails.start();
            frameWithItsThumbnails(*window, *table);
            const int firstScreen = int(std::ceil(kHeight / QXPostListCell::kRowHeight));
            std::printf("  %-30s %6lld ms, the peak %.0f MB\n", "the first screen's thumbnails in",
                        firstThumbnails.elapsed(), bench::peakResidentMegabytes());
            printCache(qPrintable(QStringLiteral("the first %1 thumbnails in").arg(firstScreen)));

            bench::resetPeakResident();
            const double end = kPosts * QXPostListCell::kRowHeight - kHeight;
            for (double y = kStep; y <= end + kStep / 2; y += kStep) {
                table->setContentOffset({0, std::min(y, end)});
                frameWithItsThumbnails(*window, *table);
                if (bench::residentMegabytes() > kGiveUpMegabytes) {
                    std::printf("  stopped at row %d of %d: past %.0f MB\n",
                                int(y / QXPostListCell::kRowHeight), kPosts, kGiveUpMegabytes);
                    break;
                }
            }
            printCache("after the scroll to the end");
            std::printf("  %-30s %6.0f MB\n", "peak during the scroll",
                        bench::peakResidentMegabytes());
            return 0;
        });
}
