#pragma once

#include "standin/Endpoints.h"

#include <QJsonObject>

#include <map>
#include <mutex>
#include <optional>

namespace standin {

// A broker's promotions on the user server: how many posts the broker may keep promoted at
// once ("maxLiveCount"), how many are promoted now ("liveCount", at first as many of the
// broker's posts as the quota holds) and how many were promoted today ("premieredCount").
// The broker's privileges give them under "premierPrivilege"."stat"."premier"; a change is
//
//   POST /users/<broker>/posts/<city>/7/<house_id>/update?post_session_id=S
//        &&major_category_script_index=K   form "operationType" 1 (promote) or 2 (withdraw)
//
// answered {"errCode":0,"currentInfo":{the three counts}}, or {"errCode":-1,"errMsg"} without
// a session, -2 with the quota used up, -3 with nothing promoted to withdraw, -4 for a house
// that is not the broker's and -5 for another operation.
class Promotions {
public:
    static constexpr int kMaxLiveCount = 20;

    static void install(Endpoints& endpoints, const std::shared_ptr<Promotions>& promotions);

    // The broker's counts as they stand.
    [[nodiscard]] QJsonObject premier(qint64 brokerId);
    [[nodiscard]] std::optional<Reply> update(const RecordedRequest& request);
    void reset();

private:
    struct Counts {
        int live = 0;
        int premiered = 0;
    };
    Counts& countsOf(qint64 brokerId);
    static QJsonObject toJson(const Counts& counts);

    std::mutex mutex_;
    std::map<qint64, Counts> counts_;
};

}  // namespace standin
