#pragma once

#include "platform/foundation/network_reachability.h"

#include <QDateTime>
#include <QSizeF>
#include <QString>
#include <QVariant>
#include <QtGlobal>

#include <memory>
#include <optional>

namespace ui {
class Image;
}

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
    // The hardware address of the device's network interface as 12 upper-case hexadecimal
    // digits; nothing (and a console line saying why) when it has none.
    [[nodiscard]] static std::optional<QString> macaddress();
    // The system version, read as a number, is 7.0 or more.
    [[nodiscard]] static bool DeviceSystemVersionIsiOS7();
    // Whether the network can be reached: the zero IPv4 address is reachable, over a
    // mobile link or without a connection to set up first. The flags go to `flags` when
    // they could be read; when they cannot, false and `flags` is left alone.
    [[nodiscard]] static bool isNetworkAvailableFlags(
        ns::NetworkReachability::Flags* flags = nullptr);
    // The size scaled to touch the maximum: by width when wider than high, else by height.
    [[nodiscard]] static QSizeF getCutImageSize(const QSizeF& size, const QSizeF& maxSize);

    // Documents (not created).
    [[nodiscard]] static QString getPureDocumentDirectory();
    // Documents/<client version>, created when missing.
    [[nodiscard]] static QString getDocumentDirectory();
    [[nodiscard]] static QString getDirectoryInDocumentWithName(const QString& name);
    [[nodiscard]] static QString getAmrCacheDirectory();
    [[nodiscard]] static QString getPicCacheDirectory();
    [[nodiscard]] static QString getAdCacheDirectory();
    [[nodiscard]] static QString getPrivateLetterDirectory();
    [[nodiscard]] static QString getDownloadCacheDirectory();
    // The temporary folder (not created).
    [[nodiscard]] static QString getWavCacheDirectory();
    [[nodiscard]] static QString pathForDocumentWithFilename(const QString& name);
    [[nodiscard]] static QString pathForPureDocumentWithFilename(const QString& name);
    // <temporary folder>/<prefix>-<new UUID>; nothing is created.
    [[nodiscard]] static QString pathForTemporaryFileWithPrefix(const QString& prefix);

    // Something that is not a folder is at the path.
    [[nodiscard]] static bool fileExist(const QString& path);
    // Removes a file (never a folder); errors are ignored.
    static void deleteFile(const QString& path);
    // Copies a file (a missing source or a folder copies nothing; an existing destination is
    // kept); with `isDelete` the source is removed once the copy is there, never when the
    // copy failed. True when the copy was made.
    static bool copyFile(const QString& source, const QString& destination, bool isDelete);
    // Writes bytes or text (as UTF-8) as they are, an array or a dictionary as a property
    // list, atomically; anything else (nil included) is refused. Empty bytes make an empty
    // file.
    static bool saveFile(const QString& path, const QVariant& object);
    // Archives a property-list value or an image into the file at `path`, atomically.
    static bool saveImageFile(const QString& path, const QVariant& object);
    static bool saveImageFile(const QString& path, const ui::Image& image);
    // What an archive holds: a value, or an image.
    struct Archived {
        QVariant value;
        std::shared_ptr<ui::Image> image;
    };
    // The archive at the path; nothing when it is missing or no archive.
    [[nodiscard]] static std::optional<Archived> getFile(const QString& path);
    // The archived image; nothing when the archive holds another kind of object.
    [[nodiscard]] static std::shared_ptr<ui::Image> getImage(const QString& path);
    // Marks a file or folder as one that backups skip (the "user.xdg.robots.backup"
    // extended attribute set to "false"); false when nothing is at the path or the file
    // system keeps no such marks.
    static bool addSkipBackupAttributeToItem(const QString& path);
};
