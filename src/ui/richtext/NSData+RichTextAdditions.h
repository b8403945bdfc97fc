#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Lenient Base64 of inline images: every character outside the standard alphabet
// ("=" padding, white space, anything else) is skipped; each four alphabet characters
// give three bytes, a final two or three give one or two, a single one gives
// nothing. Nothing at all decoded gives nothing, never empty bytes.
[[nodiscard]] std::optional<QByteArray> rt_dataWithBase64EncodedString(const QString& text);
