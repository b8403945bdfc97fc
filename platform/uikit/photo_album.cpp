#include "platform/uikit/photo_album.h"

#include "platform/foundation/main_queue.h"
#include "platform/foundation/sandbox.h"
#include "platform/uikit/image.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>

namespace ui {

namespace {

constexpr double kQuality = 0.9;
constexpr qint64 kCannotWrite = -3300;  // the album could not be written
const QString kPhotoAlbumErrorDomain = QStringLiteral("PhotoAlbumErrorDomain");

const QStringList& imageSuffixes() {
    // Name filters match regardless of case.
    static const QStringList suffixes = {QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"),
                                         QStringLiteral("*.png"), QStringLiteral("*.gif"),
                                         QStringLiteral("*.bmp")};
    return suffixes;
}

}  // namespace

QString PhotoAlbum::path() {
    return ns::Sandbox::root() + QStringLiteral("/Pictures");
}

QStringList PhotoAlbum::imageFiles() {
    const QDir folder(path());
    QStringList files;
    for (const QString& name :
         folder.entryList(imageSuffixes(), QDir::Files, QDir::Name | QDir::IgnoreCase)) {
        files << folder.filePath(name);
    }
    return files;
}

void PhotoAlbum::writeImageToSavedPhotosAlbum(std::shared_ptr<Image> image, Completion completion) {
    std::optional<ns::Error> error;
    const QByteArray data = image ? image->JPEGRepresentation(kQuality) : QByteArray();
    if (data.isEmpty()) {
        error = ns::Error::withDescription(kPhotoAlbumErrorDomain, kCannotWrite,
                                           QStringLiteral("The image has no pixels to save."));
    } else {
        // The next number after the highest in the album.
        static const QRegularExpression numbered(QStringLiteral("IMG_(\\d+)\\.JPG$"));
        int next = 1;
        QDir().mkpath(path());
        for (const QString& file : imageFiles()) {
            const auto match = numbered.match(file);
            if (match.hasMatch()) next = std::max(next, match.captured(1).toInt() + 1);
        }
        QSaveFile file(
            QDir(path()).filePath(QStringLiteral("IMG_%1.JPG").arg(next, 4, 10, QLatin1Char('0'))));
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
            error = ns::Error::withDescription(kPhotoAlbumErrorDomain, kCannotWrite,
                                               QStringLiteral("The album could not be written."));
        }
    }
    if (!completion) return;
    ns::MainQueue::post([completion = std::move(completion), image = std::move(image), error] {
        completion(image, error);
    });
}

}  // namespace ui
