#pragma once

#include "platform/uikit/color.h"
#include "platform/uikit/font.h"
#include "platform/uikit/geometry.h"
#include "platform/uikit/paragraph_style.h"

#include <QMap>
#include <QString>
#include <QVariant>

#include <optional>
#include <span>
#include <vector>

namespace ui {

// The attributes of a stretch of text. Absent attributes take the layout's defaults
// (the system font, black, no underline, the default paragraph style).
struct StringAttributes {
    std::optional<Font> font;
    std::optional<Color> foregroundColor;
    bool underline = false;
    std::optional<ParagraphStyle> paragraphStyle;
    // Attributes of the app's own, by name; the layout carries them to its glyph runs.
    QVariantMap custom;

    // Takes every attribute `other` sets, keeping the rest.
    void add(const StringAttributes& other);
};

// A text with attributes over ranges of it: each character has exactly one set of
// attributes, kept as runs of equal attributes.
class AttributedString {
public:
    struct Run {
        Range range;
        StringAttributes attributes;
    };

    AttributedString() = default;
    explicit AttributedString(QString text, const StringAttributes& attributes = {});

    [[nodiscard]] const QString& string() const { return text_; }
    [[nodiscard]] qsizetype length() const { return text_.size(); }
    [[nodiscard]] const std::vector<Run>& runs() const { return runs_; }
    // The attributes at `index` and the run they cover; `index` must lie in the text.
    [[nodiscard]] const Run& runAtIndex(qsizetype index) const;

    // The runs that share characters with `range`, in order.
    [[nodiscard]] std::span<const Run> runsInRange(Range range) const;

    // Adds `attributes` over `range` (clipped to the text): what they set replaces
    // what was there, the rest stays.
    void addAttributes(const StringAttributes& attributes, Range range);
    void removeParagraphStyle(Range range);
    void addCustomAttribute(const QString& name, const QVariant& value, Range range);

private:
    // Makes a run boundary at `index`; returns the index of the run that starts there.
    std::size_t splitAt(qsizetype index);
    template <class Change>
    void change(Range range, Change change);

    QString text_;
    std::vector<Run> runs_;
};

}  // namespace ui
