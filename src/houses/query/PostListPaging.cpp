#include "houses/query/PostListPaging.h"

#include "houses/query/FilterCondition.h"
#include "net/BodyJson.h"
#include "net/EndpointTable.h"
#include "net/JsonArgsBody.h"
#include "net/QXIMRequest.h"
#include "net/RequestHeaderSet.h"
#include "util/categories/Tolerant.h"

namespace {
const QString kInterface = QStringLiteral("SearchPostsByJson2");
}

QString PostListPaging::body(int cityScriptIndex) const {
    const QStringList conditions = filterConditionDic.values();
    const QString trimmedKeyword = keyword.trimmed();
    const QStringList keywords =
        trimmedKeyword.isEmpty()
            ? QStringList()
            : QStringList{FilterCondition::make(QStringLiteral("title"), trimmedKeyword)};
    JsonArgsBody args;
    args.add("customerId", EndpointTable::customerId())
        .add("cityScriptIndex", QString::number(cityScriptIndex))
        .add("categoryId", QString::number(masterId))
        .add("majorCategoryScriptIndex", QString::number(majorId))
        .add("pageIndex", QString::number(nowPage))
        .add("pageSize", QString::number(kPageSize))
        .addJson("queryFilters", BodyJson::array(conditions))
        .addJson("andKeywords", BodyJson::array(keywords))
        .addJson("sortKeywords", BodyJson::object({{"field", BodyJson::string("refresh_at")},
                                                   {"sort", BodyJson::string("desc")}}));
    return args.text();
}

PostListPaging::Intake PostListPaging::takeIn(const QVariant& reply) {
    Intake intake;
    if (isShouldResetArray) {
        intake.emptiedFirst = !contentArray.isEmpty();
        contentArray.clear();
    }
    const QVariantMap page =
        reply.typeId() == QMetaType::QVariantMap ? reply.toMap() : QVariantMap();
    if (page.size() == 2) {
        const QVariantList posts = page.value(QStringLiteral("posts")).toList();
        contentArray.append(posts);
        nowListNum = int(contentArray.size());
        totalListNum = Tolerant(page.value(QStringLiteral("total"))).intValue();
        isHaveMoreData = nowListNum < totalListNum && !posts.isEmpty();
        intake.tookPage = true;
    } else {
        nowListNum = int(contentArray.size());
    }
    return intake;
}

int PostListPaging::rowCount() const {
    if (nowListNum == 0) return 0;
    return nowListNum + (isHaveMoreData ? 1 : 0);
}

void PostListPaging::startFreshPage() {
    isShouldResetArray = true;
    nowPage = 0;
}

bool PostListPaging::startNextPage() {
    if (!isHaveMoreData) return false;
    loadingNext = true;
    isShouldResetArray = false;
    ++nowPage;
    return true;
}

void PostListPaging::pageFailed(int page) {
    loadingNext = false;
    if (page > 0 && !isShouldResetArray && nowPage == page) --nowPage;
}

void PostListPaging::request(int cityScriptIndex, std::function<void(const QVariant&)> success,
                             std::function<void(const QVariantMap&)> failure) const {
    QXIMRequest& shared = QXIMRequest::shared();
    shared.addValuesFormDic(RequestHeaderSet::postListSearch(kInterface));
    shared.requestWithUrl(EndpointTable::dataShareEndpoint(), kInterface, body(cityScriptIndex),
                          std::move(success), std::move(failure));
}

bool PostListPaging::isCancellation(const QVariantMap& failure) {
    return failure.value(QStringLiteral("msg")).toString().contains(QLatin1String("Code=-999"));
}

void PostListPaging::cancelRequest() {
    QXIMRequest::shared().cancelToVikRequestByInterface(kInterface,
                                                        EndpointTable::dataShareEndpoint());
}
