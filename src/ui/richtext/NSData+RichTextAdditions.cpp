#include "ui/richtext/NSData+RichTextAdditions.h"

#include <array>

namespace {

constexpr int kSkip = -1;

constexpr std::array<int, 128> decodingTable() {
    std::array<int, 128> table{};
    for (int& entry : table) entry = kSkip;
    for (int i = 0; i < 26; ++i) {
        table[std::size_t('A' + i)] = i;
        table[std::size_t('a' + i)] = 26 + i;
    }
    for (int i = 0; i < 10; ++i) table[std::size_t('0' + i)] = 52 + i;
    table['+'] = 62;
    table['/'] = 63;
    return table;
}

constexpr std::array<int, 128> kDecoding = decodingTable();

}  // namespace

std::optional<QByteArray> rt_dataWithBase64EncodedString(const QString& text) {
    QByteArray bytes;
    bytes.reserve(text.size() / 4 * 3 + 3);
    unsigned group = 0;
    int filled = 0;
    for (const QChar c : text) {
        // Characters beyond 7-bit ASCII become "?" first, then wrap into the table.
        const unsigned ascii = c.unicode() < 128 ? c.unicode() : unsigned('?');
        const int value = kDecoding[ascii % 128];
        if (value == kSkip) continue;
        group = (group << 6) | unsigned(value);
        if (++filled == 4) {
            bytes.append(char(group >> 16));
            bytes.append(char((group >> 8) & 0xFF));
            bytes.append(char(group & 0xFF));
            group = 0;
            filled = 0;
        }
    }
    if (filled == 2) {
        bytes.append(char((group >> 4) & 0xFF));
    } else if (filled == 3) {
        bytes.append(char((group >> 10) & 0xFF));
        bytes.append(char((group >> 2) & 0xFF));
    }
    if (bytes.isEmpty()) return std::nullopt;
    return bytes;
}
