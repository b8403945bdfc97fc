#pragma once

#include "platform/foundation/clock.h"

#include <QVariant>

#include <chrono>
#include <memory>

namespace ns {
class Timer;
}

// Asks the data-share server for the anonymous user id of this installation ("userRegister")
// and hands it to the application: its user id (user defaults "userId"), the anonymous login
// id (user defaults "anonymousLoginId"; the messaging user's numeric id while nobody is logged
// on) and the messaging service. While the server cannot give one the application runs on
// the fallback user id, and the getter asks again every 10 s until a real id arrives. A reply
// without a user id counts as a failure.
//
// Runs on the main thread. A query on its way and the retry timer keep the getter alive
// until a success stops it; it must be owned by a shared pointer.
class UserIdGetter : public std::enable_shared_from_this<UserIdGetter> {
public:
    static constexpr ns::Duration kRetryInterval = std::chrono::seconds(10);

    UserIdGetter() = default;
    UserIdGetter(const UserIdGetter&) = delete;
    UserIdGetter& operator=(const UserIdGetter&) = delete;

    // One query.
    void queryUserId();

    // The retry timer, once made (a success leaves it invalidated here).
    [[nodiscard]] const std::shared_ptr<ns::Timer>& getterTimer() const { return getterTimer_; }
    // Whether the last query failed.
    [[nodiscard]] bool gotFailed() const { return gotFailed_; }

    // A receiver slot the getter itself never uses.
    [[nodiscard]] std::shared_ptr<void> responseVc() const { return responseVc_.lock(); }
    void setResponseVc(std::weak_ptr<void> responseVc) { responseVc_ = std::move(responseVc); }

private:
    void succeeded(const QVariant& userId, const QVariant& anonymousLoginId);
    void failed();

    std::shared_ptr<ns::Timer> getterTimer_;
    bool gotFailed_ = false;
    std::weak_ptr<void> responseVc_;
};
