#pragma once

#include "platform/uikit/text_field.h"
#include "platform/uikit/view_controller.h"

#include <QString>

#include <memory>

namespace ui {
class ActivityIndicatorView;
}
class QXMessageController;

// Records a deal with the broker of a chat: the user types a mobile number, the screen sends it
// with the broker's id, and the deal-record page that comes back opens in the in-app web page.
class QXInputTelPhoneNumberViewController : public ui::ViewController,
                                            public ui::TextFieldDelegate {
public:
    static inline const QString kNoNetwork = QStringLiteral("当前网络不可用，请检查网络设置");
    static inline const QString kBadNumber = QStringLiteral("请输入正确的手机号码");
    static inline const QString kNoAddress = QStringLiteral("联网失败请重试!");

    QXInputTelPhoneNumberViewController();
    ~QXInputTelPhoneNumberViewController() override;

    // 130-139, 147, 15x (not 154), 180 or 185-189, then eight digits; the whole text.
    [[nodiscard]] static bool checkTel(const QString& text);

    void setToId(const QString& toId) { toId_ = toId; }
    [[nodiscard]] const QString& toId() const { return toId_; }
    void setResponseVc(std::weak_ptr<QXMessageController> opener) {
        responseVc_ = std::move(opener);
    }
    [[nodiscard]] ui::TextField* telePhoneField() const { return telePhoneField_.get(); }
    [[nodiscard]] bool isTelNumber() const { return isTelNumber_; }
    [[nodiscard]] const QString& textFieldString() const { return textFieldString_; }

    // The confirm button.
    void doMakeSure();

    void viewDidLoad() override;
    void touchesBegan(const ui::TouchSet& touches, const ui::Event* event) override;
    void textFieldDidBeginEditing(ui::TextField& field) override;
    void textFieldDidEndEditing(ui::TextField& field) override;

private:
    void showLoading(bool shown);
    void replied(const QVariant& reply);

    std::shared_ptr<ui::TextField> telePhoneField_;
    std::shared_ptr<ui::View> loading_;
    std::weak_ptr<QXMessageController> responseVc_;
    QString toId_;
    QString textFieldString_;
    bool isTelNumber_ = false;
};
