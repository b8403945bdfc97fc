#pragma once

#include "houses/query/QuickFilterRow.h"
#include "platform/uikit/index_path.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/view.h"

#include <QStringList>

#include <map>
#include <optional>

class QuickFilterView;
class QuickFilterTbl;

// The owner of a quick-filter bar: it gives the buttons, titles, columns and rows and hears
// every choice.
class QuickFilterViewDelegate {
public:
    virtual ~QuickFilterViewDelegate() = default;
    // Buttons, the "更多" button included.
    virtual int numOfSelectSectionInQFView(QuickFilterView& bar) = 0;
    virtual QString qfViewTitleForIndex(QuickFilterView&, int) { return {}; }
    // Rows of one column of a button's drop-down; nullopt for none.
    virtual std::optional<QuickFilterRows> qfViewDataForSection(QuickFilterView& bar, int index,
                                                                int section) = 0;
    virtual int numOfSectionInQFView(QuickFilterView& bar, int index) = 0;
    // One key per button; "more" (last) marks the "更多" button, "latlng" defaults to row 2.
    virtual QStringList filterKeyForQfView(QuickFilterView& bar) = 0;
    // A final choice: a row of a one-column drop-down or of the second column.
    virtual void qfViewDidSelectSection(QuickFilterView&, int, const ui::IndexPath&,
                                        const QuickFilterRows&) {}
    // A row of the first of two columns: the owner prepares the second column.
    virtual void qfViewDidSelectRightSection(QuickFilterView&, int, const ui::IndexPath&,
                                             const QuickFilterRows&) {}
    virtual void moreBtnTouchForQFView(QuickFilterView&) {}
};

// The row of drop-down filter buttons over a list. Each button but "更多" opens a
// drop-down of one or two columns under the bar; at most one is open at a time.
class QuickFilterView : public ui::View {
public:
    static constexpr double kBarHeight = 40;
    static constexpr int kStripTag = 999;
    static constexpr int kButtonTag = 200;
    static constexpr int kTitleTag = 14212;
    static constexpr int kMaskTag = 600;
    static constexpr int kDropDownTag = 400;
    static constexpr int kTriangleTag = 800;
    static constexpr double kMoreWidth = 53;
    static inline const ui::Rect kClosedFrame{8, -218, 304, 258};
    static inline const ui::Rect kOpenFrame{8, 49, 304, 258};

    // The frame's height is the bar's height while a drop-down is open.
    explicit QuickFilterView(const ui::Rect& frame);

    void setDelegate(std::weak_ptr<QuickFilterViewDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    [[nodiscard]] std::shared_ptr<QuickFilterViewDelegate> delegate() const {
        return delegate_.lock();
    }

    void initialize();
    void reloadData();
    // Reloads column 0 / column 1 of button `index`'s drop-down.
    void reloadAtIndex(int index);
    void reloadQFTblAtIndex(int index);
    void resetTitleForIndex(int index, const QString& title);
    void setDefaultSelectRow();
    void resetDefaultDic();
    void setErshouSelectRow(const QList<int>& rows);
    void rebackAllQFTbl();
    void rebackQFTblAtIndex(int index);

    // Button index -> chosen row texts, one per column.
    [[nodiscard]] std::map<int, QStringList>& defaultSelectRowDic() { return defaultSelectRowDic_; }

    [[nodiscard]] QuickFilterTbl* dropDown(int index);
    [[nodiscard]] ui::Button* button(int index);
    // The title a button shows.
    [[nodiscard]] QString titleAtIndex(int index);

    // The drop-down's side.
    std::optional<QuickFilterRows> dataForQFTbl(QuickFilterTbl& table, int section);
    int numberOfSectionInQFTbl(QuickFilterTbl& table);
    static double widthOfSectionForQFTbl(int section) { return section == 0 ? 126 : 178; }
    void qfTblDidSelect(QuickFilterTbl& table, int style, const ui::IndexPath& path);

private:
    void btnTouch(int index);
    void resetFrame();
    [[nodiscard]] int dropDownCount();
    [[nodiscard]] bool hasMoreButton();

    std::weak_ptr<QuickFilterViewDelegate> delegate_;
    double height_;
    std::map<int, QStringList> defaultSelectRowDic_;
    std::vector<double> buttonWidths_;
};

// One drop-down: one or two columns of rows side by side.
class QuickFilterTbl : public ui::View,
                       public ui::TableViewDataSource,
                       public ui::TableViewDelegate {
public:
    static constexpr double kRowHeight = 43;
    static constexpr int kColumnTag = 100;

    explicit QuickFilterTbl(const ui::Rect& frame);

    void setBar(QuickFilterView* bar) { bar_ = bar; }
    // Asks the column's rows again; an empty answer keeps the rows shown before.
    void reloadSectionAtIndex(int section);
    void setDefaultSelectRow();
    void setRowForIndex(int row, int section);
    [[nodiscard]] int numOfSection() const { return numOfSection_; }
    [[nodiscard]] const std::map<int, QuickFilterRows>& dataDic() const { return dataDic_; }
    [[nodiscard]] ui::TableView* column(int section) const;
    // Builds the columns, once (the first time the drop-down lays out).
    void build();

    void layoutSubviews() override;
    int numberOfRowsInSection(ui::TableView& table, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table,
                                                             const ui::IndexPath& path) override;
    double heightForRowAtIndexPath(ui::TableView&, const ui::IndexPath&) override {
        return kRowHeight;
    }
    void didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) override;

private:
    QuickFilterView* bar_ = nullptr;  // the bar owns the drop-down
    int numOfSection_ = 0;
    bool built_ = false;
    std::map<int, QuickFilterRows> dataDic_;
};
