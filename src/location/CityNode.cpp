#include "location/CityNode.h"

int City::scriptIndex() const {
    const auto province = parent();
    return province ? province->index() * 100 + index() : -1;
}

QVariantMap CityNode::properties() const {
    QVariantMap properties{
        {"id", id_}, {"index", qint64(index_)}, {"name", name_}, {"pinyin", pinyin_}};
    if (hasSname_) properties.insert("sname", sname_);
    if (hasUrl_) properties.insert("url", url_);
    return properties;
}

void CityNode::setProperties(const QVariantMap& properties) {
    setFields(properties.value("id").toLongLong(), properties.value("index").toInt(),
              properties.value("name").toString(), properties.value("pinyin").toString());
    hasSname_ = properties.contains("sname");
    sname_ = properties.value("sname").toString();
    hasUrl_ = properties.contains("url");
    url_ = properties.value("url").toString();
}
