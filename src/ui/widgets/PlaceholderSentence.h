#pragma once

#include <QString>

#include <memory>

namespace ui {
class Label;
}

// The one centred grey sentence of a screen that stands in for one still to come.
[[nodiscard]] std::shared_ptr<ui::Label> makePlaceholderSentence(const QString& text);
