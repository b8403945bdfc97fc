#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>
#include <optional>

// The logon state as the request road reads it: a snapshot, so that a request built on
// another thread sees one consistent state.
struct QXNetLogon {
    qint64 loginID = 0;
    // Null while logged off (the header is then left out).
    QString sessionID;
    QString token;
    // The login id while logged on, otherwise the messaging user's temporary id.
    qint64 userId = 0;
};

// What the request road asks of the application: the user and city the headers name, the
// messaging user's key and token, the logon state, the network state and the stamps of
// each request. The request layer sits below the app shell and the messaging library, so
// it never reaches up to them; the app installs its implementation at launch, and until
// then (and in the request layer's own tests) a QXNetDefaultContext answers.
//
// Implementations are called from the main thread and from the messaging library's queue,
// so every method must be safe to call from any thread.
class QXNetContext {
public:
    virtual ~QXNetContext();

    // The context in force (never null).
    [[nodiscard]] static std::shared_ptr<QXNetContext> shared();
    // Replaces the context in force; nullptr brings back a fresh QXNetDefaultContext.
    static void install(std::shared_ptr<QXNetContext> context);

    // The application's user id, sent as "userId" or "UserId"; never empty (at worst the
    // fallback id of the endpoint table).
    [[nodiscard]] virtual QString userId() const = 0;
    // The current city's script index (-1 before a city is loaded).
    [[nodiscard]] virtual int currentCityScript_index() const = 0;
    // The current city's id (the "id" of its properties); 0 before a city is loaded.
    [[nodiscard]] virtual qint64 currentCityId() const;
    // Whether the network is reachable, as the application last heard.
    [[nodiscard]] virtual bool connectionReachabil() const = 0;
    [[nodiscard]] virtual QXNetLogon logonState() const = 0;
    // The messaging user's key ("" when none) and token (nothing when none).
    [[nodiscard]] virtual QString imUserKey() const = 0;
    [[nodiscard]] virtual std::optional<QString> imUserToken() const = 0;
    // The device id, sent as "mac" and "imei".
    [[nodiscard]] virtual QString deviceId() const = 0;

    // What an anonymous user id from the server changes in the application: its user id
    // (which is also the messaging user's key), the messaging user's numeric id (while nobody
    // is logged on: a logged-on user stays the messaging user), and the messaging service,
    // which is told that the user changed. The defaults do nothing.
    virtual void setUserId(const QString& userId);
    virtual void setIMUserId(qint64 userId);
    virtual void imUserChanged();

    // A new sequence id ("SeqId"), the local time stamp ("ClientTimeStamp") and the whole
    // seconds since 2001 (the uploads' "ClientTimeStamp"); RequestStamp's forms unless the
    // application routes them through its statistics service.
    [[nodiscard]] virtual QString newSeqId() const;
    [[nodiscard]] virtual QString timeStamp() const;
    [[nodiscard]] virtual qint32 timeInterval() const;
};
