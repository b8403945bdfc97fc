#include "IMChat/qximlib/QXIMCheckIfInsertAnotherParser.h"

#include "IMChat/qximlib/QXIMDatabase.h"
#include "IMChat/qximlib/QXIMMessageContent.h"
#include "IMChat/qximlib/QXIMService.h"

#include "net/transport/Json.h"
#include "util/categories/Tolerant.h"

std::shared_ptr<QXIMServiceObserver> QXIMCheckIfInsertAnotherParser::install(QXIMService& service) {
    auto observer = std::make_shared<QXIMServiceObserver>();
    observer->receivedDifferentPostMessage = &receivedDifferentPostMessage;
    service.addObserver(observer);
    return observer;
}

void QXIMCheckIfInsertAnotherParser::receivedDifferentPostMessage(const QXIMMessage& last,
                                                                  QList<QXIMMessage>& stored) {
    if (last.type == 1 || last.type == 2 || last.fromId.toLongLong() == 0) return;
    const Tolerant post =
        Tolerant(json_JSON(QVariant(last.completeMessage)))[QStringLiteral("post")];
    if (post[QStringLiteral("title")].toString().trimmed().isEmpty() ||
        post[QStringLiteral("id")].toString().isEmpty()) {
        return;
    }
    QXIMMessage card = last.copy();
    card.setContents(QXIMMessagePostContent(post[QStringLiteral("url")].toString(), post.toMap())
                         .contentJSONString());
    card.uTime = QXIMMessage::timeBefore(stored.isEmpty() ? last.uTime : stored.first().uTime, 1);
    if (!QXIMDatabase::shared().saveMessage(card, false)) return;
    stored.prepend(card);
}
