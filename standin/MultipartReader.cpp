#include "standin/MultipartReader.h"

namespace standin {

namespace {

const QByteArray kLineBreak = "\r\n";

// Parameters of a header value such as `form-data; name="a;b"; filename=x.jpg`.
QByteArray parameter(const QByteArray& value, const QByteArray& wanted) {
    qsizetype pos = value.indexOf(';');
    while (pos >= 0 && pos < value.size()) {
        ++pos;
        while (pos < value.size() && (value[pos] == ' ' || value[pos] == '\t')) ++pos;
        const qsizetype equals = value.indexOf('=', pos);
        if (equals < 0) return {};
        const QByteArray key = value.mid(pos, equals - pos).trimmed();
        pos = equals + 1;
        QByteArray text;
        if (pos < value.size() && value[pos] == '"') {
            for (++pos; pos < value.size() && value[pos] != '"'; ++pos) {
                if (value[pos] == '\\' && pos + 1 < value.size()) ++pos;
                text += value[pos];
            }
            pos = value.indexOf(';', pos);
        } else {
            const qsizetype end = value.indexOf(';', pos);
            text = value.mid(pos, end < 0 ? -1 : end - pos).trimmed();
            pos = end;
        }
        if (key.compare(wanted, Qt::CaseInsensitive) == 0) return text;
    }
    return {};
}

std::optional<MultipartPart> readPart(const QByteArray& text) {
    MultipartPart part;
    QByteArray headerBlock;
    if (text.startsWith(kLineBreak)) {
        part.content = text.mid(2);
    } else {
        const qsizetype headerEnd = text.indexOf("\r\n\r\n");
        if (headerEnd < 0) return std::nullopt;
        headerBlock = text.left(headerEnd);
        part.content = text.mid(headerEnd + 4);
    }
    const QList<QByteArray> lines =
        headerBlock.isEmpty() ? QList<QByteArray>() : headerBlock.split('\n');
    for (const QByteArray& line : lines) {
        const QByteArray header = line.endsWith('\r') ? line.chopped(1) : line;
        const qsizetype colon = header.indexOf(':');
        if (colon <= 0) return std::nullopt;
        const QByteArray name = header.left(colon).trimmed().toLower();
        const QByteArray value = header.mid(colon + 1).trimmed();
        if (name == "content-disposition") {
            part.name = parameter(value, "name");
            part.filename = parameter(value, "filename");
        } else if (name == "content-type") {
            part.contentType = value;
        }
    }
    return part;
}

}  // namespace

QByteArray MultipartReader::boundary(const QByteArray& contentType) {
    return parameter(contentType, "boundary");
}

std::optional<QList<MultipartPart>> MultipartReader::read(const QByteArray& contentType,
                                                          const QByteArray& body) {
    const QByteArray separator = boundary(contentType);
    if (separator.isEmpty()) return std::nullopt;
    const QByteArray delimiter = "--" + separator;
    const QByteArray delimiterLine = kLineBreak + delimiter;

    qsizetype pos = 0;
    if (!body.startsWith(delimiter)) {
        pos = body.indexOf(delimiterLine);
        if (pos < 0) return std::nullopt;
        pos += kLineBreak.size();
    }
    QList<MultipartPart> parts;
    for (;;) {
        pos += delimiter.size();
        if (body.mid(pos, 2) == "--") return parts;  // the closing boundary
        while (pos < body.size() && (body[pos] == ' ' || body[pos] == '\t')) ++pos;
        if (pos == body.size()) return parts;
        if (body.mid(pos, 2) != kLineBreak) return std::nullopt;
        pos += kLineBreak.size();
        const qsizetype next = body.indexOf(delimiterLine, pos);
        if (next < 0) {
            // A plain boundary line may end the body; anything after it was cut off.
            if (pos == body.size()) return parts;
            return std::nullopt;
        }
        const QByteArray text = body.mid(pos, next - pos);
        if (!text.isEmpty()) {
            auto part = readPart(text);
            if (!part) return std::nullopt;
            parts.append(*part);
        }
        pos = next + kLineBreak.size();
    }
}

}  // namespace standin
