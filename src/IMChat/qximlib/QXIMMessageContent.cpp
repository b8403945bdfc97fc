#include "IMChat/qximlib/QXIMMessageContent.h"

#include "net/transport/Json.h"

#include <QVariantList>

namespace {

QString orEmpty(const QString& text) {
    return text.isNull() ? QLatin1String("") : text;
}

QVariantList typed(const QString& kind, const QVariant& data, const QString& fallback) {
    return {kind, data, orEmpty(fallback)};
}

}  // namespace

QString QXIMMessageContent::contentJSONString() const {
    if (!contentJSONString_.isEmpty()) return contentJSONString_;
    return json_JSONString(QVariantList{element()});
}

QVariant QXIMMessageAudioContent::element() const {
    return typed(
        QStringLiteral("sound"),
        QVariantMap{{QStringLiteral("src"), orEmpty(url)},
                    {QStringLiteral("duration"), duration ? QVariant(*duration) : QVariant(0)}},
        errorString);
}

QVariant QXIMMessageImageContent::element() const {
    return typed(QStringLiteral("pic"),
                 QVariantMap{{QStringLiteral("pic_url"), orEmpty(url)},
                             {QStringLiteral("success"), QStringLiteral("1")}},
                 errorString);
}

QVariant QXIMMessagePostContent::element() const {
    if (!postData.isEmpty()) return typed(QStringLiteral("url"), postData, errorString);
    // The card's own link, picture, id and title win over the same keys in the other data.
    QVariantMap card = otherData;
    card.insert(QStringLiteral("src"), orEmpty(postUrl));
    card.insert(QStringLiteral("img"), orEmpty(postImageUrl));
    card.insert(QStringLiteral("puid"), orEmpty(postPuid));
    card.insert(QStringLiteral("title"), orEmpty(postTitle));
    return typed(QStringLiteral("url"), card, errorString);
}

QVariant QXIMMessageVcardContent::element() const {
    QVariantMap card{{QStringLiteral("img"), orEmpty(imageURL)},
                     {QStringLiteral("title"), orEmpty(title)},
                     {QStringLiteral("puid"), orEmpty(postId)},
                     {QStringLiteral("src"), orEmpty(postURL)}};
    if (price) card.insert(QStringLiteral("price"), *price);
    if (area) card.insert(QStringLiteral("area"), *area);
    return typed(QStringLiteral("url"), card, postURL);
}
