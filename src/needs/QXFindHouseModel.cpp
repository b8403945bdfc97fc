#include "needs/QXFindHouseModel.h"

#include "util/categories/Tolerant.h"

#include <QJsonDocument>

QXFindHouseModel QXFindHouseModel::didLoadSuccessDictionary(const QVariant& dictionary) {
    qInfo("requestDic is %s",
          QJsonDocument::fromVariant(dictionary).toJson(QJsonDocument::Compact).constData());
    const Tolerant read(dictionary);
    return {read["ucUserId"].toString(), read["image"].toString(), read["name"].toString()};
}

std::optional<QXFindHouseModel> QXFindHouseModel::didLoadFailDictionary(const QVariant&) {
    return std::nullopt;
}
