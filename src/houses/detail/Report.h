#pragma once

#include "houses/detail/tovikReport.h"
#include "platform/uikit/alert_view.h"
#include "platform/uikit/text_field.h"
#include "platform/uikit/text_view.h"
#include "platform/uikit/view_controller.h"

#include <QString>

#include <memory>

namespace ui {
class ActivityIndicatorView;
class ImageView;
class ScrollView;
}  // namespace ui

// Reporting a post as false or fraudulent: a description of 5 to 200 characters and an
// optional contact (digits only for a phone number, else an e-mail address with "@"), sent
// as "VotePost". A report the service took closes the screen with "提交成功！"; one it refused
// or that could not be sent stays on screen with the reason, to be sent again.
class Report : public ui::ViewController,
               public TovikReportResponder,
               public ui::AlertViewDelegate,
               public ui::TextViewDelegate,
               public ui::TextFieldDelegate {
public:
    static constexpr int kMinimumLength = 5;
    static constexpr int kMaximumLength = 200;
    static constexpr int kReasonTitleTag = 3010;
    static constexpr int kReasonHintTag = 3012;
    static constexpr int kContactTitleTag = 3013;
    static constexpr int kContactHintTag = 3014;
    // An alert of this tag closes the screen when it goes.
    static constexpr int kCloseAlertTag = 100;
    static inline const QString kPromptTitle = QStringLiteral("提示");
    static inline const QString kLengthMessage = QStringLiteral("情况说明必须为5-200字！");
    static inline const QString kContactMessage = QStringLiteral("请输入有效的电话号码或邮箱！");
    static inline const QString kSentMessage = QStringLiteral("提交成功！");
    static inline const QString kFailedTitle = QStringLiteral("提交失败！");
    static inline const QString kNetworkMessage = QStringLiteral("您的网络不稳定，请稍后再试");

    Report();
    ~Report() override;

    void setCategoryId(int id) { categoryId_ = id; }
    void setMajorCategoryScriptIndex(int index) { majorCategoryScriptIndex_ = index; }
    void setPostId(const QString& postId) { postId_ = postId; }
    [[nodiscard]] int categoryId() const { return categoryId_; }
    [[nodiscard]] int majorCategoryScriptIndex() const { return majorCategoryScriptIndex_; }
    [[nodiscard]] const QString& postId() const { return postId_; }
    [[nodiscard]] bool reportMail() const { return reportMail_; }
    // A title an owner may give; the screen shows its own.
    [[nodiscard]] const QString& reportTitle() const { return reportTitle_; }
    void setReportTitle(const QString& title) { reportTitle_ = title; }

    [[nodiscard]] ui::TextView* contentField() const { return contentField_.get(); }
    [[nodiscard]] ui::TextField* addressField() const { return addressField_.get(); }
    [[nodiscard]] ui::ScrollView* contentView() const { return contentView_.get(); }
    [[nodiscard]] ui::View* loadingView() const { return loadingView_.get(); }

    // The "提交" button: checks the form and sends it.
    void Submit();
    // Pops the screen.
    void onBack();
    void Report_returnCenter() { onBack(); }
    // Takes `alert` away; one of the closing tag closes the screen too.
    void hideAlert(ui::AlertView& alert);
    void clickedButtonAtIndex(ui::AlertView& alert, int index) override;
    // Ends editing and puts the form back in place.
    void RemoveKeyboard();
    // The contact as sent: the contact text and the device's system name and version with
    // the client version, ";<name>,<version>,软件版本,<client version>".
    [[nodiscard]] static QString contactWithDevice(const QString& contact);

    void newNetWorkForTovikReport(tovikReport& report) override;
    void newNetWorkForTovikReportError(const QVariantMap& failure) override;

    void textViewDidBeginEditing(ui::TextView& view) override;
    void textFieldDidBeginEditing(ui::TextField& field) override;
    bool textFieldShouldReturn(ui::TextField& field) override;

    void willMoveToParentViewController(ui::ViewController* parent) override;

protected:
    void viewDidLoad() override;
    void viewDidAppear(bool animated) override;

private:
    void moveForm(ui::Point offset, double height);
    void showLoading(bool shown);

    int categoryId_ = 0;
    int majorCategoryScriptIndex_ = 0;
    QString postId_;
    QString reportTitle_;
    bool reportMail_ = false;
    std::shared_ptr<tovikReport> request_;
    std::shared_ptr<ui::ScrollView> contentView_;
    std::shared_ptr<ui::TextView> contentField_;
    std::shared_ptr<ui::TextField> addressField_;
    std::shared_ptr<ui::View> loadingView_;
    std::shared_ptr<ui::ActivityIndicatorView> indicator_;
};
