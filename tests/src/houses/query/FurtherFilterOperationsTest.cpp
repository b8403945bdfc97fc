// The filter model's and the formatter's further operations: conditions and titles made on
// the model's side, copies, the second definitions interface, and the job and expired rows.
#include "../HousesFixture.h"

#include "houses/query/tovikFilters2.h"
#include "houses/shared/GetPostListCellFormate.h"
#include "houses/shared/ReadMarks.h"
#include "location/CityNode.h"
#include "platform/foundation/property_list.h"

#include <QJsonDocument>

namespace {

QVariantMap conditionItem(const QString& field, const QString& value,
                          const QString& kind = "normal") {
    return {{"f", field},
            {"n", field.toUpper()},
            {"t", kind},
            {"v", value},
            {"vs", QVariantList{QVariantMap{{"n", "不限"}, {"v", "-1"}},
                                QVariantMap{{"n", "一室"}, {"v", "1"}},
                                QVariantMap{{"n", "两室"}, {"v", "2"}}}}};
}

// A city "北京" with the any-district, 朝阳 (index 4) and its any-street and 望京 (index 9).
struct Tree {
    std::shared_ptr<City> city = std::make_shared<City>();
    std::shared_ptr<District> any = std::make_shared<District>();
    std::shared_ptr<District> district = std::make_shared<District>();
    std::shared_ptr<Street> anyStreet = std::make_shared<Street>();
    std::shared_ptr<Street> street = std::make_shared<Street>();
    Tree() {
        city->setFields(1, 1, "北京市", "beijing");
        city->setSname("北京");
        any->setFields(0, -1, "不限", "");
        district->setFields(4, 4, "朝阳", "chaoyang");
        anyStreet->setFields(0, -1, "不限", "");
        street->setFields(9, 9, "望京", "wangjing");
        for (const auto& d : {any, district}) {
            d->setParent(city);
            city->Districts.push_back(d);
        }
        for (const auto& s : {anyStreet, street}) {
            s->setParent(district);
            district->Streets.push_back(s);
        }
    }
};

QString conditionValueOf(const QString& condition) {
    return QJsonDocument::fromJson(condition.toUtf8()).object()["value"].toString();
}

}  // namespace

class FurtherFilterOperationsTest : public HousesFixture {};

TEST_F(FurtherFilterOperationsTest, ConditionsFromTheItemsAndTheChosenPlace) {
    const Tree tree;
    tovikFilters2 model;
    model.adopt({conditionItem("district_id", "-1"), conditionItem("huxing_shi", "2"),
                 conditionItem("fitment", "-1"), conditionItem("price", "_1500", "range"),
                 conditionItem("xiaoqu", "望京\"花园", "text")});
    EXPECT_EQ(model.FilterToString(model.getFilterWithKey("district_id")), QString())
        << "no chosen street";
    model.setCurrentStreet(tree.anyStreet);
    const QString district = model.FilterToString(model.getFilterWithKey("district_id"));
    EXPECT_EQ(district, R"({"name":"district_id","operator":"=","value":"4"})")
        << "the any-street gives the district alone";
    model.setCurrentStreet(tree.street);
    EXPECT_EQ(model.FilterToString(model.getFilterWithKey("district_id")),
              R"({"name":"street_id","operator":"=","value":"9"},)"
              R"({"name":"district_id","operator":"=","value":"4"})");
    model.makeFilter();
    model.setBUsingFilter(true);
    const QStringList parts = model.getStringFilter().split("},{");
    EXPECT_EQ(parts.size(), 4) << "street, district, rooms, price; no any, no text";
    EXPECT_EQ(model.extra().value("xiaoqu"), "望京\"花园") << "the text is kept aside";

    // Second-hand mode drops normal items, ranges stay.
    model.setFromErshou(true);
    EXPECT_EQ(model.FilterToString(model.getFilterWithKey("huxing_shi")), QString());
    EXPECT_EQ(conditionValueOf(model.FilterToString(model.getFilterWithKey("price"))), "_1500");

    // The keyword and the free texts as conditions: a valid list, the quote intact.
    model.setKeyWord("近地铁");
    const QString search = model.getSearchString();
    const QJsonDocument list = QJsonDocument::fromJson(("[" + search + "]").toUtf8());
    ASSERT_TRUE(list.isArray()) << search.toStdString();
    EXPECT_EQ(list.array()[0].toObject()["value"], "近地铁");
    EXPECT_EQ(list.array()[1].toObject()["value"], "望京\"花园");
    model.getFilterWithKey("xiaoqu")->insert("v", "-1");
    model.makeFilter();
    EXPECT_FALSE(model.extra().contains("xiaoqu")) << "an any text is taken out";

    // Without conditions in use the position stands in.
    model.setBUsingFilter(false);
    model.setLatlng("39.9,116.4");
    EXPECT_EQ(conditionValueOf(model.getStringFilter()), "39.9,116.4,3000");
    EXPECT_EQ(model.getSearchString(), QString()) << "not in list mode 2";
    model.setPageFrom(2);
    EXPECT_EQ(model.getSearchString(), R"({"name":"title","value":"近地铁"})");
}

