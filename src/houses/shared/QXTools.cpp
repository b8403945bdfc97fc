#include "houses/shared/QXTools.h"

QString QXTools::stringWithFormat(const QString& format, const QStringList& array) {
    QString result;
    result.reserve(format.size() + 16);
    qsizetype next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == u'%' && i + 1 < format.size()) {
            const QChar spec = format.at(i + 1);
            if (spec == u'@') {
                if (next < array.size()) result += array.at(next);
                ++next;
                ++i;
                continue;
            }
            if (spec == u'%') {
                result += u'%';
                ++i;
                continue;
            }
        }
        result += c;
    }
    return result;
}
