#include "platform/uikit/photo_album.h"

#include "platform/foundation/main_queue.h"
#include "platform/uikit/image.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

#include <atomic>

namespace ui {

namespace {

constexpr double kQuality = 0.9;
constexpr qint64 kCannotWrite = -3300;   // the album could not be written
constexpr qint64 kAccessDenied = -3311;  // the user does not let the app use the album
const QString kPhotoAlbumErrorDomain = QStringLiteral("PhotoAlbumErrorDomain");

const QStringList& imageSuffixes() {
    // Name filters match regardless of case.
    static const QStringList suffixes = {QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"),
                                         QStringLiteral("*.png"), QStringLiteral("*.gif"),
                                         QStringLiteral("*.bmp")};
    return suffixes;
}

// -1: the environment decides; otherwise a status a test set.
std::atomic<int> chosenStatus{-1};

}  // namespace

QString PhotoAlbum::path() {
    const QString named = qEnvironmentVariable("HOUSING_PHOTO_ALBUM");
    if (!named.isEmpty()) return named;
    return QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
}

PhotoAlbum::AuthorizationStatus PhotoAlbum::authorizationStatus() {
    const int chosen = chosenStatus.load();
    if (chosen >= 0) return AuthorizationStatus(chosen);
    return qEnvironmentVariable("HOUSING_PHOTO_ALBUM_ACCESS") == QLatin1String("denied")
               ? AuthorizationStatus::Denied
               : AuthorizationStatus::Authorized;
}

void PhotoAlbum::setAuthorizationStatus(std::optional<AuthorizationStatus> status) {
    chosenStatus = status ? int(*status) : -1;
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
    if (authorizationStatus() != AuthorizationStatus::Authorized) {
        error = ns::Error::withDescription(kPhotoAlbumErrorDomain, kAccessDenied,
                                           QStringLiteral("The user denied access to the album."));
    } else if (data.isEmpty()) {
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
