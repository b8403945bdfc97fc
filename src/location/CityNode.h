#pragma once

#include <QString>
#include <QVariantMap>

#include <memory>
#include <vector>

class Country;
class CProvince;
class City;
class District;
class Street;

// What every node of the city tree carries: its properties "id", "index", "name" and
// "pinyin", and, by kind, "sname" (short name) and "url". They are kept as typed fields;
// properties() gives them as the dictionary the rest of the app reads.
class CityNode {
public:
    virtual ~CityNode() = default;

    // The properties as a dictionary: "sname" and "url" only where the node has them.
    [[nodiscard]] QVariantMap properties() const;
    // Takes every known key of the dictionary; keys it lacks are absent afterwards.
    void setProperties(const QVariantMap& properties);
    void setFields(qint64 id, int index, QString name, QString pinyin) {
        id_ = id;
        index_ = index;
        name_ = std::move(name);
        pinyin_ = std::move(pinyin);
    }
    void setSname(QString sname) {
        sname_ = std::move(sname);
        hasSname_ = true;
    }
    void setUrl(QString url) {
        url_ = std::move(url);
        hasUrl_ = true;
    }

    [[nodiscard]] qint64 nodeId() const { return id_; }
    [[nodiscard]] int index() const { return index_; }
    [[nodiscard]] const QString& name() const { return name_; }
    [[nodiscard]] const QString& sname() const { return sname_; }
    [[nodiscard]] const QString& pinyin() const { return pinyin_; }
    [[nodiscard]] const QString& url() const { return url_; }

private:
    qint64 id_ = 0;
    int index_ = 0;
    QString name_;
    QString sname_;
    QString pinyin_;
    QString url_;
    bool hasSname_ = false;
    bool hasUrl_ = false;
};

class Street final : public CityNode {
public:
    [[nodiscard]] std::shared_ptr<District> parent() const { return parent_.lock(); }
    void setParent(const std::shared_ptr<District>& parent) { parent_ = parent; }

private:
    std::weak_ptr<District> parent_;
};

class District final : public CityNode {
public:
    [[nodiscard]] std::shared_ptr<City> parent() const { return parent_.lock(); }
    void setParent(const std::shared_ptr<City>& parent) { parent_ = parent; }
    std::vector<std::shared_ptr<Street>> Streets;

private:
    std::weak_ptr<City> parent_;
};

class City final : public CityNode {
public:
    [[nodiscard]] std::shared_ptr<CProvince> parent() const { return parent_.lock(); }
    void setParent(const std::shared_ptr<CProvince>& parent) { parent_ = parent; }
    // The province's index times 100 plus the city's own; -1 for a city without a province
    // and for indexes whose script index would be negative or beyond an int.
    [[nodiscard]] int scriptIndex() const;
    std::vector<std::shared_ptr<District>> Districts;
    // Whether the city supports position search, as its last district update said.
    bool supportLatlong = false;

private:
    std::weak_ptr<CProvince> parent_;
};

class CProvince final : public CityNode {
public:
    [[nodiscard]] std::shared_ptr<Country> parent() const { return parent_.lock(); }
    void setParent(const std::shared_ptr<Country>& parent) { parent_ = parent; }
    std::vector<std::shared_ptr<City>> Cities;

private:
    std::weak_ptr<Country> parent_;
};

class Country final : public CityNode {
public:
    std::vector<std::shared_ptr<CProvince>> Provinces;
};
