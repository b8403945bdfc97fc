#pragma once

#include <QString>

#include <mutex>

// The client identity and server roots as the messaging library and the request layer
// read them. The app shell fills it at launch; until then the getters that have a
// default answer it, the others answer nothing (a null QString). Readable from any
// thread: the messaging library reads it on its own queue.
class QXIMConstantManager {
public:
    QXIMConstantManager() = default;
    QXIMConstantManager(const QXIMConstantManager&) = delete;
    QXIMConstantManager& operator=(const QXIMConstantManager&) = delete;

    // The one instance, made on first use.
    static QXIMConstantManager& share();

    [[nodiscard]] QString qximclientAgent() const;
    void setQximclientAgent(const QString& value);
    [[nodiscard]] QString qximcustomId() const;
    void setQximcustomId(const QString& value);
    // Default: the model of the endpoint table.
    [[nodiscard]] QString qximmodel() const;
    void setQximmodel(const QString& value);
    // Default: the agency of the endpoint table.
    [[nodiscard]] QString qximagency() const;
    void setQximagency(const QString& value);
    [[nodiscard]] QString qximversionId() const;
    void setQximversionId(const QString& value);
    [[nodiscard]] QString qximclientTest() const;
    void setQximclientTest(const QString& value);
    // Default: the messaging message API of the endpoint table.
    [[nodiscard]] QString qximwebimServer() const;
    void setQximwebimServer(const QString& value);
    // Default: the messaging streaming receive host of the endpoint table.
    [[nodiscard]] QString qximwebimgetServer() const;
    void setQximwebimgetServer(const QString& value);
    // Default: the data-share endpoint of the endpoint table.
    [[nodiscard]] QString qximnewServerURL() const;
    void setQximnewServerURL(const QString& value);
    // Default: the backend root of the endpoint table.
    [[nodiscard]] QString qximIMweb6ServerUrl() const;
    void setQximIMweb6ServerUrl(const QString& value);
    // Default: the picture host of the endpoint table.
    [[nodiscard]] QString qximserverDomain() const;
    void setQximserverDomain(const QString& value);
    // Default "2.0"; the app shell sets "1.0".
    [[nodiscard]] QString qximdataVersion() const;
    void setQximdataVersion(const QString& value);

    [[nodiscard]] bool qximIsShowHead() const;
    void setQximIsShowHead(bool value);
    [[nodiscard]] bool qximIsShowQuickReply() const;
    void setQximIsShowQuickReply(bool value);

    // Raises std::invalid_argument unless the client test flag, the customer id and the
    // version id are all set; the messaging library calls it when it starts.
    void isRequireParamNoNull() const;

private:
    [[nodiscard]] QString read(const QString& field) const;
    [[nodiscard]] QString readOr(const QString& field, const QString& fallback) const;
    void write(QString& field, const QString& value);

    mutable std::mutex mutex_;
    QString clientAgent_;
    QString customId_;
    QString model_;
    QString agency_;
    QString versionId_;
    QString clientTest_;
    QString webimServer_;
    QString webimgetServer_;
    QString newServerURL_;
    QString imWeb6ServerUrl_;
    QString serverDomain_;
    QString dataVersion_;
    bool isShowHead_ = true;
    bool isShowQuickReply_ = true;
};
