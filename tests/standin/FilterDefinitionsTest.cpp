// The stand-in's filter definitions: the full list of a category for an older version, "{}"
// for the current one, a refusal without a city.
#include "StandinClient.h"
#include "StandinFixture.h"

#include "standin/Posts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <httplib.h>

namespace paths = standin::paths;

class FilterDefinitionsTest : public StandinFixture {
protected:
    struct Answer {
        int status = 0;
        QJsonObject body;
    };
    Answer ask(const QString& version, int major, int city = 100) {
        httplib::Client http = standinClient(server().port());
        const std::string form = QStringLiteral(
                                     "cityScriptIndex=%1&categoryId=7&"
                                     "majorCategoryScriptIndex=%2")
                                     .arg(city)
                                     .arg(major)
                                     .toStdString();
        const auto result =
            http.Post(paths::kDataShare,
                      {{"interface", "GetMajorCategoryFilter"}, {"version", version.toStdString()}},
                      form, "application/x-www-form-urlencoded");
        if (!result) return {};
        return {result->status,
                QJsonDocument::fromJson(QByteArray::fromStdString(result->body)).object()};
    }
    // The labels of the choices of the item with field `field`.
    static QStringList choicesOf(const QJsonObject& reply, const QString& field) {
        QStringList labels;
        for (const QJsonValue& item : reply["fs"].toArray()) {
            if (item["f"].toString() != field) continue;
            for (const QJsonValue& choice : item["vs"].toArray()) labels << choice["n"].toString();
        }
        return labels;
    }
};

TEST_F(FilterDefinitionsTest, FullListsByKindAndNothingForTheCurrentVersion) {
    const Answer rent = ask("0", 1);
    ASSERT_EQ(rent.status, 200);
    EXPECT_EQ(rent.body["v"].toString(), standin::Posts::kFilterVersion);
    const QJsonArray items = rent.body["fs"].toArray();
    ASSERT_FALSE(items.isEmpty());
    EXPECT_EQ(items.first()["f"].toString(), "district_id");
    for (const QJsonValue& item : items) {
        EXPECT_EQ(item["v"].toString(), "-1") << item["f"].toString().toStdString();
        // A typed filter would never reach the list as a condition, so none is offered.
        EXPECT_NE(item["t"].toString(), "text") << item["f"].toString().toStdString();
        const QStringList labels = choicesOf(rent.body, item["f"].toString());
        EXPECT_TRUE(labels.isEmpty() || labels.first() == "不限") << "any comes first";
    }
    EXPECT_EQ(choicesOf(rent.body, "price").size(), 6);
    EXPECT_EQ(choicesOf(ask("0", 3).body, "price").size(), 5) << "each kind its own prices";
    EXPECT_EQ(choicesOf(ask("0", 5).body, "price").value(1), "100万以下") << "sale in 万";

    const Answer unchanged = ask(standin::Posts::kFilterVersion, 5);
    EXPECT_EQ(unchanged.status, 200);
    EXPECT_TRUE(unchanged.body.isEmpty());
    EXPECT_FALSE(ask("0.9", 1).body.isEmpty()) << "any other version gets the list";
    EXPECT_EQ(ask("0", 1, -1).body["status"].toInt(), -1) << "no city, no definitions";
}
