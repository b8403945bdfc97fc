// Draws every picture of resources/ into a folder, at two pixels per point ("name@2x.png"): the
// shell, the home screen, the first-launch guide, the reusable widgets, the post list and the
// post detail, the filter screen, the city selection screen, the chat, the photo pager, the need
// screens with their replies (two of them GIF animations), the keyword search, and the community
// and broker pages. Simple shapes and the bundled font (WenQuanYi Micro Hei, Debian package
// fonts-wqy-microhei), unhinted.
//
//   build/tools/draw_resources resources          (from the repository's root)
//
// Runs without a display. On one machine it draws the same bytes every time, so running it
// again rewrites resources/ unchanged. Another machine may draw anti-aliased edges a level
// apart (another processor, other drawing paths), so DrawResources.DrawsTheCommittedPictures
// compares pictures, not bytes: the same names, sizes and frames; no channel of a pixel more
// than two levels apart (one step of their six-step palette in the animations); at most 1% of
// a picture's pixels (32 in a small one) different at all. A changed stroke, text or colour
// breaks these bounds: change the generator and its pictures together. Each group of pictures
// lives in a file of its own (ShellPictures.cpp, HomePictures.cpp, ...); Painting.h holds the
// helpers they share.
#include <QGuiApplication>

#include <cstdio>

#include "Painting.h"
#include "PictureGroups.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: draw_resources OUTPUT_FOLDER\n");
        return 2;
    }
    if (!pictures::begin(QString::fromLocal8Bit(argv[1]))) return 1;
    pictures::drawShellPictures();
    pictures::drawHomePictures();
    pictures::drawGuidePictures();
    pictures::drawWidgetPictures();
    pictures::drawListPictures();
    pictures::drawFilterPictures();
    pictures::drawCityPictures();
    pictures::drawChatPictures();
    pictures::drawPhotoPictures();
    pictures::drawNeedPictures();
    pictures::drawNeedReplyPictures(QString::fromLocal8Bit(argv[1]));
    pictures::drawSearchPictures();
    pictures::drawDetailPictures();
    pictures::drawCommunityPictures();
    return pictures::failures() == 0 ? 0 : 1;
}
