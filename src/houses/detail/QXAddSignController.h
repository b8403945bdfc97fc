#pragma once

#include "platform/uikit/text_view.h"
#include "platform/uikit/view_controller.h"

#include <QString>

#include <memory>
#include <optional>

namespace ui {
class Button;
class ImageView;
class Label;
}  // namespace ui

// The remark of a saved post: at most 200 characters written into the user's favourites row
// of the post. Confirming saves a changed remark, announces it with
// "historySignChangedNotification" and leaves; a remark the store could not write is told
// and stays on screen to be sent again. The back and cancel buttons leave without saving.
class QXAddSignController : public ui::ViewController, public ui::TextViewDelegate {
public:
    static constexpr int kLimit = 200;
    static inline const QString kPlaceholder =
        QStringLiteral("写下看房感受，如房东约定的看房时间（200字以内）");
    static inline const QString kSaveFailed = QStringLiteral("备注保存失败，请稍后再试");
    static inline const QString kNotSaved = QStringLiteral("该房源已不在看房记中，备注未能保存");

    QXAddSignController();

    void setPuid(const QString& puid) { puid_ = puid; }
    [[nodiscard]] const QString& puid() const { return puid_; }
    [[nodiscard]] ui::TextView* inputView() const { return input_.get(); }
    [[nodiscard]] ui::Label* placeholderLabel() const { return placeholder_.get(); }
    [[nodiscard]] ui::Button* okButton() const { return ok_.get(); }
    [[nodiscard]] ui::Button* cancelButton() const { return cancel_.get(); }

    // Saves and leaves (the OK button).
    void finishedInput();
    // Leaves without saving.
    void goBack();

    bool shouldChangeTextInRange(ui::TextView& view, ui::Range range,
                                 const QString& replacement) override;
    void textViewDidChange(ui::TextView& view) override;

protected:
    void viewDidLoad() override;

private:
    void showPlaceholder();

    QString puid_;
    // The remark the row held when the screen opened.
    QString stored_;
    std::shared_ptr<ui::ImageView> inputBackground_;
    std::shared_ptr<ui::TextView> input_;
    std::shared_ptr<ui::Label> placeholder_;
    std::shared_ptr<ui::Button> ok_;
    std::shared_ptr<ui::Button> cancel_;
};
