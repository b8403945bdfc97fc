#pragma once

#include <QMap>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <functional>

// The pages of the keyword search results: the posts whose titles hold the keyword in one
// category (and major category, or any), under the chosen conditions, 20 a page, through
// "SearchPostsByJson2"; the paging state and the rules by which a reply is taken in.
// Main thread only.
class SearchPage {
public:
    static constexpr int kPageSize = 20;
    // The category or major category of a search that names none.
    static inline const QString kNone = QStringLiteral("-1000");

    QVariantList listArray;
    int nowPage = 0;
    bool isHaveMoreData = false;
    // The next reply replaces the list; it stays set until the next page is asked for.
    bool isNeedRestListArray = false;
    QString nowMasterIndex = kNone;
    QString nowMajorIndex = kNone;
    // Field name -> condition text, sent joined by "," in field order.
    QMap<QString, QString> filterConditionDic;

    // The "jsonArgs=" body of page `nowPage`: "customerId", "cityScriptIndex", "categoryId"
    // (`nowMasterIndex`), "majorCategoryScriptIndex" (`nowMajorIndex`), "pageIndex",
    // "pageSize", "andKeywords" (the keyword as a title condition), "queryFilters" and
    // "sortKeywords", every value through the JSON layer.
    [[nodiscard]] QString body(int cityScriptIndex, const QString& keyword) const;

    // A fresh first page: the next reply replaces the list.
    void startFreshPage();
    // The page after the last one; false (and nothing changes) when there is none.
    bool startNextPage();
    // The request for `page` failed: a next page is given back, so that the loaded posts
    // stay and the same page is asked for again rather than skipped.
    void pageFailed(int page);

    struct Intake {
        bool wasPage = false;       // the reply was a dictionary and its posts were appended
        bool emptiedFirst = false;  // a pending reset emptied a list that held posts
    };
    // A pending reset empties the list first; a dictionary's "posts" are appended and more
    // pages exist while the page held posts and the list is shorter than its "total".
    Intake takeIn(const QVariant& reply);

    // Sends the request for page `nowPage`; a call of the same interface still under way
    // is cancelled. `success` gets the parsed reply, `failure` the failure dictionary.
    void request(int cityScriptIndex, const QString& keyword,
                 std::function<void(const QVariant&)> success,
                 std::function<void(const QVariantMap&)> failure) const;
};
