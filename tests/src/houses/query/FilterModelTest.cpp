// The filter model: its items, the saved copy, the list-mode rules, and the definitions
// fetched by version and cached per city and category.
#include "../HousesFixture.h"
#include "AbandonedWrite.h"

#include "houses/query/tovikFilters2.h"
#include "net/QXIMRequest.h"
#include "net/transport/NKHTTPClient.h"
#include "platform/foundation/operation_queue.h"
#include "platform/foundation/property_list.h"
#include "standin/Posts.h"

#include <QFile>

namespace paths = standin::paths;

namespace {

QVariantMap item(const QString& field, const QVariantList& choices = {}) {
    return {{"f", field}, {"n", field}, {"t", "normal"}, {"v", "-1"}, {"vs", choices}};
}

}  // namespace

class FilterModelTest : public HousesFixture {
protected:
    // Fetches the definitions of a category on a new model; which callback ran.
    struct Outcome {
        std::shared_ptr<tovikFilters2> model;
        bool succeeded = false;
        bool failed = false;
    };
    Outcome fetch(int major, std::shared_ptr<tovikFilters2> model = nullptr) {
        Outcome outcome;
        outcome.model = model ? model : std::make_shared<tovikFilters2>();
        outcome.model->setMasterMajorId(7, major);
        outcome.model->httpRequestWithSuccess([&outcome] { outcome.succeeded = true; },
                                              [&outcome] { outcome.failed = true; });
        runMainLoopUntil([&outcome] { return outcome.succeeded || outcome.failed; });
        EXPECT_NE(outcome.succeeded, outcome.failed) << "exactly one callback";
        return outcome;
    }
    QStringList sentVersions() {
        QStringList versions;
        for (const auto& request : calls("GetMajorCategoryFilter")) {
            versions << QString::fromUtf8(request.header("version"));
        }
        return versions;
    }
};

TEST_F(FilterModelTest, LookupsByPositionAndField) {
    tovikFilters2 model;
    EXPECT_FALSE(model.GetData().has_value());
    EXPECT_EQ(model.getCount(), 0);
    EXPECT_EQ(model.getFilterWithIndex(0), nullptr);
    model.adopt({item("a"), item("b"), item("a")});
    EXPECT_EQ(model.getFilterWithIndex(3), nullptr);
    EXPECT_EQ(model.getFilterWithIndex(-1), nullptr);
    EXPECT_EQ(model.getFilterWithIndex(2)->value("f"), "a");
    EXPECT_EQ(model.getFilterWithKey("a"), model.getFilterWithIndex(0)) << "the first of two";
    EXPECT_EQ(model.getFilterWithKey("z"), nullptr);
}

TEST_F(FilterModelTest, TheSavedCopyUndoesEditsWithNewObjects) {
    tovikFilters2 model;
    model.adopt({item("price")});
    model.saveTheDate();
    const FilterItem held = model.getFilterWithIndex(0);
    held->insert("v", "3000_5000");
    model.returnTheDate();
    EXPECT_EQ(model.getFilterWithIndex(0)->value("v"), "-1");
    EXPECT_EQ(held->value("v"), "3000_5000") << "a holder of the old object keeps its edit";

    tovikFilters2 empty;
    empty.saveTheDate();
    model.returnTheDate();
    EXPECT_FALSE(model.GetData().has_value()) << "an empty save never brings an earlier list";
    QFile::remove(tovikFilters2::savePath());
    model.adopt({item("price")});
    model.returnTheDate();
    EXPECT_FALSE(model.GetData().has_value()) << "an unreadable save leaves no items";
}

