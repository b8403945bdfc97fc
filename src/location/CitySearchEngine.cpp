#include "location/CitySearchEngine.h"

#include "location/CityData.h"
#include "location/CityNode.h"
#include "location/HotCitySelect.h"

#include "ui/widgets/GradientView.h"

#include "platform/uikit/font.h"
#include "platform/uikit/label.h"
#include "platform/uikit/table_view_cell.h"

CitySearchEngine::CitySearchEngine(std::shared_ptr<CityData> cityData,
                                   std::weak_ptr<HotCitySelect> screen)
    : cityData_(std::move(cityData)), screen_(std::move(screen)) {}

void CitySearchEngine::searchWithString(const QString& text, ui::TableView* table) {
    result_.clear();
    if (cityData_) cityData_->getResultWithString(text, result_);
    if (!table) return;
    table->reloadData();
    // A new list starts at its top: the offset a long earlier list was scrolled to may lie
    // past the end of this one, which would show nothing at all.
    table->setContentOffset(ui::Point(0, -table->contentInset().top), false);
}

int CitySearchEngine::numberOfRowsInSection(ui::TableView&, int) {
    return int(result_.size());
}

std::shared_ptr<ui::TableViewCell> CitySearchEngine::cellForRowAtIndexPath(
    ui::TableView& table, const ui::IndexPath& path) {
    const QString identifier = QStringLiteral("searchCity");
    auto cell = table.dequeueReusableCellWithIdentifier(identifier);
    if (!cell) {
        cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, identifier);
        cell->textLabel()->setFont(ui::Font::systemFontOfSize(14));
        cell->textLabel()->setTextAlignment(ui::TextAlignment::Center);
        // A light top-to-bottom shade sets each result apart from the next, the table
        // having no separators.
        auto shade = std::make_shared<GradientView>();
        const std::vector<float> colors{1, 1, 1, 1, 0.9f, 0.9f, 0.9f, 1};
        shade->setColors(colors, colors.size() * sizeof(float));
        cell->setBackgroundView(shade);
    }
    if (path.row >= 0 && std::size_t(path.row) < result_.size()) {
        cell->textLabel()->setText(result_[std::size_t(path.row)]->name());
    }
    return cell;
}

void CitySearchEngine::didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) {
    table.deselectRowAtIndexPath(path, true);
    const auto screen = screen_.lock();
    if (!screen || path.row < 0 || std::size_t(path.row) >= result_.size()) return;
    const auto city = result_[std::size_t(path.row)];
    selectCityName_ = city->name();
    screen->chooseSearchResult(city);
}
