#pragma once

#include <QJsonObject>
#include <QtGlobal>

#include <optional>

namespace standin {

// What the servers tell of the sample's people (standin/SamplePeople.h) when asked by user
// id: "GetUserPrivilegeByUserId" answers a broker's shop data, with the number of posts of
// each kind the broker has, or a personal user's plain data.
class PeopleCalls {
public:
    // The reply for a person of the sample; nullopt for an id the sample has nobody for.
    [[nodiscard]] static std::optional<QJsonObject> privilegeOf(qint64 userId);
};

}  // namespace standin