TEST_F(FilterModelTest, NearbyModeAndStartTimes) {
    tovikFilters2 nearby;
    nearby.setPageFrom(1);
    nearby.adopt({item("a"), item("b"), item("c"), item("district_id")});
    ASSERT_EQ(nearby.getCount(), 4);
    EXPECT_EQ(nearby.getFilterWithIndex(0)->value("f"), "latlng");
    EXPECT_EQ(nearby.getFilterWithIndex(0)->value("v"), "3000");
    EXPECT_EQ(nearby.getFilterWithIndex(0)->value("vs").toList().size(), 4);
    EXPECT_EQ(nearby.getFilterWithIndex(3)->value("f"), "district_id");
    nearby.adopt({item("a"), item("b")});
    EXPECT_EQ(nearby.getFilterWithIndex(0)->value("f"), "a") << "no district item: no radius";

    tovikFilters2 normal;
    normal.adopt({item("a"), item("district_id")});
    EXPECT_EQ(normal.getFilterWithIndex(0)->value("f"), "a");

    const QVariantMap any{{"n", "不限"}, {"v", "-1"}};
    normal.adopt({item("start_time", {any, QVariantMap{{"n", "B"}}, QVariantMap{{"n", "C"}}})});
    const QVariantList dates = normal.getFilterWithKey("start_time")->value("vs").toList();
    ASSERT_EQ(dates.size(), 11);
    EXPECT_EQ(dates.first(), any);
    const QString today = clock().currentDateTime().toLocalTime().toString("yyyy-MM-dd");
    EXPECT_EQ(dates.at(1).toMap()["v"], today);
    normal.adopt({item("start_time")});
    EXPECT_EQ(normal.getFilterWithKey("start_time")->value("vs").toList().size(), 10)
        << "no first choice to keep: the dates alone";
}

TEST_F(FilterModelTest, FirstVisitStoresAndAdoptsThenAnUnchangedReplyServesTheCache) {
    const Outcome first = fetch(1);
    ASSERT_TRUE(first.succeeded);
    ASSERT_GE(first.model->getCount(), 5);
    EXPECT_EQ(first.model->getFilterWithIndex(0)->value("f"), "district_id");
    EXPECT_EQ(first.model->getFilterWithIndex(0)->value("secondSectionRow"), 0);
    EXPECT_EQ(first.model->getFilterWithIndex(1)->value("firstSectionRow"), 0);
    const auto file = ns::dictionaryWithContentsOfFile(tovikFilters2::cachePath());
    ASSERT_TRUE(file);
    EXPECT_EQ((*file)["100"].toMap()["7"].toMap()["1"].toMap()["version"].toString(),
              standin::Posts::kFilterVersion);

    const Outcome second = fetch(1);
    ASSERT_TRUE(second.succeeded);
    EXPECT_EQ(second.model->getCount(), first.model->getCount());
    EXPECT_EQ(sentVersions(), (QStringList{"0", standin::Posts::kFilterVersion}));

    const Outcome sale = fetch(5);
    EXPECT_EQ(sentVersions().last(), "0") << "each category its own version";
    EXPECT_EQ(sale.model->getFilterWithKey("price")->value("n"), "售价");
}

TEST_F(FilterModelTest, TheCachesTemporaryFilesThatAKillLeftGoWhenAListOpensIt) {
    ASSERT_TRUE(fetch(1).succeeded);
    const QString cache = leaveAbandonedWrite(tovikFilters2::cachePath());
    const QString saved = leaveAbandonedWrite(tovikFilters2::savePath());
    const QString running = leaveAbandonedWrite(tovikFilters2::cachePath(), 1);
    tovikFilters2 model;
    model.setMasterMajorId(7, 1);
    EXPECT_FALSE(QFile::exists(cache));
    EXPECT_FALSE(QFile::exists(saved));
    EXPECT_TRUE(QFile::exists(running)) << "a writer still running may yet rename it";
    EXPECT_TRUE(ns::dictionaryWithContentsOfFile(tovikFilters2::cachePath())) << "the cache stays";
}

TEST_F(FilterModelTest, ACachedCopyServesOnlyTheCityItBelongsTo) {
    ASSERT_TRUE(fetch(1).succeeded);
    setCity(0);
    server().setFault({.prefix = paths::kDataShare, .body = QByteArray("{}")});
    const Outcome other = fetch(1);
    EXPECT_TRUE(other.failed) << "another city's cache is never adopted";
    EXPECT_FALSE(other.model->GetData().has_value());
    EXPECT_EQ(sentVersions().last(), "0");

    // Nearby mode asks for the located city: version, entry and copy all belong to it.
    setCity(100);
    auto nearby = std::make_shared<tovikFilters2>();
    nearby->setPageFrom(1);
    nearby->setLocatedCityScriptIndex(0);
    EXPECT_TRUE(fetch(1, nearby).failed);
    server().setFaults({});
    auto again = std::make_shared<tovikFilters2>();
    again->setPageFrom(1);
    again->setLocatedCityScriptIndex(0);
    ASSERT_TRUE(fetch(1, again).succeeded);
    EXPECT_EQ(calls("GetMajorCategoryFilter").back().header("cityScriptIndex"), "0");
    const auto file = ns::dictionaryWithContentsOfFile(tovikFilters2::cachePath());
    EXPECT_TRUE((*file)["0"].toMap().contains("7"));
    EXPECT_TRUE((*file)["100"].toMap().contains("7")) << "other cities stay untouched";
}

