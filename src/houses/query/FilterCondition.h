#pragma once

#include <QString>
#include <QStringList>

// One query condition of the post list as the server reads it: the JSON object
// {"name":..,"operator":"=","value":..} with its members in this order, every value a JSON
// string. Names and values go through the JSON layer, so quotes, backslashes and the
// characters that form text reserves reach the server intact.
class FilterCondition {
public:
    [[nodiscard]] static QString make(const QString& name, const QString& value);
};

// The radius choices of the nearby filter, in metres, and the one chosen by default.
class NearbyRadiusTable {
public:
    [[nodiscard]] static QStringList radii();
    static constexpr int kDefaultIndex = 2;
};
