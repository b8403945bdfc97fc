#pragma once

#include "net/RequestHeaderSet.h"
#include "util/categories/Tolerant.h"

#include <QString>
#include <QVariant>

// The community calls of the data-share server: "HousingXiaoquInfo" (a community's page,
// its photos and its house pages) and "HousingListPageInfo" (the house lists' filter
// choices and the related houses of a post). Their header sets, their class-call bodies
// in the servers' exact forms, and the reading of their replies
// {"success":1,"data":{"<Class>":{"<method>":result}}}.
class XiaoquRequests {
public:
    static inline const QString kXiaoquInterface = QStringLiteral("HousingXiaoquInfo");
    static inline const QString kListPageInterface = QStringLiteral("HousingListPageInfo");
    // The price window of a community page ends five days before now and spans 300 days.
    static constexpr double kWindowEndBeforeNow = 432000;
    static constexpr double kWindowSpan = 300 * 86400.0;

    // The client identity, "interface", "ClientTimeStamp" when asked for and
    // "Accept-Encoding" "gzip": no city, data version or sequence id.
    [[nodiscard]] static RequestHeaderSet headers(const QString& interface, bool withTimeStamp);

    // A community's base record, facilities and prices (of the window ending five days
    // before `now`, in Unix seconds).
    [[nodiscard]] static QString baseBody(const QString& cityKey, const QString& pinyin,
                                          double now);
    [[nodiscard]] static QString photoBody(const QString& cityKey, const QString& pinyin,
                                           const QString& communityId);
    // One page of a community's houses; `filterText` is the chosen filters, each part
    // preceded by "," ("" for none).
    [[nodiscard]] static QString housePageBody(const QString& method, int page, int pageSize,
                                               const QString& domain, const QString& pinyin,
                                               const QString& filterText);
    // The choices of the price, layout and area filters of a kind of house.
    [[nodiscard]] static QString housingVarsBody(const QString& domain, int majorId);
    // The related houses of a post.
    [[nodiscard]] static QString relatedBody(int cityCode, int majorId, const QString& postKey,
                                             int agent, int count);

    // Whether the reply's "success" reads as 1 and its "data" is a dictionary.
    [[nodiscard]] static bool succeeded(const QVariant& reply);
    // data.<className>.<method> of a reply.
    [[nodiscard]] static Tolerant result(const QVariant& reply, const QString& className,
                                         const QString& method);
    // A compact JSON text with one blank after every comma between members and between
    // elements.
    [[nodiscard]] static QString withBlanksAfterCommas(const QString& json);
};
