#pragma once

#include <QString>
#include <QVariantMap>

#include <memory>

class tovikReport;

// The screen that hears how a report went; held weakly, so a screen that has gone hears
// nothing.
class TovikReportResponder {
public:
    virtual ~TovikReportResponder() = default;
    // The service took the report.
    virtual void newNetWorkForTovikReport(tovikReport& report) { (void)report; }
    // It did not: {"errDetail": the service's reason} for a refusal, the TransportFailure
    // dictionary for a call that failed.
    virtual void newNetWorkForTovikReportError(const QVariantMap& failure) { (void)failure; }
};

// One report of a post to the service ("VotePost"): the category, the description, the
// contact (a phone number or an e-mail address) and the post, as a URL-encoded form. Only a
// reply that says the report was taken ({"status": 0}) counts as success.
class tovikReport : public std::enable_shared_from_this<tovikReport> {
public:
    static inline const QString kInterface = QStringLiteral("VotePost");
    static inline const QString kFeedbackInterface = QStringLiteral("YJJY");

    tovikReport(std::weak_ptr<TovikReportResponder> responseVc, QString postId);

    [[nodiscard]] const QString& postId() const { return postId_; }

    void SendReportWithCataId(int categoryId, int majorId, const QString& content,
                              const QString& address, bool mail);
    // The form body of a report, in the order the service reads it.
    [[nodiscard]] static QString reportBody(int categoryId, int majorId, int cityScriptIndex,
                                            const QString& content, const QString& address,
                                            bool mail, const QString& postId);
    // The user's feedback on the app ("YJJY"): the text and the contact, a phone number or an
    // e-mail address. Any reply the service gives tells the screen it was sent; a call that
    // fails tells it nothing.
    void SendFeedbackWithContent(const QString& content, const QString& address, bool mail);
    // The form body of a feedback, the logged-on user's id last.
    [[nodiscard]] static QString feedbackBody(int cityScriptIndex, const QString& content,
                                              const QString& address, bool mail, qint64 loginId);
    // Cancels a report under way; its outcome reaches nobody.
    static void cancel();

private:
    std::weak_ptr<TovikReportResponder> responseVc_;
    QString postId_;
};
