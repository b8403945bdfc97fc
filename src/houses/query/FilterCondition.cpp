#include "houses/query/FilterCondition.h"

#include "net/BodyJson.h"
#include "net/EndpointTable.h"

QString FilterCondition::make(const QString& name, const QString& value) {
    return BodyJson::object({{QStringLiteral("name"), BodyJson::string(name)},
                             {QStringLiteral("operator"), BodyJson::string(QStringLiteral("="))},
                             {QStringLiteral("value"), BodyJson::string(value)}});
}

QStringList NearbyRadiusTable::radii() {
    return EndpointTable::nearbyRadiusSteps();
}
