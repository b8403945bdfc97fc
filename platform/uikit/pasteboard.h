#pragma once

#include <QString>
#include <QStringList>

#include <memory>

namespace ui {

class Image;

// The general pasteboard: what copy puts and paste takes. It lives as long as
// the process (the platform keeps it across apps; here one app is all).
class Pasteboard {
public:
    [[nodiscard]] static Pasteboard& generalPasteboard();

    // The first string, or an empty text.
    [[nodiscard]] QString string() const {
        return strings_.isEmpty() ? QString() : strings_.first();
    }
    void setString(const QString& string);
    [[nodiscard]] const QStringList& strings() const { return strings_; }
    void setStrings(const QStringList& strings);
    [[nodiscard]] bool hasStrings() const { return !strings_.isEmpty(); }
    [[nodiscard]] const std::shared_ptr<Image>& image() const { return image_; }
    void setImage(std::shared_ptr<Image> image);
    // Counts every change of the contents.
    [[nodiscard]] int changeCount() const { return changeCount_; }

private:
    Pasteboard() = default;

    QStringList strings_;
    std::shared_ptr<Image> image_;
    int changeCount_ = 0;
};

}  // namespace ui
