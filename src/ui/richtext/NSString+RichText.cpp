#include "ui/richtext/NSString+RichText.h"

QString stringByAppendingTagName(const QString& text, const QString& tagName) {
    return QStringLiteral("<%1>%2</%1>").arg(tagName, text);
}
