#pragma once

#include "net/QXNetContext.h"

#include <QString>

#include <memory>
#include <mutex>

class QXUserInfo;

// The application-wide state that screens and the request road read: the user id, the
// current city, the network state and the logon state. It answers the request road's
// questions (QXNetContext) from this state, the messaging user, the statistics service and
// the device id; the app installs the shared instance as the request road's context at
// launch (QXNetContext::install(QXAppState::shared())).
class QXAppState final : public QXNetContext {
public:
    QXAppState();
    ~QXAppState() override;

    // The one application state, made on first use.
    [[nodiscard]] static std::shared_ptr<QXAppState> shared();

    // The anonymous user id from the server, or the fallback id while there is none.
    [[nodiscard]] QString userId() const override;
    // Stores the user id and makes it the messaging user's key; the same id again changes
    // nothing.
    void setUserId(const QString& userId) override;
    // Makes the anonymous login id the messaging user's numeric id while nobody is logged on.
    void setIMUserId(qint64 userId) override;
    // Tells the messaging service, once started, to listen for the messaging user now set.
    void imUserChanged() override;

    // The current city's script index; -1 before a city is loaded.
    [[nodiscard]] int currentCityScript_index() const override;
    void setCurrentCityScript_index(int index);
    // The current city's id; 0 before a city is loaded.
    [[nodiscard]] qint64 currentCityId() const override;
    void setCurrentCityId(qint64 cityId);

    // Whether the network is reachable, as the reachability watch last said; NO at start.
    [[nodiscard]] bool connectionReachabil() const override;
    void setConnectionReachabil(bool reachable);

    // The logon state object.
    [[nodiscard]] std::shared_ptr<QXUserInfo> userInfo() const { return userInfo_; }

    [[nodiscard]] QXNetLogon logonState() const override;
    [[nodiscard]] QString imUserKey() const override;
    [[nodiscard]] std::optional<QString> imUserToken() const override;
    [[nodiscard]] QString deviceId() const override;
    [[nodiscard]] QString newSeqId() const override;
    [[nodiscard]] QString timeStamp() const override;
    [[nodiscard]] qint32 timeInterval() const override;

private:
    mutable std::mutex mutex_;
    QString userId_;
    int cityScriptIndex_ = -1;
    qint64 cityId_ = 0;
    bool reachable_ = false;
    const std::shared_ptr<QXUserInfo> userInfo_;
};
