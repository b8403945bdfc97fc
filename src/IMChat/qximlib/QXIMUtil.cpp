#include "IMChat/qximlib/QXIMUtil.h"

#include "net/QXEncode.h"
#include "net/QXIMConstantManager.h"
#include "net/RequestStamp.h"

#include "platform/foundation/clock.h"
#include "platform/foundation/file_manager.h"
#include "platform/foundation/sandbox.h"

#include <QRegularExpression>

#include <cmath>
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
    const auto ago = static_cast<qint64>(ns::Clock::shared().timeIntervalSince1970() -
                                         static_cast<double>(time));
    if (ago < 1) return QStringLiteral("1分钟前");
    if (ago <= kHour) return QStringLiteral("%1分钟前").arg(ago / 60 + 1);
    if (ago <= kDay) return QStringLiteral("%1小时前").arg(ago / kHour + 1);
    if (ago < 3 * kDay + 1) return QStringLiteral("%1天前").arg(ago / kDay + 1);
    return dateString(QDateTime::fromSecsSinceEpoch(time), QStringLiteral("MM-dd"));
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

QString QXIMUtil::getWavCacheDirectory() {
    return ns::Sandbox::tmp();
}

QString QXIMUtil::pathForDocumentWithFilename(const QString& name) {
    return getDocumentDirectory() + QLatin1Char('/') + name;
}

QString QXIMUtil::pathForPureDocumentWithFilename(const QString& name) {
    return getPureDocumentDirectory() + QLatin1Char('/') + name;
}

bool QXIMUtil::fileExist(const QString& path) {
    bool isDirectory = false;
    return ns::FileManager::fileExistsAtPath(path, &isDirectory) && !isDirectory;
}

void QXIMUtil::deleteFile(const QString& path) {
    if (fileExist(path)) ns::FileManager::removeItemAtPath(path);
}
