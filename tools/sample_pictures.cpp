// Draws the stand-in image host's sample pictures into a folder, to look at them:
//   sample_pictures FOLDER [PATH ...]
// Without paths, one picture of each kind and rendition. The pictures are drawn from their
// paths alone, so the same path gives the same bytes on every run and every machine.
#include "standin/SamplePictures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: sample_pictures FOLDER [PATH ...]\n");
        return 2;
    }
    const QDir folder(arguments[1]);
    const QStringList paths =
        arguments.size() > 2 ? arguments.mid(2) : standin::SamplePictures::examples();
    for (const QString& path : paths) {
        const auto bytes = standin::SamplePictures::render(path);
        if (!bytes) {
            std::fprintf(stderr, "no picture at %s\n", qPrintable(path));
            return 1;
        }
        const QString target = folder.filePath(path);
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile file(target);
        if (!file.open(QIODevice::WriteOnly) || file.write(*bytes) != bytes->size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(target));
            return 1;
        }
        std::printf("%s\n", qPrintable(target));
    }
    return 0;
}
