#include "location/CityNode.h"

#include <limits>

int City::scriptIndex() const {
    const auto province = parent();
    if (!province) return -1;
    // Indexes come from a database file: a pair whose script index would not fit is taken
    // for a city without one rather than wrapped onto another city's.
    const qint64 index = qint64(province->index()) * 100 + this->index();
    if (index < 0 || index > std::numeric_limits<int>::max()) return -1;
    return int(index);
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
