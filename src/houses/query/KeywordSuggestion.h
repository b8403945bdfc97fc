#pragma once

#include "net/RequestHeaderSet.h"

#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

// The keyword suggestions of the "ajaxSuggestion" interface for the text being typed: rows
// {"text": a keyword, "count": its number of posts}. One object per field that asks. Only
// the latest request of an object is ever answered: a newer one replaces an older one still
// under way (the shared request object cancels it), a reply that arrives after a newer
// request was sent is dropped, and a cancelled call reaches neither callback, so the rows
// shown always belong to the last text and a replaced call never reads as a failure.
class KeywordSuggestion {
public:
    static inline const QString kInterface = QStringLiteral("ajaxSuggestion");

    using RowsBlock = std::function<void(const QVariantList& rows)>;
    using FailureBlock = std::function<void(const QVariantMap& failure)>;

    KeywordSuggestion();

    // The "jsonArgs=" body: "cityScriptIndex" and "keyword", then "categoryId" and
    // "majorCategoryScriptIndex" when the asking list names them; every value a JSON string,
    // the keyword escaped by the JSON layer.
    [[nodiscard]] static QString body(int cityScriptIndex, const QString& keyword,
                                      std::optional<int> categoryId = std::nullopt,
                                      std::optional<int> majorId = std::nullopt);
    // The client identity, "interface", "ClientTimeStamp" and "Accept-Encoding" "gzip".
    [[nodiscard]] static RequestHeaderSet headers();

    // Sends a request with that body. `rows` hears a reply that is an array (possibly
    // empty); another reply reaches no one. `failure` hears a failure that is no cancel.
    void request(const QString& body, RowsBlock rows, FailureBlock failure = nullptr);
    // Cancels the call under way; its reply, if any comes, is dropped.
    void cancel();

private:
    // Shared with the callbacks, which may outlive the object.
    std::shared_ptr<quint64> latest_;
};
