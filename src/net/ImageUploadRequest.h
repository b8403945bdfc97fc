#pragma once

#include "net/RequestHeaderSet.h"

#include <QByteArray>
#include <QString>

// What one upload of a picture or a voice note sends to the data-share server as the
// interface "UploadImages": a multipart body of two parts, the JSON arguments
// ("jsonArgs") and the file ("image", file name "imageName.<extension>"), between
// boundary lines "--Boundary-<id>", closed by "--Boundary-<id>--".
class ImageUploadRequest {
public:
    // The kinds of file the server takes.
    enum Kind : int { kPicture = 0, kVoice = 1 };

    static inline const QString kInterface = QStringLiteral("UploadImages");

    [[nodiscard]] static bool isSupported(int kind) { return kind == kPicture || kind == kVoice; }
    // "jpg" or "amr".
    [[nodiscard]] static QString fileExtension(int kind);
    // "image/pjpeg" or "audio/amr".
    [[nodiscard]] static QString contentType(int kind);

    // "Boundary-<id>".
    [[nodiscard]] static QString boundary(const QString& uniqueId);
    // The arguments of the first part: the number of files, 1.
    [[nodiscard]] static QString imageCountArguments();

    // The body: a line break, then each part after its boundary line, then the closing
    // boundary line and a line break. The file part's type and file name follow `kind`.
    [[nodiscard]] static QByteArray body(const QString& boundary, const QString& jsonArgs, int kind,
                                         const QByteArray& file);
};
