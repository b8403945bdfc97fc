#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <QtGlobal>

#include <optional>

// The contents of an outgoing message, as the contents JSON array of one item: a text, or
// a typed item [kind, data, fallback text]. A ready contents text, when set, is the
// content whatever else the object holds.
class QXIMMessageContent {
public:
    virtual ~QXIMMessageContent() = default;

    // The contents JSON text (a one-element array).
    [[nodiscard]] QString contentJSONString() const;
    void setContentJSONString(const QString& json) { contentJSONString_ = json; }

    qint64 m_sid = 0;         // the stored row, 0 until stored
    QString errorString;      // the fallback text of a typed item
    QVariantMap messageInfo;  // "m_sid": the stored row to update instead of inserting

protected:
    // The one element of the contents array.
    [[nodiscard]] virtual QVariant element() const = 0;

private:
    QString contentJSONString_;
};

class QXIMMessageTextContent : public QXIMMessageContent {
public:
    explicit QXIMMessageTextContent(QString text) : text(std::move(text)) {}
    QString text;

protected:
    [[nodiscard]] QVariant element() const override { return text; }
};

class QXIMMessageAudioContent : public QXIMMessageContent {
public:
    QXIMMessageAudioContent(QString url, std::optional<double> duration)
        : url(std::move(url)), duration(duration) {}
    QString url;
    std::optional<double> duration;

protected:
    [[nodiscard]] QVariant element() const override;
};

class QXIMMessageImageContent : public QXIMMessageContent {
public:
    explicit QXIMMessageImageContent(QString url) : url(std::move(url)) {}
    QString url;

protected:
    [[nodiscard]] QVariant element() const override;
};

// A post card: the post object itself when given, else one made of its link, picture, id
// and title with the other data.
class QXIMMessagePostContent : public QXIMMessageContent {
public:
    QXIMMessagePostContent(QString url, QVariantMap data)
        : postUrl(std::move(url)), postData(std::move(data)) {}
    QXIMMessagePostContent(QString url, QString imageUrl, QString postId, QString title,
                           QVariantMap otherData)
        : postUrl(std::move(url)),
          postImageUrl(std::move(imageUrl)),
          postPuid(std::move(postId)),
          postTitle(std::move(title)),
          otherData(std::move(otherData)) {}
    QString postUrl, postImageUrl, postPuid, postTitle;
    QVariantMap otherData;
    QVariantMap postData;

protected:
    [[nodiscard]] QVariant element() const override;
};

// A business card of a post; its fallback text is the post's link.
class QXIMMessageVcardContent : public QXIMMessageContent {
public:
    QXIMMessageVcardContent(QString postId, QString title, QString postURL, QString imageURL)
        : postId(std::move(postId)),
          title(std::move(title)),
          postURL(std::move(postURL)),
          imageURL(std::move(imageURL)) {}
    QString postId, title, postURL, imageURL;
    std::optional<QString> price;
    std::optional<QString> area;

protected:
    [[nodiscard]] QVariant element() const override;
};
