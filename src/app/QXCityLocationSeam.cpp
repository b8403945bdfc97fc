#include "app/QXCityLocationSeam.h"

#include "platform/foundation/user_defaults.h"

namespace {
const QString kCityIdKey = QStringLiteral("cityId");
}  // namespace

int QXCityLocationSeam::loadCitiesData() {
    const qint64 cityId = ns::UserDefaults::standardUserDefaults().integerForKey(kCityIdKey);
    return cityId >= 1 ? int(cityId - 1) : kDefaultCityScriptIndex;
}

bool QXCityLocationSeam::cityWasEverChosen() {
    return ns::UserDefaults::standardUserDefaults().integerForKey(kCityIdKey) != 0;
}

void QXCityLocationSeam::startLocating() {}
