#include "app/QXAppMessagingPlugIns.h"

#include "IMChat/qximlib/QXFCIMReceiverParser.h"
#include "needs/QXNeedHistoryItem.h"

std::vector<std::shared_ptr<QXIMServiceObserver>> QXAppMessagingPlugIns::install(
    QXIMService& service) {
    return {QXFCIMReceiverParser::install(service, &QXNeedHistoryItem::getInfoWithDic)};
}
