#pragma once

#include "../list/PostListScreenFixture.h"

#include "houses/query/SearchHistory.h"
#include "houses/search/SearchListViewController.h"
#include "houses/search/SearchViewController.h"
#include "platform/uikit/keyboard.h"
#include "platform/uikit/navigation_item.h"
#include "platform/uikit/pasteboard.h"

// The search screens in the test city's window, against the stand-in.
class SearchFixture : public PostListScreenFixture {
protected:
    // The keywords of the suggestion requests sent so far, oldest first.
    [[nodiscard]] QStringList suggested() {
        QStringList keywords;
        for (const auto& request : calls("ajaxSuggestion"))
            keywords << argsOf(request)["keyword"].toString();
        return keywords;
    }
    // The "jsonArgs" of the last page request.
    [[nodiscard]] QJsonObject lastPage() {
        const auto sent = calls("SearchPostsByJson2");
        return sent.empty() ? QJsonObject() : argsOf(sent.back());
    }
    [[nodiscard]] static QString titleKeyword(const QJsonObject& args) {
        return args["andKeywords"].toArray().first().toObject()["value"].toString();
    }

    // The results of a keyword pushed over a root screen, waited for until loaded.
    std::shared_ptr<SearchListViewController> openResults(const QString& keyword) {
        auto results = std::make_shared<SearchListViewController>();
        results->setKeyword(keyword);
        navigation_->setViewControllers({std::make_shared<ui::ViewController>(), results}, false);
        settle();
        waitForResults(*results);
        return results;
    }
    // Waits until nothing of the results' first load is under way any more.
    void waitForResults(SearchListViewController& results) {
        EXPECT_TRUE(waitFor([&] {
            return !results.loadingShown() && !results.isLoading() &&
                   (results.isHadLoadFilter() || !results.noticeText().isEmpty());
        }));
    }
    // The texts shown by the rows of a table, in order.
    static QStringList rowTexts(ui::TableView& table) {
        QStringList texts;
        for (int row = 0; row < table.numberOfRowsInSection(0); ++row) {
            table.scrollToRowAtIndexPath({0, row}, ui::TableViewScrollPosition::Middle, false);
            table.layoutIfNeeded();
            ui::TableViewCell* cell = table.cellForRowAtIndexPath({0, row});
            texts << (cell ? cell->textLabel()->text() : QString());
        }
        return texts;
    }
    // Types into the field at the caret, as the keyboard does.
    bool typeAt(ui::TextField& field, qsizetype caret, const QString& text) {
        field.setSelectedRange({caret, 0});
        return driver_->type(text);
    }
};
