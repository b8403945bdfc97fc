#pragma once

#include "houses/shared/GetPostListCellFormate.h"
#include "net/QXIMRequest.h"
#include "net/RequestHeaderSet.h"

#include <QString>

// The service calls of the post detail, each with the header set the detail builds itself:
// the client identity and the interface, without city, data version, sequence id or time
// stamp. Replies and failures come on the main queue as the shared request object hands
// them over.
class PostDetailRequest {
public:
    using SuccessBlock = QXIMRequest::SuccessBlock;
    using FailureBlock = QXIMRequest::FailureBlock;

    [[nodiscard]] static RequestHeaderSet headers(const QString& interface);

    // "GetPost" (a GET): the post by its puid, {"posts": [post]}; no "puid" header for an
    // empty puid.
    static void getPost(const QString& puid, SuccessBlock success, FailureBlock failure);
    // "GetPostByPuid": the post's whole data, {"data": {...}}; the body carries its "d_sign".
    static void getPostByPuid(const PostRecord& post, SuccessBlock success, FailureBlock failure);
    // "PostPvStat": one view of the post in the current city; its answer is not read.
    static void postPvStat(const PostRecord& post, int masterId, int majorId);
    // "GetUserStatuss" on the backend: whether the users are online.
    static void getUserStatuss(const QString& userIds, SuccessBlock success, FailureBlock failure);

    // Cancels the detail's calls under way (its own and the broker data's).
    static void cancelAll();
    // Cancels one data-share call of the detail.
    static void cancel(const QString& interface);
};
