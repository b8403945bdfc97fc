#pragma once

#include <QString>

// `text` wrapped as an element of `tagName`: "<tag>text</tag>". The text is taken as
// markup; outside text goes through RichTextMarkup::escaped first.
[[nodiscard]] QString stringByAppendingTagName(const QString& text, const QString& tagName);
