#pragma once

#include <QString>

// Tests of texts and rewrites of picture addresses that the app shell, the housing screens and
// the chat screens share.
namespace TextChecks {

// The whole text is a mainland mobile number: 13x, 15x or 18x and eight more digits.
[[nodiscard]] bool isMobileNumber(const QString& text);
// Decimal digits only; false for an empty text.
[[nodiscard]] bool isPureNumandCharacters(const QString& text);
// Empty, or white space only.
[[nodiscard]] bool isEmpty(const QString& text);
// The first web address in the text ("http://", "https://", "ftp://" or "www." followed by a
// host with a top-level name), or a null text.
[[nodiscard]] QString firstWebUrl(const QString& text);
// "<part 0>_<width>-<height>c_<part 2>" of a picture address cut at "_"; an address of fewer
// than three parts stays as it is.
[[nodiscard]] QString clipedImageURLString(const QString& url, int width, int height);
// Every "_7-" (any case) made "_8-" on Wi-Fi, else "_5-": the picture's better rendition.
[[nodiscard]] QString hightQualityImageURLString(const QString& url, bool useWifi);

}  // namespace TextChecks
