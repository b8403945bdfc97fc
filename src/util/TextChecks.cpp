#include "util/TextChecks.h"

#include <QRegularExpression>

#include <algorithm>

namespace TextChecks {

bool isMobileNumber(const QString& text) {
    // Anchored to the whole text: a bare "$" would also accept a trailing line break.
    static const QRegularExpression pattern(QRegularExpression::anchoredPattern(
        QStringLiteral("^((13[0-9])|(15[0-9])|(18[0-9]))\\d{8}$")));
    return !text.isEmpty() && pattern.match(text).hasMatch();
}

bool isPureNumandCharacters(const QString& text) {
    if (text.isEmpty()) return false;
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
}

bool isEmpty(const QString& text) {
    return text.isNull() || text.trimmed().isEmpty();
}

QString firstWebUrl(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral("((http[s]{0,1}|ftp)://[a-zA-Z0-9\\.\\-]+\\.([a-zA-Z]{2,4})(:\\d+)?"
                       "(/[a-zA-Z0-9\\.\\-~!@#$%^&*+?:_/=<>]*)?)|(www.[a-zA-Z0-9\\.\\-]+\\."
                       "([a-zA-Z]{2,4})(:\\d+)?(/[a-zA-Z0-9\\.\\-~!@#$%^&*+?:_/=<>]*)?)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(text);
    return match.hasMatch() ? match.captured(0) : QString();
}

QString clipedImageURLString(const QString& url, int width, int height) {
    if (url.isNull()) return {};
    const QStringList parts = url.split(QLatin1Char('_'));
    if (parts.size() < 3) return url;
    return QStringLiteral("%1_%2-%3c_%4").arg(parts[0]).arg(width).arg(height).arg(parts[2]);
}

QString hightQualityImageURLString(const QString& url, bool useWifi) {
    if (url.isNull()) return {};
    QString result = url;
    return result.replace(QStringLiteral("_7-"),
                          useWifi ? QStringLiteral("_8-") : QStringLiteral("_5-"),
                          Qt::CaseInsensitive);
}

}  // namespace TextChecks
