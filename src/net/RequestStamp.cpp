#include "net/RequestStamp.h"

#include "platform/foundation/clock.h"

#include <QDateTime>
#include <QUuid>

#include <cmath>
#include <limits>

QString RequestStamp::newUUID() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

QString RequestStamp::timeStamp() {
    return ns::Clock::shared().currentDateTime().toLocalTime().toString(
        QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

qint32 RequestStamp::timeInterval() {
    const double seconds = std::trunc(ns::Clock::shared().timeIntervalSinceReferenceDate());
    constexpr double kLowest = std::numeric_limits<qint32>::min();
    constexpr double kHighest = std::numeric_limits<qint32>::max();
    if (seconds <= kLowest) return std::numeric_limits<qint32>::min();
    if (seconds >= kHighest) return std::numeric_limits<qint32>::max();
    return static_cast<qint32>(seconds);
}
