#include "IMChat/qximlib/qximdata/util/QXIMUtil.h"

#include "net/QXEncode.h"
#include "net/QXIMConstantManager.h"
#include "net/RequestStamp.h"

#include "platform/foundation/clock.h"
#include "platform/foundation/file_manager.h"
#include "platform/foundation/network_interface.h"
#include "platform/foundation/property_list.h"
#include "platform/foundation/sandbox.h"
#include "platform/uikit/device.h"
#include "platform/uikit/image.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QRegularExpression>

#include <netinet/in.h>
#include <sys/xattr.h>

#include <cmath>
#include <cstdio>
#include <mutex>

namespace {

std::mutex timeDifferenceMutex;
double timeDifference = 0;

constexpr qint64 kHour = 3600;
constexpr qint64 kDay = 86400;

// The folder at `path`, created (without intermediate folders) when missing.
QString folder(const QString& path) {
    bool isDirectory = false;
    if (!ns::FileManager::fileExistsAtPath(path, &isDirectory) || !isDirectory) {
        ns::FileManager::createDirectoryAtPath(path, false);
    }
    return path;
}

// The keys of an archive file (a binary property list).
const QString kArchiveKindKey = QStringLiteral("$kind");
const QString kArchiveValueKey = QStringLiteral("value");
const QString kArchiveImageKind = QStringLiteral("image");
const QString kArchiveScaleKey = QStringLiteral("scale");
const QString kArchiveOrientationKey = QStringLiteral("orientation");

bool writeArchive(const QString& path, const QVariantMap& archive) {
    return ns::PropertyList::writeFile(archive, path, true, ns::PropertyList::Format::Binary);
}

bool consistsOf(const QString& text, const QString& extra) {
    for (const QChar c : text) {
        if (!(c >= QLatin1Char('0') && c <= QLatin1Char('9')) && !extra.contains(c)) return false;
    }
    return true;
}

}  // namespace

QString QXIMUtil::getTimeStamp() {
    return RequestStamp::timeStamp();
}

QString QXIMUtil::newSeqId() {
    return RequestStamp::newUUID();
}

QString QXIMUtil::getGUID() {
    return RequestStamp::newUUID();
}

QString QXIMUtil::currentTimeID() {
    return QString::number(
        static_cast<qint64>(std::floor(ns::Clock::shared().timeIntervalSince1970())));
}

QString QXIMUtil::dateString(const QDateTime& date, const QString& format) {
    return date.toLocalTime().toString(format);
}

double QXIMUtil::qximTimeDifference() {
    const std::lock_guard lock(timeDifferenceMutex);
    return timeDifference;
}

void QXIMUtil::setQximTimeDifference(double seconds) {
    const std::lock_guard lock(timeDifferenceMutex);
    timeDifference = seconds;
}

QString QXIMUtil::timeToNow(qint64 time) {
    // Whole seconds, kept as a double until a branch has bounded them: a time far in the
    // past or future would overflow a 64-bit difference.
    const double seconds =
        std::floor(ns::Clock::shared().timeIntervalSince1970() - static_cast<double>(time));
    if (seconds < 1) return QStringLiteral("1分钟前");
    if (seconds >= 3 * kDay + 1) {
        return dateString(QDateTime::fromSecsSinceEpoch(time), QStringLiteral("MM-dd"));
    }
    const auto ago = static_cast<qint64>(seconds);
    if (ago <= kHour) return QStringLiteral("%1分钟前").arg(ago / 60 + 1);
    if (ago <= kDay) return QStringLiteral("%1小时前").arg(ago / kHour + 1);
    return QStringLiteral("%1天前").arg(ago / kDay + 1);
}

bool QXIMUtil::isPureNumandCharacters(const QString& text) {
    return consistsOf(text, QString());
}

bool QXIMUtil::isPurePhonesCharacters(const QString& text) {
    return consistsOf(text, QStringLiteral("-,"));
}

QString QXIMUtil::MD5Encode(const QString& text) {
    return QXEncode::MD5Encode(text);
}

bool QXIMUtil::checkUrl(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("\\A(?:[a-zA-z]+://[^\\s]*)\\z"));
    return pattern.match(text).hasMatch();
}

std::optional<QString> QXIMUtil::macaddress() {
    const auto device = ns::NetworkInterface::primary();
    if (!device) {
        std::fputs("Error: if_nametoindex error/n\n", stderr);
        return std::nullopt;
    }
    if (device->hardwareAddress.size() != 6) {
        std::fputs("Error: sysctl, take 2\n", stderr);
        return std::nullopt;
    }
    return device->hardwareAddressText();
}

bool QXIMUtil::DeviceSystemVersionIsiOS7() {
    return ui::Device::currentDevice().systemVersion().toDouble() >= 7.0;
}

bool QXIMUtil::isNetworkAvailableFlags(ns::NetworkReachability::Flags* flags) {
    sockaddr_in zero{};
    zero.sin_family = AF_INET;
    const auto target = ns::NetworkReachability::withAddress(reinterpret_cast<sockaddr*>(&zero));
    const auto read = target ? target->flags() : std::nullopt;
    if (!read) return false;
    if (flags) *flags = *read;
    using Reachability = ns::NetworkReachability;
    return (*read & Reachability::kReachable) != 0 &&
           ((*read & Reachability::kIsWWAN) != 0 ||
            (*read & Reachability::kConnectionRequired) == 0);
}

QSizeF QXIMUtil::getCutImageSize(const QSizeF& size, const QSizeF& maxSize) {
    if (size.width() > size.height()) {
        return {maxSize.width(), size.height() * (maxSize.width() / size.width())};
    }
    return {size.width() * (maxSize.height() / size.height()), maxSize.height()};
}

