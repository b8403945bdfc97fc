#pragma once

#include <QString>
#include <QVariantMap>

#include <optional>

// Short display texts from raw values: an age in years, a relative time, a price with its
// unit, a distance and a post date.
class functions {
public:
    // A point on the earth in degrees.
    struct Location {
        double latitude = 0;
        double longitude = 0;
    };

    // "%d年" with (this year - the text's leading year + 1); "不限" for a text under 4 characters.
    [[nodiscard]] static QString yeartonow(const QString& text);
    // "N分钟前" under an hour (at least 1), "N小时前" under a day, else the fallback text.
    [[nodiscard]] static QString timetonow(const QString& fallback, qint32 timeStamp);
    // "t" when present; else "v" (as "%G万" from 100000 on) followed by "u".
    [[nodiscard]] static QString formatPrice(const QVariantMap& price);
    // "%G万元" from 100000 on, else the text followed by "元".
    [[nodiscard]] static QString formatPriceStr(const QString& price);
    // "%.2f km" between "latitude,longitude" and the location; " " when either is missing.
    [[nodiscard]] static QString formatDistance(const QString& latlng,
                                                const std::optional<Location>& location);
    // Today's "MM-dd" for a time of day (a text with ":"), else the text; null for null.
    [[nodiscard]] static QString postDate(const QString& date);
};
