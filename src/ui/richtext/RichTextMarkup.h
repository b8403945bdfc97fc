#pragma once

#include <QChar>
#include <QString>

// Writing rich-text markup around text that comes from outside (messages, server
// replies): such text is escaped, so that whatever it holds shows as written and
// never becomes a tag, a link, an image or a markup error. Only the markup the app
// itself writes is live.
namespace RichTextMarkup {

// Stands for "<" in escaped text: no tag begins with it, and the parse shows it as
// "<". It is a noncharacter, which no real text carries.
inline constexpr QChar kEscapedLessThan = QChar(0xFDD0);

// `text` with every "<" escaped.
[[nodiscard]] QString escaped(const QString& text);
// The processed form of parsed text: escaped "<" shown as "<" again (same length, so
// every range stays where it was).
[[nodiscard]] QString unescaped(QString text);
// A link element showing `shownText` and recording `address`; both may come from
// outside. The address is percent-encoded, so that neither a "<" nor a "|" in it
// changes the markup.
[[nodiscard]] QString linkElement(const QString& address, const QString& shownText,
                                  const QString& linkTag = QStringLiteral("_link"));

}  // namespace RichTextMarkup
