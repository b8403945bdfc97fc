#pragma once

#include "houses/query/KeywordSuggestion.h"
#include "houses/query/SearchTitleBar.h"
#include "platform/uikit/action_sheet.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/text_field.h"
#include "platform/uikit/view_controller.h"

#include <QStringList>
#include <QVariantList>

#include <memory>

// The keyword search entry: the keyword field and its "搜索" button in the title bar over one
// table that shows the search history (with a clear row) while the field is empty and the
// keyword suggestions while the user types. A keyword typed and confirmed, taken from the
// history or from a suggestion opens the search results for it; typed and suggested
// keywords are recorded in the history. The drag-back stack knows this screen by its class
// name: going back from the results skips it.
class SearchViewController : public ui::ViewController,
                             public ui::TableViewDataSource,
                             public ui::TableViewDelegate,
                             public ui::TextFieldDelegate,
                             public ui::ActionSheetDelegate {
public:
    static inline const QString kClearQuestion = QStringLiteral("确定删除历史记录吗?");

    SearchViewController();
    // The category values change nothing on this screen.
    SearchViewController(int masterIndex, int majorId);
    ~SearchViewController() override;

    [[nodiscard]] const QVariantList& resultArray() const { return resultArray_; }
    [[nodiscard]] const QStringList& historyArray() const { return historyArray_; }
    [[nodiscard]] bool isShowHistory() const { return isShowHistory_; }
    [[nodiscard]] ui::TableView* mainTbl() const { return mainTbl_.get(); }
    [[nodiscard]] MyTextField* mainTField() const {
        return titleBar_ ? titleBar_->field().get() : nullptr;
    }
    [[nodiscard]] ui::Button* searchButton() const {
        return titleBar_ ? titleBar_->button().get() : nullptr;
    }

    // The back button: the suggestion call is cancelled and the screen goes.
    void removeSearchView();
    // The "搜索" button and the keyboard's search key.
    void textfieldSearchEvent();
    void loadDataWithKeyword(const QString& keyword);

    // Field.
    bool textFieldShouldBeginEditing(ui::TextField&) override;
    bool textFieldShouldEndEditing(ui::TextField&) override;
    bool shouldChangeCharactersInRange(ui::TextField& field, ui::Range range,
                                       const QString& replacement) override;
    bool textFieldShouldReturn(ui::TextField&) override;

    // Table.
    int numberOfRowsInSection(ui::TableView&, int) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table,
                                                             const ui::IndexPath& path) override;
    double heightForRowAtIndexPath(ui::TableView&, const ui::IndexPath&) override { return 55; }
    void didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) override;
    void scrollViewDidScroll(ui::ScrollView& scrollView) override;

    // The clear sheet: button 0 ("确定") empties the history.
    void clickedButtonAtIndex(ui::ActionSheet& sheet, int index) override;

protected:
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;

private:
    [[nodiscard]] bool showsSuggestions() const { return !resultArray_.isEmpty(); }
    void openResults(const QString& keyword);
    void showTable();

    QVariantList resultArray_;
    std::shared_ptr<ui::TableView> mainTbl_;
    std::unique_ptr<SearchTitleBar> titleBar_;
    QStringList historyArray_;
    bool isShowHistory_ = false;
    bool isTextFiledEndEdit_ = false;
    bool focused_ = false;
    KeywordSuggestion suggestion_;
};
