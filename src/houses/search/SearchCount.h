#pragma once

#include "net/RequestHeaderSet.h"

#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <optional>

// The "GetWebSearchCount" call: how many posts hold a keyword in each category. A GET of
// "<data-share endpoint>?keywords=<keyword percent-escaped>&searchAll=1". Its reply is an
// array of category records {"CategoryID", "CateName", "Size", "MajorCountList"}, each major
// category record {"MajorCategoryScriptIndex", "MajorCategoryName", "CategoryID", "Size"}.
class SearchCount {
public:
    static inline const QString kInterface = QStringLiteral("GetWebSearchCount");

    [[nodiscard]] static QString url(const QString& keyword);
    // The client identity with "contentformat" "json", "cityScriptIndex", "interface",
    // "ClientTimeStamp", "Accept-Encoding" "gzip" and "searchAll" "1".
    [[nodiscard]] static RequestHeaderSet headers();

    // The category record at `index` of a reply and its first major category record, when
    // the reply is an array holding a dictionary there whose "MajorCountList" has one.
    struct Choice {
        QVariantMap category;
        QVariantMap major;
    };
    [[nodiscard]] static std::optional<Choice> usableCategory(const QVariant& reply, int index);
};
