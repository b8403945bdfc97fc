#pragma once

#include "net/QXIMRequest.h"
#include "net/RequestHeaderSet.h"

#include <QString>

// The broker calls of the data-share server: "GetUserPrivilegeByUserId" (the broker's
// shop data), "GetRelatedBiotope" (the communities of the broker's posts) and
// "GetPostList" (a page of the broker's posts). Their six-key header set and their form
// bodies, which name the broker by the whole 64-bit user id.
class BrokerRequests {
public:
    static inline const QString kPrivilegeInterface = QStringLiteral("GetUserPrivilegeByUserId");
    static inline const QString kBiotopeInterface = QStringLiteral("GetRelatedBiotope");
    static inline const QString kPostListInterface = QStringLiteral("GetPostList");
    static constexpr int kPageSize = 10;

    // "customerID" (with a capital "ID"), "clientAgent", "model", "userId", "versionId" and
    // "interface".
    [[nodiscard]] static RequestHeaderSet headers(const QString& interface);
    // "cityScriptIndex=%i&categoryId=7&feeType=1&ucUserId=<id>&pg=2&pi=<pi>".
    [[nodiscard]] static QString commonBody(int cityScriptIndex, const QString& userId, int pi);
    // The broker's shop data (pi 1).
    [[nodiscard]] static QString privilegeBody(int cityScriptIndex, const QString& userId);
    // Asks for the broker's shop data in the current city, for `owner`.
    static void getPrivilege(const QString& userId, QXIMRequest::Owner owner,
                             QXIMRequest::SuccessBlock success, QXIMRequest::FailureBlock failure);
    // The communities of the broker's posts of a kind (0: every kind).
    [[nodiscard]] static QString biotopeBody(int cityScriptIndex, const QString& userId,
                                             int listType, int majorType);
    // Page `page` (from 1) of the broker's posts of a kind, of one community when
    // `biotopeId` is not 0.
    [[nodiscard]] static QString postListBody(int cityScriptIndex, const QString& userId,
                                              int majorType, qint64 biotopeId, int listType,
                                              int page);
    // The user id as the bodies send it: its whole number, or the text as it is when it is
    // no number.
    [[nodiscard]] static QString userIdText(const QString& userId);
};
