#pragma once

#include <QString>

// The reserved keys of a rich-text view's tag table; each maps to the tag name that
// plays its role (by default the key itself).
namespace RichTextTags {

// The style of the whole text and of every element whose name has no style.
inline const QString kDefault = QStringLiteral("_default");
// "<_link>address|shown text</_link>".
inline const QString kLink = QStringLiteral("_link");
// "<_image>resource name</_image>" or "<_image>base64:...</_image>".
inline const QString kImage = QStringLiteral("_image");
// A list item, drawn after its style's bullet and a tab.
inline const QString kBullet = QStringLiteral("_bullet");
// A page mark, "<_page/>", where page splitting cuts the text.
inline const QString kPage = QStringLiteral("_page");

// The text attribute that names the style of each stretch of laid-out text.
inline const QString kDataNameAttribute = QStringLiteral("RichTextDataName");

// Styles the parse makes on its own, never registered: the bullet and tab of a list
// item, and the spacer line before an element with a top inset ("_FTTopSpacingStyle_"
// followed by the element's style name).
inline const QString kBulletMarkStyle = QStringLiteral("_FTBulletStyle");
inline const QString kTopSpacingStyle = QStringLiteral("_FTTopSpacingStyle");

}  // namespace RichTextTags
