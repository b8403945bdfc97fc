#include "ui/widgets/PlaceholderSentence.h"

#include "platform/uikit/label.h"

std::shared_ptr<ui::Label> makePlaceholderSentence(const QString& text) {
    auto label = std::make_shared<ui::Label>(ui::Rect(20, 120, 280, 120));
    label->setNumberOfLines(0);
    label->setTextAlignment(ui::TextAlignment::Center);
    label->setTextColor(ui::Color::darkGrayColor());
    label->setBackgroundColor(ui::Color::clearColor());
    label->setFont(ui::Font::systemFontOfSize(15));
    label->setText(text);
    return label;
}