TEST_F(FurtherFilterOperationsTest, TitlesDefaultsAndCounts) {
    const Tree tree;
    tovikFilters2 model;
    EXPECT_TRUE(model.isDefault());
    EXPECT_EQ(model.makeFilterTitle(), QString());
    model.adopt({conditionItem("district_id", "-1"), conditionItem("huxing_shi", "2"),
                 conditionItem("fitment", "-1"), conditionItem("latlng", "3000")});
    model.setCurrentStreet(tree.street);
    EXPECT_EQ(model.makeFilterTitle(), "朝阳-望京/两室/附近3000米");
    EXPECT_EQ(model.makeFilterTitleWithoutDistrict(), "两室/附近3000米");
    model.setKeyWord("K");
    EXPECT_EQ(model.makeFilterTitle(), "朝阳-望京/两室/附近3000米/K");
    EXPECT_EQ(model.getDistrict(), "北京-朝阳-望京");
    model.setCurrentStreet(tree.anyStreet);
    EXPECT_EQ(model.getDistrict(), "北京-朝阳");
    EXPECT_EQ(model.FilterToStringTitle(model.getFilterWithKey("district_id")), "朝阳");
    EXPECT_EQ(model.getDisplayStringWithIndex(1), "两室");
    EXPECT_EQ(model.getDisplayStringWithIndex(7), QString());
    EXPECT_EQ(model.buxianNumber(), 1) << "fitment; the district does not count";
    EXPECT_EQ(model.GetFilterItemWithName("FITMENT"), model.getFilterWithKey("fitment"));

    EXPECT_FALSE(model.isDefault()) << "a keyword";
    model.setKeyWord(QString());
    EXPECT_FALSE(model.isDefault()) << "two rooms";
    model.getFilterWithKey("huxing_shi")->insert("v", "-1");
    EXPECT_FALSE(model.isDefault()) << "a district is chosen";
    model.setCurrentStreet(nullptr);
    EXPECT_TRUE(model.isDefault());
    model.getFilterWithKey("latlng")->insert("v", "500");
    EXPECT_FALSE(model.isDefault()) << "another radius";
}

TEST_F(FurtherFilterOperationsTest, CopiesOwnTheirItemsAndCachedDefinitionsAreAdopted) {
    tovikFilters2 model;
    model.adopt({conditionItem("huxing_shi", "2"), conditionItem("xiaoqu", "x", "text")});
    model.setKeyWord("近地铁");
    model.setBUsingFilter(true);
    model.setExtra({{"xiaoqu", "x"}});
    const auto copy = tovikFilters2::initWithFilter(model);
    EXPECT_EQ(copy->getKeyWord(), "近地铁");
    EXPECT_TRUE(copy->bUsingFilter());
    EXPECT_EQ(copy->extra(), model.extra());
    ASSERT_EQ(copy->getCount(), 2);
    EXPECT_NE(copy->getFilterWithIndex(0), model.getFilterWithIndex(0));
    copy->getFilterWithIndex(0)->insert("v", "1");
    EXPECT_EQ(model.getFilterWithIndex(0)->value("v"), "2") << "the copy's items are its own";
    EXPECT_TRUE(QFile::exists(tovikFilters2::copyPath()));

    tovikFilters2 replaced;
    replaced.SetData({conditionItem("fitment", "1")});
    EXPECT_TRUE(replaced.haveData());
    EXPECT_EQ(replaced.getFilterWithIndex(0)->value("f"), "fitment");

    // The cache of the selected city (100) is adopted at once; another city's is not.
    const QVariantMap cache{
        {"100",
         QVariantMap{{"7", QVariantMap{{"3", QVariantMap{{"version", "1"},
                                                         {"filter", QVariantList{conditionItem(
                                                                        "price", "-1")}}}}}}}}};
    ASSERT_TRUE(ns::writeToFile(cache, tovikFilters2::cachePath(), true));
    tovikFilters2 cached;
    cached.setMasterIndex(7, 3);
    ASSERT_EQ(cached.getCount(), 1);
    EXPECT_EQ(cached.getFilterWithIndex(0)->value("f"), "price");
    tovikFilters2 other;
    other.setMasterIndex(7, 5);
    EXPECT_EQ(other.getCount(), 0);
    tovikFilters2 nearby;
    nearby.setPageFrom(1);
    nearby.setMasterIndex(7, 3);
    EXPECT_EQ(nearby.getCount(), 0) << "nearby mode reads no cache";
    // A cache reset empties the file.
    cached.CityChanged();
    EXPECT_EQ(ns::dictionaryWithContentsOfFile(tovikFilters2::cachePath()), QVariantMap());
}

