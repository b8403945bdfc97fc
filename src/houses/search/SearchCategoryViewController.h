#pragma once

#include "platform/uikit/table_view.h"
#include "platform/uikit/view_controller.h"

#include <QVariantList>

#include <functional>
#include <memory>

// The categories in which a searched keyword has posts, each with its number of posts,
// under the title "切换类别显示". A choice hands the category's id and its row back to the
// search results, which search that category, and closes the list.
class SearchCategoryViewController : public ui::ViewController,
                                     public ui::TableViewDataSource,
                                     public ui::TableViewDelegate {
public:
    static inline const QString kTitle = QStringLiteral("切换类别显示");
    static inline const QString kIdentifier = QStringLiteral("searchCategoryIndentifier");
    using SelectRowBlock = std::function<void(const QVariant& categoryId, int row)>;

    SearchCategoryViewController();

    [[nodiscard]] const QVariantList& categoryArray() const { return categoryArray_; }
    void setCategoryArray(const QVariantList& records) { categoryArray_ = records; }
    [[nodiscard]] int nowSelectRow() const { return nowSelectRow_; }
    void setNowSelectRow(int row) { nowSelectRow_ = row; }
    void setSelectRowBlock(SelectRowBlock block) { selectRowBlock_ = std::move(block); }
    [[nodiscard]] ui::TableView* mainTbl() const { return mainTbl_.get(); }

    void goBack();

    int numberOfRowsInSection(ui::TableView&, int) override { return int(categoryArray_.size()); }
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table,
                                                             const ui::IndexPath& path) override;
    double heightForRowAtIndexPath(ui::TableView&, const ui::IndexPath&) override { return 55; }
    void didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) override;

protected:
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

private:
    QVariantList categoryArray_;
    int nowSelectRow_ = 0;
    std::shared_ptr<ui::TableView> mainTbl_;
    SelectRowBlock selectRowBlock_;
};
