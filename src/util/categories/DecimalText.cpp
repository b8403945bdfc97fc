#include "util/categories/DecimalText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

QString DecimalText::fixed(double value, int decimals) {
    if (std::isnan(value))
        return std::signbit(value) ? QStringLiteral("-nan") : QStringLiteral("nan");
    if (std::isinf(value)) return value < 0 ? QStringLiteral("-inf") : QStringLiteral("inf");
    // The largest double has 309 digits before the point.
    std::array<char, 330> text{};
    const auto written = std::to_chars(text.data(), text.data() + text.size(), value,
                                       std::chars_format::fixed, std::clamp(decimals, 0, 17));
    return QString::fromLatin1(text.data(), written.ptr - text.data());
}
