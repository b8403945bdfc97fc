#pragma once

#include <QString>
#include <QVariantMap>

#include <memory>
#include <vector>

class District;
class Street;

// One row of a quick-filter drop-down: a text, a district or street of the city tree, or a
// choice dictionary ({n, v}, or a category with "CateName", "MajorCategoryName", "Size").
struct QuickFilterRow {
    QString text;
    std::shared_ptr<District> district;
    std::shared_ptr<Street> street;
    QVariantMap dictionary;
    bool isDictionary = false;

    static QuickFilterRow ofText(QString text) { return {std::move(text), {}, {}, {}, false}; }
    static QuickFilterRow ofDistrict(std::shared_ptr<District> d) {
        return {{}, std::move(d), {}, {}, false};
    }
    static QuickFilterRow ofStreet(std::shared_ptr<Street> s) {
        return {{}, {}, std::move(s), {}, false};
    }
    static QuickFilterRow ofDictionary(QVariantMap d) { return {{}, {}, {}, std::move(d), true}; }

    // What a row of the first column shows: a district's name; a dictionary's "CateName",
    // else "name", else "n"; a text itself.
    [[nodiscard]] QString firstColumnText() const;
    // What a row of another column shows: a street's name; a text itself; a dictionary's
    // "MajorCategoryName".
    [[nodiscard]] QString otherColumnText() const;
};

using QuickFilterRows = std::vector<QuickFilterRow>;
