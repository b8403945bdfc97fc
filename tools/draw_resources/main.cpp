// Draws the app's pictures (the shell, the home screen, the first-launch guide, the reusable
// widgets, the post list, the filter screen, the city selection screen and the photo pager) into
// a folder, at two pixels per point ("name@2x.png"). Deterministic: simple shapes and the bundled
// font (WenQuanYi Micro Hei, Debian package fonts-wqy-microhei), so that running it again
// rewrites resources/ byte for byte.
// widgets, the post list, the filter screen, the city selection screen and the keyword search)
// into a folder, at two
// pixels per point ("name@2x.png"). Deterministic: simple shapes and the bundled font (WenQuanYi
// Micro Hei, Debian package fonts-wqy-microhei), so that running it again rewrites resources/ byte
// for byte.
//
//   build/tools/draw_resources resources          (from the repository's root)
//
// Runs without a display. The test DrawResources.DrawsTheCommittedPictures fails when the
// pictures in resources/ are not exactly what this draws: change both together. Each group of
// pictures lives in a file of its own (ShellPictures.cpp, HomePictures.cpp, ...); Painting.h
// holds the helpers they share.
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
