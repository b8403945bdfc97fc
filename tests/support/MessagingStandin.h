#pragma once

#include "StandinFixture.h"

#include "IMChat/qximlib/QXIMUser.h"
#include "net/QXIMConstantManager.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>

// The stand-in's messaging server as the messaging tests steer it (standin/README.md).
class MessagingStandin {
public:
    explicit MessagingStandin(StandinProcess& server) : server_(server) {}

    QJsonObject control(const char* method, const QByteArray& path, const QJsonObject& body = {}) {
        const auto reply = server_.control(method, path, QJsonDocument(body).toJson());
        return reply ? QJsonDocument::fromJson(*reply).object() : QJsonObject();
    }
    // Has the sample broker write to a user; the ids of the messages written.
    QList<qint64> write(const QJsonObject& order) {
        QList<qint64> ids;
        for (const QJsonValue id : control("POST", "im/write", order)["ids"].toArray()) {
            ids.append(id.toInteger());
        }
        return ids;
    }
    // The ids written to the user that it has not acknowledged yet.
    int unacknowledged(qint64 user) {
        return static_cast<int>(
            control("GET", "im/messages?to=" + QByteArray::number(user))["unacknowledged"]
                .toArray()
                .size());
    }
    // Every id written to the user, those still held back by a delay too.
    QList<qint64> written(qint64 user) {
        QList<qint64> ids;
        for (const QJsonValue id :
             control("GET", "im/messages?to=" + QByteArray::number(user))["sent"].toArray()) {
            ids.append(id.toInteger());
        }
        return ids;
    }
    // The user's streams the server is serving.
    int openStreams(qint64 user) {
        return control("GET", "im/messages?to=" + QByteArray::number(user))["streams"].toInt();
    }
    void setFaults(const QJsonObject& faults) { control("POST", "im/faults", faults); }
    // Acknowledgement calls and the ids they named, packets the streams carried.
    QJsonObject counters() { return control("GET", "im/counters"); }

    // The client values the messaging library needs, and `user` as the messaging user.
    static void signIn(qint64 user) {
        QXIMConstantManager& constants = QXIMConstantManager::share();
        constants.setQximclientTest("1");
        constants.setQximcustomId("710");
        constants.setQximversionId("2.3.0");
        QXIMUser::shared().setUserId(user);
    }

private:
    StandinProcess& server_;
};
