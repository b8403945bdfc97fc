#pragma once

#include "platform/uikit/geometry.h"

#include <QString>

// The keyword of a search field as the user is typing it.
class SearchKeyword {
public:
    // The text a field holds once an edit has replaced `range` of `text` by `replacement`:
    // a typed or pasted text inserted anywhere, a selection typed over, one character or a
    // selection deleted (an empty replacement). A range beyond the text is held to it.
    [[nodiscard]] static QString afterEdit(const QString& text, ui::Range range,
                                           const QString& replacement);
    // The text without line breaks, trimmed of blanks and line ends at both ends.
    [[nodiscard]] static QString cleaned(const QString& text);

    static inline const QString kEmptyKeyword = QStringLiteral("请输入关键字！");
    // The alert that refuses a search without a keyword.
    static void alertEmptyKeyword();
};
