#pragma once

#include <QString>

// Numbers written with a fixed count of decimals as the C library's "%.Nf" writes them: the
// nearest text to the value as it is held, a tie going to the even digit (1.25 gives "1.2",
// where Qt's own formatting rounds such ties up), in any locale.
namespace DecimalText {

// `value` with `decimals` (0 to 17) digits after the point; "nan", "inf" and "-inf" as printf.
[[nodiscard]] QString fixed(double value, int decimals);

}  // namespace DecimalText
