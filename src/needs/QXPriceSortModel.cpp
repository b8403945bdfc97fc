#include "needs/QXPriceSortModel.h"

#include "util/categories/Tolerant.h"

QXPriceSortModel QXPriceSortModel::didLoadSuccessDictionary(const QVariant& dictionary) {
    const Tolerant read(dictionary);
    return {read["n"].toString(), read["v"].toString()};
}

std::optional<QXPriceSortModel> QXPriceSortModel::didLoadFailDictionary(const QVariant&) {
    return std::nullopt;
}
