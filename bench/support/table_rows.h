#pragma once

// The app's list rows for the table benchmarks: 1,000 rows of a thumbnail and two labels,
// 70 points high, in a 320 x 480 window drawn at two pixels per point.

#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/table_view_cell.h"
#include "platform/uikit/window.h"

#include <QImage>
#include <QStringList>

#include <memory>

namespace bench {

inline constexpr int kRows = 1000;
inline constexpr double kRowHeight = 70;
inline constexpr double kWidth = 320;
inline constexpr double kHeight = 480;
inline constexpr double kScale = 2;

struct RowContent {
    QString title;
    QString detail;
};

inline RowContent rowContent(int row) {
    static const QStringList titles{"望京 南湖东园 两室一厅 精装修", "回龙观 龙泽苑 三室一厅",
                                    "天通苑 东三区 一室一厅 近地铁", "双井 富力城 两室两厅",
                                    "五道口 华清嘉园 南北通透"};
    return {titles[row % titles.size()] + QStringLiteral(" %1").arg(row),
            QStringLiteral("%1元/月 · %2平米").arg(1500 + row * 10).arg(40 + row % 90)};
}

inline QImage thumbnailPixels() {
    QImage image(124, 92, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb(x * 2, y * 2, 160));
    }
    return image;
}

// The app's list cell: a thumbnail with a title and a detail line beside it.
class RowCell : public ui::TableViewCell {
public:
    RowCell() : ui::TableViewCell(ui::TableViewCellStyle::Default, QStringLiteral("row")) {
        thumbnail = std::make_shared<ui::ImageView>(ui::Rect(12, 12, 62, 46));
        title = std::make_shared<ui::Label>(ui::Rect(84, 12, 225, 20));
        title->setFont(ui::Font::systemFontOfSize(14));
        title->setTextColor(ui::Color::colorWithWhite(0.2));
        detail = std::make_shared<ui::Label>(ui::Rect(84, 38, 225, 16));
        detail->setFont(ui::Font::systemFontOfSize(12));
        detail->setTextColor(ui::Color::rgb(247, 127, 0));
        contentView()->addSubview(thumbnail);
        contentView()->addSubview(title);
        contentView()->addSubview(detail);
    }
    std::shared_ptr<ui::ImageView> thumbnail;
    std::shared_ptr<ui::Label> title;
    std::shared_ptr<ui::Label> detail;
};

class Rows : public ui::TableViewDataSource, public ui::TableViewDelegate {
public:
    explicit Rows(std::shared_ptr<ui::Image> thumbnail) : thumbnail_(std::move(thumbnail)) {}
    int numberOfRowsInSection(ui::TableView&, int) override { return kRows; }
    double heightForRowAtIndexPath(ui::TableView&, const ui::IndexPath&) override {
        return kRowHeight;
    }
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table,
                                                             const ui::IndexPath& path) override {
        auto cell =
            std::static_pointer_cast<RowCell>(table.dequeueReusableCellWithIdentifier("row"));
        if (!cell) cell = std::make_shared<RowCell>();
        const RowContent content = rowContent(path.row);
        cell->thumbnail->setImage(thumbnail_);
        cell->title->setText(content.title);
        cell->detail->setText(content.detail);
        return cell;
    }

private:
    std::shared_ptr<ui::Image> thumbnail_;
};

struct Screen {
    std::shared_ptr<ui::Window> window;
    std::shared_ptr<ui::TableView> table;
    std::shared_ptr<Rows> rows;
};

inline Screen makeScreen() {
    Screen screen;
    screen.window = std::make_shared<ui::Window>(ui::Rect(0, 0, kWidth, kHeight));
    screen.table = std::make_shared<ui::TableView>(ui::Rect(0, 0, kWidth, kHeight));
    screen.rows = std::make_shared<Rows>(ui::Image::imageWithQImage(thumbnailPixels(), kScale));
    screen.table->setDataSource(screen.rows);
    screen.table->setDelegate(screen.rows);
    screen.window->addSubview(screen.table);
    return screen;
}

}  // namespace bench
