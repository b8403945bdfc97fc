#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// Request headers in the order they are assembled: names with their values.
using HeaderList = QList<QPair<QString, QString>>;

// The header dictionary of one service call. The servers read the headers by name, but the
// order in which a call assembles them is part of its wire form, so the set keeps it: a
// header is appended when first set and keeps its place when set again. Names are compared
// exactly, as dictionary keys ("Token" and "token" are two headers).
//
// The named sets read the client identity from the endpoint table and the user, city,
// logon state and stamps from the installed QXNetContext; each call of a named set makes
// a new sequence id and reads the clock afresh.
class RequestHeaderSet {
public:
    RequestHeaderSet() = default;

    // Sets one header. A null value is an absent value: the header is left out (and taken
    // out when it was there).
    RequestHeaderSet& set(const QString& name, const QString& value);
    RequestHeaderSet& remove(const QString& name);

    // The header's value; a null QString when there is none.
    [[nodiscard]] QString value(const QString& name) const;
    [[nodiscard]] bool contains(const QString& name) const;
    [[nodiscard]] QStringList names() const;
    [[nodiscard]] const HeaderList& pairs() const& { return pairs_; }
    // A temporary set hands its pairs over, so `for (... : RequestHeaderSet::x().pairs())`
    // never reads a destroyed list.
    [[nodiscard]] HeaderList pairs() && { return std::move(pairs_); }
    [[nodiscard]] qsizetype count() const { return pairs_.size(); }
    [[nodiscard]] bool isEmpty() const { return pairs_.isEmpty(); }

    friend bool operator==(const RequestHeaderSet&, const RequestHeaderSet&) = default;

    // "customerId", "clientAgent", "model", "userId", "versionId", "contentformat" "json2",
    // "agency": the first seven headers of nearly every data-share call.
    [[nodiscard]] static RequestHeaderSet clientIdentity();

    // The common set of a data-share call: the client identity, "cityScriptIndex",
    // "QxData-Version" "1.0", "interface", "SeqId", "ClientTimeStamp", "Accept-Encoding"
    // "gzip".
    [[nodiscard]] static RequestHeaderSet dataShare(const QString& interface);
    // The post list search: the client identity, "interface", "ClientTimeStamp",
    // "Accept-Encoding" "gzip", "SeqId"; no city and no data version.
    [[nodiscard]] static RequestHeaderSet postListSearch(const QString& interface);
    // The news list ("CommonConsultList"): the common set plus "mac", the device id.
    [[nodiscard]] static RequestHeaderSet newsList();
    // The anonymous user id query ("userRegister"): identity without the user id, then
    // "interface" and "imei", the device id.
    [[nodiscard]] static RequestHeaderSet anonymousUserId();
    // The users endpoint: identity with "contentformat" "bin" and without the user id,
    // "interface" (left out for a null interface), "ContentType" (when `formContentType`),
    // "UserId", "QxData-Version" "1.0", and "SessionId" and "Token" of the logon while
    // logged on.
    [[nodiscard]] static RequestHeaderSet usersEndpoint(const QString& interface,
                                                        bool formContentType);
    // An upload ("UploadImages") with the multipart boundary `boundary`; its
    // "ClientTimeStamp" counts whole seconds since 2001.
    [[nodiscard]] static RequestHeaderSet upload(const QString& boundary);
    // The log upload: "customerId", "uid" (the user id), "versionId", "agency".
    [[nodiscard]] static RequestHeaderSet logUpload();
    // The messaging library's short calls: "ContentType" and the library's data version.
    [[nodiscard]] static RequestHeaderSet messaging();
    // The messaging library's streaming receive: "contentformat" "bin" before the above.
    [[nodiscard]] static RequestHeaderSet messagingStream();

    // The set as the shared request object installs it: with "token" added when the
    // messaging user has one.
    [[nodiscard]] RequestHeaderSet withMessagingToken() const;

private:
    HeaderList pairs_;
};
