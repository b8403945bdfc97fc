#include "IMChat/qximlib/QXFCIMReceiverParser.h"

#include "IMChat/qximlib/QXIMAgentCalls.h"

#include "IMChat/qximlib/QXIMDatabase.h"
#include "IMChat/qximlib/QXIMMessageContent.h"
#include "IMChat/qximlib/QXIMService.h"
#include "IMChat/qximlib/QXIMUser.h"

#include "net/ClassCallBody.h"
#include "net/QXIMConstantManager.h"
#include "net/QXIMRequest.h"
#include "net/RequestHeaderSet.h"
#include "util/categories/Tolerant.h"

namespace {

constexpr qint64 kNeedVoiceId = 200;
constexpr qint64 kNeedTextId = 100;

// Tells the data-share server that the user is in contact with a broker about a need.
void recordContact(const QString& agentId, const QString& needId) {
    QXIMAgentCalls::insertAgentUserContact(agentId, QStringLiteral("agent"), needId);
}

}  // namespace

std::shared_ptr<QXIMServiceObserver> QXFCIMReceiverParser::install(QXIMService& service,
                                                                   NeedSentence needSentence) {
    auto observer = std::make_shared<QXIMServiceObserver>();
    observer->parseMessage = [](const QVariantMap& message) {
        return Tolerant(message)[QStringLiteral("type")].value().toLongLong() == 1;
    };
    observer->receivedDifferentPostMessage = [needSentence](const QXIMMessage& last,
                                                            QList<QXIMMessage>& stored) {
        autoInsertNeedContent(last, stored, needSentence);
    };
    service.addObserver(observer);
    QXIMOnlineScriptParser& parser = service.scriptParser();
    parser.setKeychain({QStringLiteral("recvMsg"), QStringLiteral("recvData"),
                        QStringLiteral("command"), QStringLiteral("recvHeartbeatMsg"),
                        QStringLiteral("test")});
    parser.setReslutTypes({{QStringLiteral("recvMsg"), QXIMOnlineScriptParser::kJsonResult},
                           {QStringLiteral("recvData"), QXIMOnlineScriptParser::kJsonResult},
                           {QStringLiteral("command"), QXIMOnlineScriptParser::kJsonResult}});
    parser.setDelegate([weak = service.weak_from_this()](const QVariant& result, const QString& key,
                                                         const std::optional<ns::Error>& error) {
        if (const auto service = weak.lock()) parserResult(*service, result, key, error);
    });
    return observer;
}

void QXFCIMReceiverParser::parserResult(QXIMService& service, const QVariant& result,
                                        const QString& key, const std::optional<ns::Error>& error) {
    if (error) {
        // The service sets aside what could not be read.
        service.parserResult(result, key, error);
        return;
    }
    if (key == QLatin1String("test")) return;
    if (key == QLatin1String("command")) {
        if (Tolerant(result)[QStringLiteral("command")].isEqualToString(
                QXIMService::kForceOffCommand)) {
            // Signed on elsewhere: no more reconnecting.
            service.setNoKeepOnline(true);
            service.cancelRecConnect();
        }
        return;
    }
    service.parserResult(result, key, std::nullopt);
}

void QXFCIMReceiverParser::autoInsertNeedContent(QXIMMessage last, QList<QXIMMessage>& stored,
                                                 const NeedSentence& needSentence) {
    QXIMDatabase& store = QXIMDatabase::shared();
    QXIMDatabase::Rows needs = store.getNeedInfoWithUserID(last.userId, last.needId);
    // Someone answering a need the store does not know: a need whose publishing call the
    // app did not see end (it ended first, or the answer came before the reply), when the
    // store can tell which. Without one, the talk opens with no need.
    if (needs.isEmpty() && last.fromId.toLongLong() != last.userId.toLongLong()) {
        if (const auto adopted = store.adoptSendingNeed(last.userId, last.needId))
            needs = {*adopted};
    }
    if (needs.size() != 1 || !needSentence) return;
    const QVariantMap& need = needs.first();
    const QString sentence = QXIMMessageTextContent(needSentence(need)).contentJSONString();
    // A talk whose post goes back and forth between the need and other posts already opens
    // with the need: it is put in once.
    if (store.messageExist(kNeedTextId, last.talkId, last.userId, sentence)) return;
    QXIMMessage own = last.copy();
    if (own.fromId.toLongLong() != own.userId.toLongLong()) {
        own.toId = own.fromId;
        own.fromId = own.userId;
    }
    own.needId = QXIMDatabase::kNoPostNeedId;
    qsizetype textAt = 0;
    QXIMMessage text = own.copy();
    const QString voice = need.value(QStringLiteral("voiceUrl")).toString();
    if (!voice.isEmpty()) {
        QXIMMessage note = own.copy();
        note.messageId = kNeedVoiceId;
        note.uTime = QXIMMessage::timeBefore(last.uTime, 2);
        QXIMMessageAudioContent audio(voice, need.value(QStringLiteral("v_len")).toDouble());
        audio.errorString = QStringLiteral("有语音%1").arg(voice);
        note.setContents(audio.contentJSONString());
        if (store.saveMessage(note, false)) {
            stored.prepend(note);
            textAt = 1;
        }
        text = note.copy();
    }
    text.messageId = kNeedTextId;
    text.setContents(sentence);
    text.uTime = QXIMMessage::timeBefore(text.uTime, 1);
    if (store.saveMessage(text, false)) stored.insert(textAt, text);
    recordContact(own.toId, last.needId);
}
