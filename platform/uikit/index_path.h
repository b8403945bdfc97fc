#pragma once

#include <QString>

#include <compare>

namespace ui {

// A row of a section of a table: the pair the table's data source answers for.
struct IndexPath {
    int section = 0;
    int row = 0;

    constexpr IndexPath() = default;
    constexpr IndexPath(int section, int row) : section(section), row(row) {}
    [[nodiscard]] static constexpr IndexPath indexPathForRow(int row, int section) {
        return {section, row};
    }

    friend constexpr auto operator<=>(const IndexPath&, const IndexPath&) = default;
    [[nodiscard]] QString toString() const {
        return QStringLiteral("{%1, %2}").arg(section).arg(row);
    }
};

}  // namespace ui
