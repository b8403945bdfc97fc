#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

namespace standin {

// One part of a multipart/form-data body.
struct MultipartPart {
    QByteArray name;      // from Content-Disposition
    QByteArray filename;  // empty when the part is not a file
    QByteArray contentType;
    QByteArray content;
};

// Reads multipart/form-data bodies line by line, as forgiving as common servers are: a body
// may begin with a line break before its first boundary line, may hold empty parts (two
// boundary lines in a row) and may end with a plain boundary line instead of the closing
// one. That is the layout of the app's uploads. What it refuses as malformed: no boundary
// parameter, no boundary line at all, a part whose headers never end or hold a line that
// is not a header, and a body that breaks off inside a part.
class MultipartReader {
public:
    // The parts with content or headers, in body order; nullopt when malformed.
    [[nodiscard]] static std::optional<QList<MultipartPart>> read(const QByteArray& contentType,
                                                                  const QByteArray& body);
    // The boundary parameter of a Content-Type value (quotes removed); empty when absent.
    [[nodiscard]] static QByteArray boundary(const QByteArray& contentType);
};

}  // namespace standin
