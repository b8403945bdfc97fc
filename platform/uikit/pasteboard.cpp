#include "platform/uikit/pasteboard.h"

namespace ui {

Pasteboard& Pasteboard::generalPasteboard() {
    static Pasteboard pasteboard;
    return pasteboard;
}

void Pasteboard::setString(const QString& string) {
    setStrings(string.isNull() ? QStringList() : QStringList{string});
}

void Pasteboard::setStrings(const QStringList& strings) {
    strings_ = strings;
    image_.reset();
    ++changeCount_;
}

void Pasteboard::setImage(std::shared_ptr<Image> image) {
    image_ = std::move(image);
    strings_.clear();
    ++changeCount_;
}

}  // namespace ui
