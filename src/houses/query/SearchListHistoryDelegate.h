#pragma once

#include "platform/uikit/table_view.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <memory>

// What the owner of the search history table answers; every operation is optional.
class SearchListHistoryOwner {
public:
    virtual ~SearchListHistoryOwner() = default;
    // The clear row was tapped.
    virtual void clearHistory() {}
    // A history or suggestion row was tapped, with its keyword.
    virtual void searchFromHistory(const QString& keyword) { (void)keyword; }
    // The table is being dragged: the keyboard goes.
    virtual void resignTextFieldFirstRespond() {}
};

// The data source and delegate of the table that opens under a search field: either the
// search history (newest first, with a last row "清除历史记录" when there is any) or the
// keyword suggestions of the "ajaxSuggestion" interface, each with its number of posts.
// Taps and drags go to the owner. The row cells are shared with the search screens, which
// draw the same rows in tables of their own.
class SearchListHistoryDelegate : public ui::TableViewDataSource, public ui::TableViewDelegate {
public:
    static inline const QString kKeywordIdentifier = QStringLiteral("searchIndentifier");
    static inline const QString kClearIdentifier = QStringLiteral("clearHistoryList");
    static inline const QString kClearTitle = QStringLiteral("清除历史记录");

    [[nodiscard]] const QStringList& historyArray() const { return historyArray_; }
    void setHistoryArray(const QStringList& keywords) { historyArray_ = keywords; }
    [[nodiscard]] std::shared_ptr<SearchListHistoryOwner> delegate() const {
        return delegate_.lock();
    }
    void setDelegate(std::weak_ptr<SearchListHistoryOwner> owner) { delegate_ = std::move(owner); }
    [[nodiscard]] const QVariantList& searchResultArray() const { return searchResultArray_; }
    void setSearchResultArray(const QVariantList& rows) { searchResultArray_ = rows; }
    [[nodiscard]] bool isShowHistory() const { return isShowHistory_; }
    void setIsShowHistory(bool shows) { isShowHistory_ = shows; }

    // Reads the history store again and shows the history; the owner reloads the table.
    void refreshData();

    int numberOfRowsInSection(ui::TableView&, int) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table,
                                                             const ui::IndexPath& path) override;
    double heightForRowAtIndexPath(ui::TableView&, const ui::IndexPath&) override {
        return kRowHeight;
    }
    void didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) override;
    void scrollViewDidScroll(ui::ScrollView& scrollView) override;

    static constexpr double kRowHeight = 55;
    // The clear row, made anew each time.
    [[nodiscard]] static std::shared_ptr<ui::TableViewCell> clearRow();
    // A keyword row, reused by identifier; the caller fills it.
    [[nodiscard]] static std::shared_ptr<ui::TableViewCell> keywordRow(ui::TableView& table);
    // A history keyword: the keyword and an empty detail.
    static void showHistory(ui::TableViewCell& cell, const QString& keyword);
    // A suggestion row {"text", "count"}: the text and "<count>条" (empty without a count).
    // A row that is no dictionary leaves the cell as it was.
    static void showSuggestion(ui::TableViewCell& cell, const QVariant& row);
    // The keyword a suggestion row hands on: its "text", or the empty text for a row that
    // is no dictionary.
    [[nodiscard]] static QString suggestionText(const QVariant& row);

private:
    QStringList historyArray_;
    std::weak_ptr<SearchListHistoryOwner> delegate_;
    QVariantList searchResultArray_;
    bool isShowHistory_ = false;
};
