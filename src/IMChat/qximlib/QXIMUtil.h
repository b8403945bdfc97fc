#pragma once

#include <QDateTime>
#include <QSizeF>
#include <QString>
#include <QtGlobal>

// The messaging library's utilities: stamps (the same wire forms as the request road's),
// the server time difference, relative times, digests, text tests, the library's folders
// and small file helpers.
class QXIMUtil {
public:
    // The clock's current local time as "yyyy-MM-dd HH:mm:ss".
    [[nodiscard]] static QString getTimeStamp();
    // A new sequence id: an upper-case hyphenated UUID.
    [[nodiscard]] static QString newSeqId();
    // A new unique id (an upper-case hyphenated UUID), e.g. for multipart boundaries.
    [[nodiscard]] static QString getGUID();
    // Whole seconds since 1970 on the one clock, as decimal text.
    [[nodiscard]] static QString currentTimeID();
    [[nodiscard]] static QString dateString(const QDateTime& date, const QString& format);

    // The server's clock minus the device's, in seconds; 0 until the first offline fetch.
    [[nodiscard]] static double qximTimeDifference();
    static void setQximTimeDifference(double seconds);

    // How long ago `time` (seconds since 1970) was: "N分钟前", "N小时前", "N天前", or the
    // date as "MM-dd" from three days on.
    [[nodiscard]] static QString timeToNow(qint64 time);

    // Only decimal digits (the empty text counts).
    [[nodiscard]] static bool isPureNumandCharacters(const QString& text);
    // Only decimal digits, "-" and ",".
    [[nodiscard]] static bool isPurePhonesCharacters(const QString& text);
    // MD5 of the UTF-8 bytes as 32 upper-case hexadecimal digits.
    [[nodiscard]] static QString MD5Encode(const QString& text);
    // The whole text is "scheme://" followed by no white space.
    [[nodiscard]] static bool checkUrl(const QString& text);
    // The size scaled to touch the maximum: by width when wider than high, else by height.
    [[nodiscard]] static QSizeF getCutImageSize(const QSizeF& size, const QSizeF& maxSize);

    // Documents (not created).
    [[nodiscard]] static QString getPureDocumentDirectory();
    // Documents/<client version>, created when missing.
    [[nodiscard]] static QString getDocumentDirectory();
    [[nodiscard]] static QString getDirectoryInDocumentWithName(const QString& name);
    [[nodiscard]] static QString getAmrCacheDirectory();
    [[nodiscard]] static QString getPicCacheDirectory();
    // The temporary folder (not created).
    [[nodiscard]] static QString getWavCacheDirectory();
    [[nodiscard]] static QString pathForDocumentWithFilename(const QString& name);
    [[nodiscard]] static QString pathForPureDocumentWithFilename(const QString& name);

    // Something that is not a folder is at the path.
    [[nodiscard]] static bool fileExist(const QString& path);
    // Removes a file (never a folder); errors are ignored.
    static void deleteFile(const QString& path);
};
