#include "houses/query/SearchListHistoryDelegate.h"

#include "houses/query/SearchHistory.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/table_view_cell.h"

namespace {

const ui::Color kKeywordColour = ui::Color::colorWithWhite(76.0 / 255);
const ui::Color kDetailColour = ui::Color::colorWithWhite(0.6);
const ui::Color kClearColour = ui::Color::rgb(247, 127, 0);

std::shared_ptr<ui::TableViewCell> rowCell(const QString& identifier) {
    auto cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Subtitle, identifier);
    auto background =
        std::make_shared<ui::ImageView>(ui::Image::imageNamed(QStringLiteral("选城城市bg.png")));
    background->setFrame(cell->bounds());
    cell->setBackgroundView(background);
    auto selected = std::make_shared<ui::ImageView>(
        ui::Image::imageNamed(QStringLiteral("选城城市bg点击.png")));
    selected->setFrame(cell->bounds());
    cell->setSelectedBackgroundView(selected);
    return cell;
}

}  // namespace

void SearchListHistoryDelegate::refreshData() {
    historyArray_ = SearchHistory::keywords();
    isShowHistory_ = true;
}

int SearchListHistoryDelegate::numberOfRowsInSection(ui::TableView&, int) {
    if (!isShowHistory_) return int(searchResultArray_.size());
    return historyArray_.isEmpty() ? 0 : int(historyArray_.size()) + 1;
}

std::shared_ptr<ui::TableViewCell> SearchListHistoryDelegate::clearRow() {
    auto cell = rowCell(kClearIdentifier);
    ui::Label* text = cell->textLabel();
    text->setText(kClearTitle);
    text->setFont(ui::Font::boldSystemFontOfSize(14));
    text->setTextColor(kClearColour);
    text->setHighlightedTextColor(kClearColour);
    text->setBackgroundColor(ui::Color::clearColor());
    cell->imageView()->setImage(ui::Image::imageNamed(QStringLiteral("搜索框-清空.png")));
    return cell;
}

std::shared_ptr<ui::TableViewCell> SearchListHistoryDelegate::keywordRow(ui::TableView& table) {
    if (auto reused = table.dequeueReusableCellWithIdentifier(kKeywordIdentifier)) return reused;
    auto cell = rowCell(kKeywordIdentifier);
    ui::Label* text = cell->textLabel();
    text->setText(kClearTitle);
    text->setBackgroundColor(ui::Color::clearColor());
    text->setFont(ui::Font::boldSystemFontOfSize(14));
    text->setTextColor(kKeywordColour);
    text->setHighlightedTextColor(ui::Color::blackColor());
    ui::Label* detail = cell->detailTextLabel();
    detail->setBackgroundColor(ui::Color::clearColor());
    detail->setFont(ui::Font::systemFontOfSize(14));
    detail->setTextColor(kDetailColour);
    detail->setHighlightedTextColor(ui::Color::blackColor());
    cell->imageView()->setImage(ui::Image::imageNamed(QStringLiteral("搜索框-历史.png")));
    return cell;
}

void SearchListHistoryDelegate::showHistory(ui::TableViewCell& cell, const QString& keyword) {
    cell.textLabel()->setText(keyword);
    cell.detailTextLabel()->setText(QString());
}

void SearchListHistoryDelegate::showSuggestion(ui::TableViewCell& cell, const QVariant& row) {
    if (row.typeId() != QMetaType::QVariantMap) return;
    const QVariantMap suggestion = row.toMap();
    cell.textLabel()->setText(suggestion.value(QStringLiteral("text")).toString());
    const QVariant count = suggestion.value(QStringLiteral("count"));
    cell.detailTextLabel()->setText(
        count.isValid() && !count.isNull() ? count.toString() + QStringLiteral("条") : QString());
}

QString SearchListHistoryDelegate::suggestionText(const QVariant& row) {
    if (row.typeId() != QMetaType::QVariantMap) return QString();
    return row.toMap().value(QStringLiteral("text")).toString();
}

std::shared_ptr<ui::TableViewCell> SearchListHistoryDelegate::cellForRowAtIndexPath(
    ui::TableView& table, const ui::IndexPath& path) {
    if (isShowHistory_ && path.row == int(historyArray_.size())) return clearRow();
    auto cell = keywordRow(table);
    if (isShowHistory_) {
        showHistory(*cell, historyArray_.value(path.row));
    } else {
        showSuggestion(*cell, searchResultArray_.value(path.row));
    }
    return cell;
}

void SearchListHistoryDelegate::didSelectRowAtIndexPath(ui::TableView& table,
                                                        const ui::IndexPath& path) {
    table.deselectRowAtIndexPath(path, true);
    const auto owner = delegate_.lock();
    if (!owner) return;
    if (isShowHistory_) {
        if (path.row == int(historyArray_.size())) {
            owner->clearHistory();
        } else {
            owner->searchFromHistory(historyArray_.value(path.row));
        }
        return;
    }
    owner->searchFromHistory(suggestionText(searchResultArray_.value(path.row)));
}

void SearchListHistoryDelegate::scrollViewDidScroll(ui::ScrollView& scrollView) {
    if (!scrollView.isDragging() || scrollView.isDecelerating()) return;
    if (const auto owner = delegate_.lock()) owner->resignTextFieldFirstRespond();
}