TEST_F(FilterModelTest, FailuresLeaveItemsAndCacheAsTheyWere) {
    const Outcome first = fetch(1);
    ASSERT_TRUE(first.succeeded);
    const QByteArray before = [] {
        QFile file(tovikFilters2::cachePath());
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }();
    for (const int status : {500, 404}) {
        server().setFault({.prefix = paths::kDataShare, .status = status, .times = 1});
        EXPECT_TRUE(fetch(1, first.model).failed) << status;
        EXPECT_EQ(first.model->getCount(), 6) << status;
    }
    EXPECT_EQ(labelsOf("ReceivedServerDataError"), (QStringList{"tovikFilters2", "tovikFilters2"}));

    // A model's second request replaces its first on the wire: the first's reply (held back,
    // with definitions of its own) is never taken in, and its caller hears the second's
    // outcome instead of a failure.
    const std::size_t sent = calls("GetMajorCategoryFilter").size();
    server().setFault({.prefix = paths::kDataShare,
                       .hold = true,
                       .body = QByteArray(R"({"v":"stale","fs":[{"f":"stale","vs":[]}]})"),
                       .times = 1});
    auto replaced = std::make_shared<tovikFilters2>();
    replaced->setMasterMajorId(7, 1);
    int firstSucceeded = 0;
    int firstFailed = 0;
    replaced->httpRequestWithSuccess([&firstSucceeded] { ++firstSucceeded; },
                                     [&firstFailed] { ++firstFailed; });
    ASSERT_TRUE(runMainLoopUntil([&] { return calls("GetMajorCategoryFilter").size() > sent; }));
    const Outcome second = fetch(1, replaced);
    ASSERT_TRUE(letHeldRepliesArrive());
    EXPECT_TRUE(second.succeeded);
    EXPECT_EQ(firstSucceeded, 1);
    EXPECT_EQ(firstFailed, 0);
    EXPECT_EQ(replaced->getCount(), 6);
    EXPECT_EQ(replaced->getFilterWithKey("stale"), nullptr);
    EXPECT_EQ(labelsOf("ReceivedServerDataError").size(), 2) << "a replaced request is no error";
    QFile file(tovikFilters2::cachePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before) << "the replaced request stored nothing";
    file.close();

    // The same when the first reply is in before the second request goes out, too late for
    // its cancel, and waits for the main loop.
    server().setFault({.prefix = paths::kDataShare,
                       .body = QByteArray(R"({"v":"stale","fs":[{"f":"stale","vs":[]}]})"),
                       .times = 1});
    auto late = std::make_shared<tovikFilters2>();
    late->setMasterMajorId(7, 1);
    int lateSucceeded = 0;
    int lateFailed = 0;
    late->httpRequestWithSuccess([&lateSucceeded] { ++lateSucceeded; },
                                 [&lateFailed] { ++lateFailed; });
    QXIMRequest::shared().httpClient()->operationQueue()->waitUntilAllOperationsAreFinished();
    EXPECT_TRUE(fetch(1, late).succeeded);
    EXPECT_EQ(lateSucceeded, 1);
    EXPECT_EQ(lateFailed, 0);
    EXPECT_EQ(late->getFilterWithKey("stale"), nullptr);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before) << "the late reply stored nothing";
    file.close();

    // An unreadable cache file counts as no cache: version "0".
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("garbage");
    file.close();
    EXPECT_TRUE(fetch(3).succeeded);
    EXPECT_EQ(sentVersions().last(), "0");
}

