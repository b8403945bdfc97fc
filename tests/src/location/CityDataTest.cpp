#include "AbandonedWrite.h"
#include "CityFixture.h"

#include "location/CityDatabase.h"

#include "platform/foundation/sandbox.h"

#include <sqlite3.h>

#include <QDir>
#include <QTemporaryDir>

namespace {

// Counts the cities whose name, short name or pinyin starts with `prefix`, straight from
// the shipped database.
int citiesStartingWith(const QString& prefix) {
    sqlite3* database = nullptr;
    const QByteArray path = ns::Bundle::pathForResource("tovik.db").toUtf8();
    EXPECT_EQ(sqlite3_open_v2(path.constData(), &database, SQLITE_OPEN_READONLY, nullptr),
              SQLITE_OK);
    sqlite3_stmt* statement = nullptr;
    const QByteArray query =
        "select count(*) from city where substr(city_name,1,?1)=?2 or "
        "substr(short_name,1,?1)=?2 or substr(pinyin,1,?1)=?2";
    sqlite3_prepare_v2(database, query.constData(), -1, &statement, nullptr);
    const QByteArray text = prefix.toUtf8();
    sqlite3_bind_int(statement, 1, int(prefix.size()));
    sqlite3_bind_text(statement, 2, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    sqlite3_step(statement);
    const int count = sqlite3_column_int(statement, 0);
    sqlite3_finalize(statement);
    sqlite3_close(database);
    return count;
}

// Replaces the database in Documents with one of `provinces` (province id, script index),
// each holding one city (the province id times 100 plus one, script index `cityIndex`).
void writeDatabase(const QList<std::pair<int, qint64>>& provinces, qint64 cityIndex) {
    QFile::remove(CityDatabase::path());
    sqlite3* database = nullptr;
    ASSERT_EQ(sqlite3_open(CityDatabase::path().toUtf8().constData(), &database), SQLITE_OK);
    QByteArray script =
        "create table province (province_id, script_index, province_name, short_name, pinyin);"
        "create table city (city_id, province_id, script_index, city_name, short_name, pinyin);";
    for (const auto& [id, index] : provinces) {
        script += QStringLiteral(
                      "insert into province values (%1, %2, '省%1', '省%1', 's');"
                      "insert into city values (%3, %1, %4, '市%1', '市%1', 'c');")
                      .arg(id)
                      .arg(index)
                      .arg(id * 100 + 1)
                      .arg(cityIndex)
                      .toUtf8();
    }
    EXPECT_EQ(sqlite3_exec(database, script.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(database);
}

}  // namespace

using CityDataTest = CityFixture;

TEST_F(CityDataTest, TheTreeLoadsEveryProvinceWithTheHotCitiesAtTheirIndexes) {
    ASSERT_EQ(cityData().country()->Provinces.size(), 31u);
    const auto first = cityData().currentCity();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->sname(), "上海");
    EXPECT_EQ(first->scriptIndex(), 0);
    EXPECT_TRUE(first->Districts.empty()) << "no city stored: no districts";

    const std::array<std::optional<int>, 7> expected{0, 100, 401, 400, 500, 900, 200};
    EXPECT_EQ(cityData().hotCityIndexes(), expected);
    for (int i = 0; i < CityData::kHotCityCount; ++i) {
        const auto city = cityData().cityWithScriptIndex(*expected[i]);
        ASSERT_TRUE(city);
        EXPECT_EQ(city->sname(), CityData::hotCityNames().at(i));
    }
    // Every city knows its province, and the copy in Documents is the shipped one.
    for (const auto& city : cityData().allCities()) ASSERT_TRUE(city->parent());
    EXPECT_TRUE(QFile::exists(CityDatabase::path()));
}

TEST_F(CityDataTest, UnknownNamesAreNotFoundRatherThanTheFirstCity) {
    EXPECT_EQ(cityData().getCityIndexWithName("上海"), 0);
    EXPECT_EQ(cityData().getCityIndexWithName("深圳市"), 401);
    EXPECT_EQ(cityData().getCityIndexWithName("没有这个城市"), std::nullopt);
    EXPECT_EQ(cityData().getCityIndexWithName(""), std::nullopt);
    EXPECT_EQ(cityData().cityWithScriptIndex(-1), nullptr);
    EXPECT_EQ(cityData().cityWithScriptIndex(199), nullptr);
}

TEST_F(CityDataTest, PrefixSearchFindsEachMatchingCityOnceInTreeOrder) {
    for (const QString& prefix : QStringList{"b", "s", "南", "北京", "guangz"}) {
        std::vector<std::shared_ptr<City>> found;
        cityData().getResultWithString(prefix, found);
        EXPECT_EQ(int(found.size()), citiesStartingWith(prefix)) << prefix.toStdString();
        for (std::size_t i = 1; i < found.size(); ++i) {
            EXPECT_LT(found[i - 1]->scriptIndex(), found[i]->scriptIndex()) << "tree order, once";
        }
    }
    std::vector<std::shared_ptr<City>> found;
    cityData().getResultWithString("b", found);
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(found.front()->sname(), "北京");
    cityData().getResultWithString("", found);
    cityData().getResultWithString("B", found);
    EXPECT_EQ(int(found.size()), citiesStartingWith("b")) << "empty and upper-case find nothing";
}

TEST_F(CityDataTest, ADatabaseThatCannotBeOpenedLeavesTheTreeEmpty) {
    QFile::remove(CityDatabase::path());
    QTemporaryDir emptyBundle;
    const QString bundle = ns::Bundle::resourcePath();
    ns::Bundle::setResourcePath(emptyBundle.path());
    auto tree = std::make_shared<CityData>();
    tree->LoadProvinceInfoWinthCurrent();
    ns::Bundle::setResourcePath(bundle);
    EXPECT_TRUE(tree->country()->Provinces.empty());
    EXPECT_EQ(tree->currentCity(), nullptr);
    EXPECT_EQ(tree->hotCityIndexes()[0], std::nullopt);
}

TEST_F(CityDataTest, TheDistrictCachesTemporaryFilesThatAKillLeftGoWhenTheTreeLoads) {
    ASSERT_EQ(switchTo(401)->succeeded, std::vector<int>{401});
    const QString own = leaveAbandonedWrite(CityUpdateData::cacheFileOfCity(401));
    const QString current = leaveAbandonedWrite(CityUpdateData::currentCacheFile());
    const QString running = leaveAbandonedWrite(CityUpdateData::currentCacheFile(), 1);
    auto tree = std::make_shared<CityData>();
    tree->LoadProvinceInfoWinthCurrent();
    EXPECT_FALSE(QFile::exists(own));
    EXPECT_FALSE(QFile::exists(current));
    EXPECT_TRUE(QFile::exists(running)) << "a writer still running may yet rename it";
    EXPECT_TRUE(QFile::exists(CityUpdateData::cacheFileOfCity(401))) << "the cache stays";
}

TEST_F(CityDataTest, ScriptIndexesThatWouldNotFitAreNoneRatherThanAnotherCitys) {
    // Provinces beyond about 21.5 million (either way) times 100 leave the range of an int.
    writeDatabase({{1, 4}, {2, 21474837}, {3, -21474837}, {4, 2147483647}}, 7);
    auto tree = std::make_shared<CityData>();
    tree->LoadProvinceInfoWinthCurrent();
    std::vector<int> indexes;
    for (const auto& city : tree->allCities()) indexes.push_back(city->scriptIndex());
    EXPECT_EQ(indexes, (std::vector<int>{407, -1, -1, -1}));
    EXPECT_EQ(tree->cityWithScriptIndex(407)->name(), "市1");

    // The largest that fits is kept.
    writeDatabase({{1, 21474836}}, 47);
    tree = std::make_shared<CityData>();
    tree->LoadProvinceInfoWinthCurrent();
    ASSERT_EQ(tree->allCities().size(), 1u);
    EXPECT_EQ(tree->allCities().front()->scriptIndex(), 2147483647);
}

TEST_F(CityDataTest, DistrictsAndStreetsLoadFromTheDatabaseWithTheirParents) {
    const auto shenzhen = cityData().cityWithScriptIndex(401);
    cityData().LoadCityData(shenzhen);
    ASSERT_FALSE(shenzhen->Districts.empty());
    const auto district = shenzhen->Districts.front();
    EXPECT_EQ(district->name(), "罗湖区");
    EXPECT_EQ(district->parent(), shenzhen);
    cityData().LoadDistrictData(district);
    ASSERT_FALSE(district->Streets.empty());
    EXPECT_EQ(district->Streets.front()->parent(), district);
}

TEST_F(CityDataTest, TheStoredCityIsCurrentFromTheLoadWithOrWithoutItsLists) {
    const auto load = [] {
        auto tree = std::make_shared<CityData>();
        tree->LoadProvinceInfoWinthCurrent();
        return tree;
    };
    defaults().setInteger(402, "cityId");
    auto tree = load();
    ASSERT_TRUE(tree->currentCity());
    EXPECT_EQ(tree->currentCity()->scriptIndex(), 401) << "no lists of its own yet";
    EXPECT_TRUE(tree->currentCity()->Districts.empty());

    ASSERT_EQ(switchTo(401)->succeeded, std::vector<int>{401});
    tree = load();
    EXPECT_EQ(tree->currentCity()->scriptIndex(), 401);
    ASSERT_FALSE(tree->currentCity()->Districts.empty());
    EXPECT_EQ(tree->currentCity()->Districts.front()->name(), "不限");
    EXPECT_EQ(tree->currentCity()->Districts.back()->parent(), tree->currentCity());

    defaults().setInteger(10000, "cityId");
    EXPECT_EQ(load()->currentCity()->scriptIndex(), 0) << "a city the tree lacks changes nothing";
}

TEST_F(CityDataTest, IdsAreFoundByScriptIndexAndByTheCurrentCitysIndexes) {
    EXPECT_EQ(cityData().getCityIdWithScriptIndex(401),
              cityData().cityWithScriptIndex(401)->nodeId());
    EXPECT_EQ(cityData().getCityIdWithScriptIndex(99999), 0);
    EXPECT_EQ(cityData().getCityIdWithScriptIndex(-1), 0);

    ASSERT_EQ(switchTo(401)->succeeded, std::vector<int>{401});
    const auto city = cityData().currentCity();
    ASSERT_GT(city->Districts.size(), 2u);
    const auto district = city->Districts[1];
    ASSERT_FALSE(district->Streets.empty());
    const auto street = district->Streets.back();
    // A district of the same index without streets, ahead of it, is passed over.
    auto bare = std::make_shared<District>();
    bare->setFields(123456, district->index(), "空区", "kong");
    city->Districts.insert(city->Districts.begin() + 1, bare);

    qint64 districtId = 7;
    qint64 streetId = 8;
    cityData().getDistrictAndStreetIdFromIndex(district->index(), street->index(), districtId,
                                               streetId);
    EXPECT_EQ(districtId, district->nodeId());
    EXPECT_EQ(streetId, street->nodeId());
    for (const auto& [districtIndex, streetIndex] :
         {std::pair{district->index(), 99999}, std::pair{99999, street->index()}}) {
        districtId = 7;
        streetId = 8;
        cityData().getDistrictAndStreetIdFromIndex(districtIndex, streetIndex, districtId,
                                                   streetId);
        EXPECT_EQ(districtId, 7) << districtIndex << " " << streetIndex << ": nothing written";
        EXPECT_EQ(streetId, 8);
    }
}

TEST_F(CityDataTest, ADirectSwitchHangsOnlyTheAnyDistrictUnderTheCity) {
    ASSERT_EQ(switchTo(401)->succeeded, std::vector<int>{401});
    const auto shenzhen = cityData().currentCity();
    ASSERT_FALSE(shenzhen->Districts.empty());
    const auto oldDistrict = shenzhen->Districts[1];

    EXPECT_FALSE(cityData().LoadStreetInfo(99999));
    EXPECT_EQ(cityData().currentCity(), shenzhen) << "no city of that index: nothing changes";
    EXPECT_FALSE(shenzhen->Districts.empty());

    ASSERT_TRUE(cityData().LoadStreetInfo(600));
    EXPECT_TRUE(shenzhen->Districts.empty());
    EXPECT_TRUE(oldDistrict->Streets.empty());
    const auto city = cityData().currentCity();
    ASSERT_EQ(city->scriptIndex(), 600);
    ASSERT_EQ(city->Districts.size(), 1u);
    const auto any = city->Districts.front();
    EXPECT_EQ(any->properties(), (QVariantMap{{"id", qint64(-1)},
                                              {"index", qint64(-1)},
                                              {"name", "不限"},
                                              {"sname", "不限"},
                                              {"pinyin", "buxian"}}));
    EXPECT_EQ(any->parent(), city);
    EXPECT_TRUE(any->Streets.empty()) << "no districts are read";

    ASSERT_TRUE(cityData().LoadStreetInfo(600));
    EXPECT_EQ(city->Districts.size(), 1u) << "the same city again keeps one any-district";
}
