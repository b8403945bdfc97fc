#pragma once

#include "houses/shared/GetPostListCellFormate.h"

#include <QMap>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <functional>

// The post list's data side: the posts loaded so far, page by page (20 a page), the
// conditions and keyword of the query, the "SearchPostsByJson2" request of one page and the
// rules by which a reply is taken in and the next page is asked for. Main thread only.
class PostListPaging {
public:
    static constexpr int kPageSize = 20;
    static constexpr int kMasterId = 7;

    QVariantList contentArray;
    int nowListNum = 0;
    int totalListNum = 0;
    int nowPage = 0;
    bool isHaveMoreData = false;
    bool isShouldResetArray = false;
    bool loadingNext = false;
    // Field name -> condition text, sent joined by "," in field order.
    QMap<QString, QString> filterConditionDic;
    QString keyword;
    int masterId = kMasterId;
    int majorId = 1;

    // The "jsonArgs=" body of page `nowPage` for the city.
    [[nodiscard]] QString body(int cityScriptIndex) const;

    // What taking in a reply asks of the table.
    struct Intake {
        bool emptiedFirst = false;  // a pending reset emptied the rows before the reply
        bool tookPage = false;      // the reply was a page and its posts were appended
    };
    // Takes in a successful reply (the reset rule, then the page when the reply is a
    // dictionary of exactly "posts" and "total").
    Intake takeIn(const QVariant& reply);

    // Rows of the table: the posts, and the "more" row after them while a page is left.
    [[nodiscard]] int rowCount() const;
    [[nodiscard]] bool isMoreRow(int row) const { return isHaveMoreData && row == nowListNum; }

    // A fresh first page: the next reply replaces the rows.
    void startFreshPage();
    // Advances to the next page; false (and nothing changes) when there is none.
    bool startNextPage();
    // A request for `page` failed: a next page is given back, so the same page is asked
    // for again instead of being skipped.
    void pageFailed(int page);

    // Sends the request for page `nowPage`. `success` gets the parsed reply; `failure` the
    // failure dictionary. A call of the same interface still under way is cancelled.
    void request(int cityScriptIndex, std::function<void(const QVariant&)> success,
                 std::function<void(const QVariantMap&)> failure) const;
    // Whether a failure is only the cancellation of a call that a newer one replaced.
    [[nodiscard]] static bool isCancellation(const QVariantMap& failure);
    static void cancelRequest();
};