TEST_F(FilterModelTest, NewDefinitionsNeverReplaceItemsAModelHolds) {
    auto model = std::make_shared<tovikFilters2>();
    model->adopt({item("only")});
    model->setMasterMajorId(7, 1);
    model->requestSuccessWithResult({{"v", "9"}, {"fs", QVariantList{item("a"), item("b")}}});
    EXPECT_EQ(model->getCount(), 1);
    const auto file = ns::dictionaryWithContentsOfFile(tovikFilters2::cachePath());
    EXPECT_EQ((*file)["100"].toMap()["7"].toMap()["1"].toMap()["version"], "9");
    model->requestSuccessWithResult({{"v", "10"}});
    EXPECT_EQ(ns::dictionaryWithContentsOfFile(tovikFilters2::cachePath())
                  ->value("100")
                  .toMap()["7"]
                  .toMap()["1"]
                  .toMap()["version"],
              "9")
        << "a reply without fs stores nothing";
}

TEST_F(FilterModelTest, AModelWithoutMajorIdAsksForMajorZeroButKeysItsOwn) {
    auto model = std::make_shared<tovikFilters2>();
    model->setHavMiiId(true);
    ASSERT_TRUE(fetch(3, model).succeeded);
    const auto request = calls("GetMajorCategoryFilter").back();
    EXPECT_EQ(standin::FormFields(request.body).number("majorCategoryScriptIndex", -1), 0);
    EXPECT_EQ(request.header("majorCategoryScriptIndex"), "3");
    EXPECT_TRUE(ns::dictionaryWithContentsOfFile(tovikFilters2::cachePath())
                    ->value("100")
                    .toMap()["7"]
                    .toMap()
                    .contains("3"));
}

TEST_F(FilterModelTest, ListsOpenTogetherKeepEachOthersEntries) {
    // Both models read the file before either reply is stored.
    auto rent = std::make_shared<tovikFilters2>();
    auto share = std::make_shared<tovikFilters2>();
    rent->setMasterMajorId(7, 1);
    share->setMasterMajorId(7, 3);
    for (const auto& model : {rent, share}) {
        bool done = false;
        model->httpRequestWithSuccess([&done] { done = true; }, [&done] { done = true; });
        ASSERT_TRUE(runMainLoopUntil([&done] { return done; }));
        ASSERT_TRUE(model->GetData().has_value());
    }
    const auto majors = ns::dictionaryWithContentsOfFile(tovikFilters2::cachePath())
                            ->value("100")
                            .toMap()["7"]
                            .toMap();
    EXPECT_TRUE(majors.contains("1")) << "the later write keeps the earlier list's entry";
    EXPECT_TRUE(majors.contains("3"));
}

TEST_F(FilterModelTest, ModelsLoadingTogetherNeverCancelEachOther) {
    // The server holds the first model's reply until the second model has had its own.
    server().setFault({.prefix = paths::kDataShare, .hold = true, .times = 1});
    auto waiting = std::make_shared<tovikFilters2>();
    waiting->setMasterMajorId(7, 1);
    bool succeeded = false;
    bool failed = false;
    waiting->httpRequestWithSuccess([&succeeded] { succeeded = true; },
                                    [&failed] { failed = true; });
    ASSERT_TRUE(runMainLoopUntil([&] { return !calls("GetMajorCategoryFilter").empty(); }));
    EXPECT_TRUE(fetch(1).succeeded);
    server().releaseHeld();
    ASSERT_TRUE(runMainLoopUntil([&] { return succeeded || failed; }));
    EXPECT_TRUE(succeeded);
    EXPECT_FALSE(failed);
    EXPECT_EQ(waiting->getCount(), 6);
}

TEST_F(FilterModelTest, DefinitionsOfAWrongKindOrWithoutVersion) {
    auto model = std::make_shared<tovikFilters2>();
    model->setMasterMajorId(7, 1);
    model->requestSuccessWithResult({{"v", "4"}, {"fs", "broken"}});
    EXPECT_FALSE(model->GetData().has_value()) << "no list, no items";
    EXPECT_FALSE(QFile::exists(tovikFilters2::cachePath())) << "and nothing stored to serve later";

    model->requestSuccessWithResult({{"fs", QVariantList{item("a")}}});
    ASSERT_EQ(model->getCount(), 1);
    const auto entry = ns::dictionaryWithContentsOfFile(tovikFilters2::cachePath())
                           ->value("100")
                           .toMap()["7"]
                           .toMap()["1"]
                           .toMap();
    EXPECT_EQ(entry["filter"].toList().size(), 1) << "kept although the reply had no version";
    EXPECT_FALSE(entry.contains("version"));
    ASSERT_TRUE(fetch(1, model).succeeded);
    EXPECT_EQ(sentVersions().last(), "0") << "so the definitions are asked for again";
}
