#pragma once

// The post list's rows for the benchmarks: every row formatted from its post through the list
// format (as the list does for each row it shows) and drawn by the list cell, 70 points high.

#include "houses/shared/GetPostListCellFormate.h"
#include "houses/shared/QXPostListCell.h"
#include "platform/uikit/table_view.h"

#include <QVariantMap>

#include <functional>
#include <memory>
#include <utility>

namespace bench {

class PostListRows : public ui::TableViewDataSource, public ui::TableViewDelegate {
public:
    // `count` rows, row n showing `post`(n).
    PostListRows(int count, std::function<QVariantMap(int row)> post)
        : count_(count), post_(std::move(post)) {}

    int numberOfRowsInSection(ui::TableView&, int) override { return count_; }
    double heightForRowAtIndexPath(ui::TableView&, const ui::IndexPath&) override {
        return QXPostListCell::kRowHeight;
    }
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table,
                                                             const ui::IndexPath& path) override {
        auto cell = std::dynamic_pointer_cast<QXPostListCell>(
            table.dequeueReusableCellWithIdentifier("QXPostList"));
        if (!cell)
            cell = std::make_shared<QXPostListCell>(ui::TableViewCellStyle::Value1,
                                                    QStringLiteral("QXPostList"));
        cell->setContent(std::make_shared<const PostCellContent>(
            GetPostListCellFormate::shareFormate().returnDictionaryForCellWithContent(
                post_(path.row), 7, 1)));
        cell->setIsShowWifiImage(true);
        return cell;
    }

private:
    int count_;
    std::function<QVariantMap(int row)> post_;
};

}  // namespace bench
