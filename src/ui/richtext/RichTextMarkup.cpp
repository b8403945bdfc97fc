#include "ui/richtext/RichTextMarkup.h"

#include <QUrl>

namespace RichTextMarkup {

QString escaped(const QString& text) {
    QString result = text;
    result.replace(u'<', kEscapedLessThan);
    return result;
}

QString unescaped(QString text) {
    text.replace(kEscapedLessThan, u'<');
    return text;
}

QString linkElement(const QString& address, const QString& shownText, const QString& linkTag) {
    // Percent-encoded as an address should be: no "<" is left, and a "|" cannot move
    // the split between address and shown text.
    QString safeAddress = QString::fromUtf8(QUrl(address.trimmed()).toEncoded());
    safeAddress.replace(u'|', QLatin1String("%7C"));
    return QStringLiteral("<%1>%2|%3</%1>").arg(linkTag, safeAddress, escaped(shownText));
}

}  // namespace RichTextMarkup
