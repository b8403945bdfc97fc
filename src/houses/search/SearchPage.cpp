#include "houses/search/SearchPage.h"

#include "houses/query/PostListPaging.h"
#include "net/BodyJson.h"
#include "net/EndpointTable.h"
#include "net/JsonArgsBody.h"
#include "net/QXIMRequest.h"
#include "net/RequestHeaderSet.h"
#include "util/categories/Tolerant.h"

namespace {
const QString kSearchInterface = QStringLiteral("SearchPostsByJson2");
}

QString SearchPage::body(int cityScriptIndex, const QString& keyword) const {
    const QString title = BodyJson::object({{QStringLiteral("name"), BodyJson::string("title")},
                                            {QStringLiteral("value"), BodyJson::string(keyword)}});
    JsonArgsBody args;
    args.add("customerId", EndpointTable::customerId())
        .add("cityScriptIndex", QString::number(cityScriptIndex))
        .add("categoryId", nowMasterIndex)
        .add("majorCategoryScriptIndex", nowMajorIndex)
        .add("pageIndex", QString::number(nowPage))
        .add("pageSize", QString::number(kPageSize))
        .addJson("andKeywords", BodyJson::array({title}))
        .addJson("queryFilters", BodyJson::array(filterConditionDic.values()))
        .addJson("sortKeywords",
                 BodyJson::array({BodyJson::object({{"field", BodyJson::string("refresh_at")},
                                                    {"sort", BodyJson::string("desc")}})}));
    return args.text();
}

void SearchPage::startFreshPage() {
    isNeedRestListArray = true;
    nowPage = 0;
}

bool SearchPage::startNextPage() {
    if (!isHaveMoreData) return false;
    isNeedRestListArray = false;
    ++nowPage;
    return true;
}

void SearchPage::pageFailed(int page) {
    if (page > 0 && !isNeedRestListArray && nowPage == page) --nowPage;
}

SearchPage::Intake SearchPage::takeIn(const QVariant& reply) {
    Intake intake;
    if (isNeedRestListArray) {
        intake.emptiedFirst = !listArray.isEmpty();
        listArray.clear();
    }
    // A reply that is no page adds nothing: a fresh search is then empty, a next page keeps
    // the posts loaded before it.
    if (reply.typeId() != QMetaType::QVariantMap) {
        if (isNeedRestListArray) isHaveMoreData = false;
        return intake;
    }
    const QVariantMap page = reply.toMap();
    const QVariantList posts = page.value(QStringLiteral("posts")).toList();
    listArray.append(posts);
    const int total = Tolerant(page.value(QStringLiteral("total"))).intValue();
    isHaveMoreData = !posts.isEmpty() && listArray.size() < total;
    intake.wasPage = true;
    return intake;
}

void SearchPage::request(int cityScriptIndex, const QString& keyword,
                         std::function<void(const QVariant&)> success,
                         std::function<void(const QVariantMap&)> failure) const {
    QXIMRequest& shared = QXIMRequest::shared();
    shared.addValuesFormDic(RequestHeaderSet::postListSearch(kSearchInterface));
    shared.requestWithUrl(EndpointTable::dataShareEndpoint(), kSearchInterface,
                          body(cityScriptIndex, keyword), std::move(success), std::move(failure));
}
