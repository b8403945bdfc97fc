// The search history store, the keyword of an edit and the rows of the history table.
#include "SandboxTest.h"

#include "houses/query/SearchHistory.h"
#include "houses/query/SearchKeyword.h"
#include "houses/query/SearchListHistoryDelegate.h"
#include "platform/foundation/user_defaults.h"
#include "platform/uikit/label.h"
#include "platform/uikit/table_view_cell.h"

namespace {

// An owner that counts what the table tells it.
class Owner final : public SearchListHistoryOwner {
public:
    int clears = 0;
    QStringList searched;
    void clearHistory() override { ++clears; }
    void searchFromHistory(const QString& keyword) override { searched << keyword; }
};

ns::UserDefaults& defaults() {
    return ns::UserDefaults::standardUserDefaults();
}

}  // namespace

class SearchHistoryTest : public SandboxTest {};

TEST_F(SearchHistoryTest, KeywordsAreKeptOnceNewestFirstAsTheStoredDictionary) {
    EXPECT_TRUE(SearchHistory::keywords().isEmpty());
    SearchHistory::record(QStringLiteral("整租"));
    SearchHistory::record(QStringLiteral("地铁"));
    SearchHistory::record(QStringLiteral("整租"));
    SearchHistory::record(QString());
    EXPECT_EQ(SearchHistory::keywords(), (QStringList{"整租", "地铁"}));
    const QVariantMap stored = defaults().dictionaryForKey(SearchHistory::kStoreKey);
    EXPECT_EQ(stored, (QVariantMap{{"整租", "111"}, {"地铁", "111"}}));

    // A store written without an order lists its keywords after the ordered ones.
    QVariantMap older = stored;
    older.insert(QStringLiteral("合租"), QStringLiteral("111"));
    defaults().setObject(older, SearchHistory::kStoreKey);
    EXPECT_EQ(SearchHistory::keywords(), (QStringList{"整租", "地铁", "合租"}));

    SearchHistory::clear();
    EXPECT_TRUE(SearchHistory::keywords().isEmpty());
    EXPECT_TRUE(defaults().objectForKey(SearchHistory::kStoreKey).isValid())
        << "an empty dictionary, as before";
}

TEST_F(SearchHistoryTest, AFullStoreLetsTheOldestGo) {
    // A full store: k0 the oldest ... k1998, and a keyword an older version left unordered.
    QVariantMap store{{"旧的", "111"}};
    QVariantList order;
    for (int i = 0; i < SearchHistory::kMaxKeywords - 1; ++i) {
        store.insert(QStringLiteral("k%1").arg(i), "111");
        order << QStringLiteral("k%1").arg(i);
    }
    defaults().setObject(store, SearchHistory::kStoreKey);
    defaults().setObject(order, SearchHistory::kOrderKey);

    SearchHistory::record(QStringLiteral("新的"));
    QStringList kept = SearchHistory::keywords();
    ASSERT_EQ(kept.size(), SearchHistory::kMaxKeywords);
    EXPECT_FALSE(kept.contains("旧的")) << "the unordered keyword goes first";
    EXPECT_EQ(kept.first(), "新的");
    // Searching the oldest again keeps it; the next new one pushes out the next oldest.
    SearchHistory::record(QStringLiteral("k0"));
    SearchHistory::record(QStringLiteral("更新的"));
    kept = SearchHistory::keywords();
    ASSERT_EQ(kept.size(), SearchHistory::kMaxKeywords);
    EXPECT_EQ(kept.mid(0, 3), (QStringList{"更新的", "k0", "新的"}));
    EXPECT_FALSE(kept.contains("k1"));
    EXPECT_EQ(defaults().dictionaryForKey(SearchHistory::kStoreKey).size(),
              SearchHistory::kMaxKeywords);
}

TEST_F(SearchHistoryTest, TheKeywordOfAnEditIsTheTextAfterIt) {
    EXPECT_EQ(SearchKeyword::afterEdit("地铁", {1, 0}, "口"), "地口铁") << "inserted mid-text";
    EXPECT_EQ(SearchKeyword::afterEdit("近地铁站", {1, 2}, "东"), "近东站") << "typed over";
    EXPECT_EQ(SearchKeyword::afterEdit("近地铁站", {1, 2}, ""), "近站") << "several deleted";
    EXPECT_EQ(SearchKeyword::afterEdit("地铁", {2, 0}, "站"), "地铁站");
    EXPECT_EQ(SearchKeyword::afterEdit("地铁", {5, 3}, "站"), "地铁站") << "held to the text";
    EXPECT_EQ(SearchKeyword::afterEdit("😀地", {0, 2}, ""), "地") << "a pair of UTF-16 units";
    EXPECT_EQ(SearchKeyword::cleaned(" 近\n地铁 \r"), "近地铁");
}

TEST_F(SearchHistoryTest, TheTableShowsHistoryWithAClearRowOrSuggestions) {
    auto owner = std::make_shared<Owner>();
    SearchListHistoryDelegate rows;
    rows.setDelegate(owner);
    ui::TableView table(ui::Rect(0, 0, 320, 400));
    rows.refreshData();
    EXPECT_TRUE(rows.isShowHistory());
    EXPECT_EQ(rows.numberOfRowsInSection(table, 0), 0) << "no history, no clear row";

    SearchHistory::record(QStringLiteral("地铁"));
    rows.refreshData();
    ASSERT_EQ(rows.numberOfRowsInSection(table, 0), 2);
    EXPECT_EQ(rows.cellForRowAtIndexPath(table, {0, 1})->textLabel()->text(), "清除历史记录");
    rows.didSelectRowAtIndexPath(table, {0, 1});
    rows.didSelectRowAtIndexPath(table, {0, 0});
    EXPECT_EQ(owner->clears, 1);
    EXPECT_EQ(owner->searched, QStringList{"地铁"});

    rows.setSearchResultArray({QVariantMap{{"text", "地铁站"}, {"count", 12}},
                               QVariantMap{{"text", "近地铁"}}, QVariant(QStringLiteral("x"))});
    rows.setIsShowHistory(false);
    ASSERT_EQ(rows.numberOfRowsInSection(table, 0), 3);
    auto cell = rows.cellForRowAtIndexPath(table, {0, 0});
    EXPECT_EQ(cell->detailTextLabel()->text(), "12条");
    SearchListHistoryDelegate::showSuggestion(*cell, rows.searchResultArray()[1]);
    EXPECT_EQ(cell->textLabel()->text(), "近地铁");
    EXPECT_EQ(cell->detailTextLabel()->text(), "") << "no count, no detail";
    SearchListHistoryDelegate::showSuggestion(*cell, rows.searchResultArray()[2]);
    EXPECT_EQ(cell->textLabel()->text(), "近地铁") << "a row that is no dictionary changes nothing";
    rows.didSelectRowAtIndexPath(table, {0, 2});
    EXPECT_EQ(owner->searched.last(), "");

    // An owner that is gone hears nothing.
    owner.reset();
    rows.didSelectRowAtIndexPath(table, {0, 0});
}
