#include "app/functions.h"

#include "platform/foundation/clock.h"

#include <QDateTime>

#include <cmath>
#include <numbers>

namespace {
QString tenThousands(double value) {
    return QString::asprintf("%G", value / 10000);
}

// The great-circle distance in metres on a sphere of the earth's mean radius.
double metresBetween(const functions::Location& a, const functions::Location& b) {
    constexpr double kEarthRadius = 6371009;
    const double toRadians = std::numbers::pi / 180;
    const double dLat = (b.latitude - a.latitude) * toRadians;
    const double dLon = (b.longitude - a.longitude) * toRadians;
    const double h = std::sin(dLat / 2) * std::sin(dLat / 2) +
                     std::cos(a.latitude * toRadians) * std::cos(b.latitude * toRadians) *
                         std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2 * kEarthRadius * std::asin(std::min(1.0, std::sqrt(h)));
}
}  // namespace

QString functions::yeartonow(const QString& text) {
    if (text.size() < 4) return QStringLiteral("不限");
    const int thisYear = ns::Clock::shared()
                             .currentDateTime()
                             .toLocalTime()
                             .toString(QStringLiteral("yyyy"))
                             .toInt();
    return QStringLiteral("%1年").arg(thisYear - text.left(4).toInt() + 1);
}

QString functions::timetonow(const QString& fallback, qint32 timeStamp) {
    const qint64 d = qint64(ns::Clock::shared().timeIntervalSince1970()) - timeStamp;
    if (d < 3600) return QStringLiteral("%1分钟前").arg(std::max<qint64>(1, d / 60));
    if (d < 86400) return QStringLiteral("%1小时前").arg(std::max<qint64>(1, d / 3600));
    return fallback;
}

QString functions::formatPrice(const QVariantMap& price) {
    if (price.contains(QStringLiteral("t"))) return price.value(QStringLiteral("t")).toString();
    QString value = price.value(QStringLiteral("v")).toString();
    if (value.toDouble() >= 100000) value = tenThousands(value.toDouble()) + QStringLiteral("万");
    return value + price.value(QStringLiteral("u")).toString();
}

QString functions::formatPriceStr(const QString& price) {
    if (price.toDouble() >= 100000) return tenThousands(price.toDouble()) + QStringLiteral("万元");
    return price + QStringLiteral("元");
}

QString functions::formatDistance(const QString& latlng, const std::optional<Location>& location) {
    const QStringList parts = latlng.split(QLatin1Char(','));
    if (latlng.isEmpty() || !location || parts.size() != 2) return QStringLiteral(" ");
    const Location point{parts[0].toDouble(), parts[1].toDouble()};
    return QString::asprintf("%.2f km", metresBetween(point, *location) / 1000);
}

QString functions::postDate(const QString& date) {
    if (date.isNull()) return {};
    if (date.contains(QLatin1Char(':'))) {
        return ns::Clock::shared().currentDateTime().toLocalTime().toString(
            QStringLiteral("MM-dd"));
    }
    return date;
}
