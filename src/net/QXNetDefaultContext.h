#pragma once

#include "net/QXNetContext.h"

#include <mutex>

// The context the request road uses until the application installs its own: plain values
// with setters. Starts with the fallback user id, no city (-1, id 0), the network
// unreachable, logged off, an empty messaging key, no token, messaging user id 0 and an
// empty device id.
class QXNetDefaultContext final : public QXNetContext {
public:
    [[nodiscard]] QString userId() const override;
    [[nodiscard]] int currentCityScript_index() const override;
    [[nodiscard]] qint64 currentCityId() const override;
    [[nodiscard]] bool connectionReachabil() const override;
    [[nodiscard]] QXNetLogon logonState() const override;
    [[nodiscard]] QString imUserKey() const override;
    [[nodiscard]] std::optional<QString> imUserToken() const override;
    [[nodiscard]] QString deviceId() const override;

    // An empty id brings back the fallback id.
    void setUserId(const QString& userId) override;
    void setIMUserId(qint64 userId) override;
    // Counts the calls, for imUserChangedCount().
    void imUserChanged() override;
    [[nodiscard]] qint64 imUserId() const;
    [[nodiscard]] int imUserChangedCount() const;
    void setCurrentCityScript_index(int index);
    void setCurrentCityId(qint64 cityId);
    void setConnectionReachabil(bool reachable);
    void setLogonState(const QXNetLogon& logon);
    void setIMUserKey(const QString& key);
    void setIMUserToken(std::optional<QString> token);
    void setDeviceId(const QString& deviceId);

private:
    mutable std::mutex mutex_;
    QString userId_;
    int cityScriptIndex_ = -1;
    qint64 cityId_ = 0;
    qint64 imUserId_ = 0;
    int imUserChangedCount_ = 0;
    bool reachable_ = false;
    QXNetLogon logon_;
    QString imUserKey_ = QLatin1String("");
    std::optional<QString> imUserToken_;
    QString deviceId_ = QLatin1String("");
};