QString QXIMUtil::getPureDocumentDirectory() {
    return ns::Sandbox::documents();
}

QString QXIMUtil::getDocumentDirectory() {
    return folder(getPureDocumentDirectory() + QLatin1Char('/') +
                  QXIMConstantManager::share().qximversionId());
}

QString QXIMUtil::getDirectoryInDocumentWithName(const QString& name) {
    return folder(getDocumentDirectory() + QLatin1Char('/') + name);
}

QString QXIMUtil::getAmrCacheDirectory() {
    return folder(getPureDocumentDirectory() + QStringLiteral("/audCache"));
}

QString QXIMUtil::getPicCacheDirectory() {
    return folder(getPureDocumentDirectory() + QStringLiteral("/picCache"));
}

QString QXIMUtil::getAdCacheDirectory() {
    return folder(getPureDocumentDirectory() + QStringLiteral("/picAdvertise"));
}

QString QXIMUtil::getPrivateLetterDirectory() {
    return folder(getPureDocumentDirectory() + QStringLiteral("/privateLetter"));
}

QString QXIMUtil::getDownloadCacheDirectory() {
    return folder(getPureDocumentDirectory() + QStringLiteral("/downloadCache"));
}

QString QXIMUtil::getWavCacheDirectory() {
    return ns::Sandbox::tmp();
}

QString QXIMUtil::pathForDocumentWithFilename(const QString& name) {
    return getDocumentDirectory() + QLatin1Char('/') + name;
}

QString QXIMUtil::pathForPureDocumentWithFilename(const QString& name) {
    return getPureDocumentDirectory() + QLatin1Char('/') + name;
}

QString QXIMUtil::pathForTemporaryFileWithPrefix(const QString& prefix) {
    return QStringLiteral("%1/%2-%3").arg(ns::Sandbox::tmp(), prefix, RequestStamp::newUUID());
}

bool QXIMUtil::fileExist(const QString& path) {
    bool isDirectory = false;
    return ns::FileManager::fileExistsAtPath(path, &isDirectory) && !isDirectory;
}

void QXIMUtil::deleteFile(const QString& path) {
    if (fileExist(path)) ns::FileManager::removeItemAtPath(path);
}

bool QXIMUtil::copyFile(const QString& source, const QString& destination, bool isDelete) {
    if (!fileExist(source) || !ns::FileManager::copyItemAtPath(source, destination)) return false;
    if (isDelete) ns::FileManager::removeItemAtPath(source);
    return true;
}

bool QXIMUtil::saveFile(const QString& path, const QVariant& object) {
    switch (object.typeId()) {
        case QMetaType::QByteArray:
            return ns::FileManager::createFileAtPath(path, object.toByteArray());
        case QMetaType::QString:
            return ns::FileManager::createFileAtPath(path, object.toString().toUtf8());
        case QMetaType::QVariantList:
        case QMetaType::QStringList:
        case QMetaType::QVariantMap:
            return ns::writeToFile(object, path, true);
        default:
            return false;
    }
}

bool QXIMUtil::saveImageFile(const QString& path, const QVariant& object) {
    if (!ns::PropertyList::isValid(object)) return false;
    return writeArchive(path, {{kArchiveValueKey, object}});
}

bool QXIMUtil::saveImageFile(const QString& path, const ui::Image& image) {
    // The stored pixels, not turned: the orientation is archived beside them.
    QByteArray png;
    QBuffer buffer(&png);
    if (image.isNull() || !buffer.open(QIODevice::WriteOnly) ||
        !image.pixels().save(&buffer, "PNG")) {
        return false;
    }
    return writeArchive(path,
                        {{kArchiveKindKey, kArchiveImageKind},
                         {kArchiveValueKey, png},
                         {kArchiveScaleKey, image.scale()},
                         {kArchiveOrientationKey, static_cast<int>(image.imageOrientation())}});
}

std::optional<QXIMUtil::Archived> QXIMUtil::getFile(const QString& path) {
    const QVariant root = ns::PropertyList::readFile(path);
    if (root.typeId() != QMetaType::QVariantMap) return std::nullopt;
    const QVariantMap archive = root.toMap();
    if (!archive.contains(kArchiveValueKey)) return std::nullopt;
    if (archive.value(kArchiveKindKey) != kArchiveImageKind)
        return Archived{archive.value(kArchiveValueKey), nullptr};
    const QImage decoded = QImage::fromData(archive.value(kArchiveValueKey).toByteArray(), "PNG");
    const int orientation = archive.value(kArchiveOrientationKey).toInt();
    const double scale = archive.value(kArchiveScaleKey).toDouble();
    if (decoded.isNull() || orientation < 0 ||
        orientation > static_cast<int>(ui::ImageOrientation::RightMirrored) || scale <= 0) {
        return std::nullopt;
    }
    return Archived{
        {},
        ui::Image::imageWithQImage(decoded, scale, static_cast<ui::ImageOrientation>(orientation))};
}

std::shared_ptr<ui::Image> QXIMUtil::getImage(const QString& path) {
    const auto archived = getFile(path);
    return archived ? archived->image : nullptr;
}

bool QXIMUtil::addSkipBackupAttributeToItem(const QString& path) {
    if (!ns::FileManager::fileExistsAtPath(path)) return false;
    static constexpr char kMark[] = "false";
    return setxattr(QFile::encodeName(path).constData(), "user.xdg.robots.backup", kMark,
                    sizeof kMark - 1, 0) == 0;
}
