#include "IMChat/qximlib/qximdata/util/QXIMTool.h"

#include <QFileInfo>
#include <QStringList>
#include <QUrl>

namespace {

constexpr int kDefaultQuality = 6;

}  // namespace

QString qxim_restructImageUrl(const QString& url, const QSizeF& size, int quality,
                              const QString& cut, int version) {
    if (url.isEmpty()) return QLatin1String("");
    QUrl parsed(url);
    const QString path = parsed.path();
    const QString last = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const QString extension = QFileInfo(last).suffix();
    const QStringList pieces = last.split(QLatin1Char('_'));
    QString cutMark = cut.isNull() ? QLatin1String("") : cut;
    if (quality == 0) quality = kDefaultQuality;
    const auto width = static_cast<int>(size.width());
    const auto height = static_cast<int>(size.height());
    const auto rendition = [&](int q, int v) {
        return QStringLiteral("_%1-%2%3_%4-%5.%6")
            .arg(width)
            .arg(height)
            .arg(cutMark)
            .arg(q)
            .arg(v)
            .arg(extension);
    };
    QString replaced;
    if (pieces.size() < 2) {
        replaced = last;
        replaced.replace(QLatin1Char('.') + extension, rendition(quality, version));
    } else {
        if (pieces[1].contains(QLatin1Char('c'))) cutMark = QStringLiteral("c");
        if (!pieces[1].contains(QLatin1Char('-'))) return url;
        if (pieces.size() > 2) {
            const QStringList parts =
                QFileInfo(pieces[2]).completeBaseName().split(QLatin1Char('-'));
            if (parts.size() == 2) {
                quality = parts[0].toInt();
                version = parts[1].toInt();
            }
        }
        replaced = pieces[0] + rendition(quality, version);
    }
    parsed.setPath(path.left(path.size() - last.size()) + replaced);
    return parsed.toString();
}