TEST_F(FurtherFilterOperationsTest, TheSecondDefinitionsInterface) {
    auto model = std::make_shared<tovikFilters2>();
    int succeeded = 0, failed = 0;
    // The stand-in knows no such interface: its refusal has keys, so it is taken in.
    model->httpRequestWithMasterId(
        7, 3, [&] { ++succeeded; }, [&] { ++failed; });
    ASSERT_TRUE(runMainLoopUntil([&] { return succeeded + failed == 1; }));
    const auto sent = calls("getFastCommonFilter");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(argsOf(sent[0]),
              (QJsonObject{{"cityScriptIndex", "100"}, {"categoryId", "7"}, {"base_tag", "3"}}));
    EXPECT_EQ(model->MasterIndex(), 7);
    EXPECT_EQ(model->MajorIndex(), 0);

    server().setFault({.prefix = standin::paths::kDataShare, .body = "{}", .times = 1});
    model->httpRequestWithMasterId(
        7, [&] { ++succeeded; }, [&] { ++failed; });
    ASSERT_TRUE(runMainLoopUntil([&] { return succeeded + failed == 2; }));
    EXPECT_EQ(failed, 1) << "an empty reply fails";
    server().setFault({.prefix = standin::paths::kDataShare, .status = 500, .times = 1});
    model->httpRequestWithMasterId(
        7, [&] { ++succeeded; }, [&] { ++failed; });
    ASSERT_TRUE(runMainLoopUntil([&] { return succeeded + failed == 3; }));
    EXPECT_EQ(failed, 2);
    EXPECT_EQ(labelsOf("ReceivedServerDataError"), QStringList{"tovikFilters2"});
}

TEST_F(FurtherFilterOperationsTest, JobAndExpiredRowsAndTheFormatsSettings) {
    auto& formatter = GetPostListCellFormate::shareFormate();
    const PostRecord job{{"puid", "77"},
                         {"title", "销售代表"},
                         {"district_name", "朝阳区"},
                         {"street_name", "望京"},
                         {"price", QVariantMap{{"v", 0}, {"u", "元/月"}}},
                         {"work_years", "1-3年"},
                         {"need_num", "0"},
                         {"degree", "大专"},
                         {"credibility", "3"},
                         {"CompanyNameText", "某公司"},
                         {"icons", QVariantMap{{"ding", 1}, {"iszhijie", "1"}, {"yan", 0}}}};
    ReadMarks::markRead("77");
    const PostCellContent row = formatter.returnDictionaryForCellWithContentForZhaoPin(job, 2, 1);
    EXPECT_EQ(row["left1"], "销售代表");
    EXPECT_EQ(row["middle2"], "朝阳区-望京");
    EXPECT_EQ(row["left3"], "招聘若干人");
    EXPECT_EQ(row["middle3"], "经验1-3年");
    EXPECT_EQ(row["right3"], "学历大专");
    EXPECT_EQ(row["right4"], "3");
    EXPECT_EQ(row["left4"], "某公司");
    EXPECT_EQ(row["zhiding"], true);
    EXPECT_EQ(row["IsZhiJieFlag"], true);
    EXPECT_EQ(row["YanFlag"], false);
    EXPECT_EQ(row["hasRead"], true);
    PostRecord many = job;
    many["need_num"] = "12";
    many.remove("street_name");
    const PostCellContent other =
        formatter.returnDictionaryForCellWithContentForZhaoPin(many, 2, 1, true);
    EXPECT_EQ(other["left3"], "招聘12人");
    EXPECT_EQ(other["middle2"], "朝阳区");
    EXPECT_FALSE(other.contains("haveImage"));
    EXPECT_FALSE(other.contains("IsZhiJieFlag"));

    const PostCellContent expired = formatter.returnDictionaryForCellWithContentForGuoQiTieZi(job);
    EXPECT_EQ(expired["left1"], "销售代表");
    EXPECT_EQ(expired["left3"], "此帖子已过期");

    EXPECT_FALSE(formatter.returnNearbyFilter(99, 1)) << "no format";
    EXPECT_EQ(formatter.returnQuickFilterWithMasterId(7, 1),
              (QVariantList{"district_id", "price", "huxing_shi"}));
    EXPECT_EQ(formatter.returnQuickFilterWithMasterId(7, 3), (QVariantList{"district_id", "price"}))
        << "the default";
    EXPECT_TRUE(formatter.returnQuickFilterWithMasterId(2, 1).isEmpty());
    GetPostListCellFormate::releseFormate();
    EXPECT_EQ(GetPostListCellFormate::shareFormate().returnQuickFilterWithMasterId(7, 5).size(), 3);
}
