#include "IMChat/qximlib/QXIMUtil.h"

#include "net/RequestStamp.h"

QString QXIMUtil::getTimeStamp() {
    return RequestStamp::timeStamp();
}

QString QXIMUtil::newSeqId() {
    return RequestStamp::newUUID();
}

QString QXIMUtil::getGUID() {
    return RequestStamp::newUUID();
}
