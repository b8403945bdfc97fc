#include "app/statistics/Statistics.h"

#include "net/RequestStamp.h"

QString Statistics::NewSeqId() {
    return RequestStamp::newUUID();
}

QString Statistics::getTimeStamp() {
    return RequestStamp::timeStamp();
}

qint32 Statistics::getTimeInterval() {
    return RequestStamp::timeInterval();
}
