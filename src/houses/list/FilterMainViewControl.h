#pragma once

#include "houses/query/tovikFilters2.h"
#include "platform/foundation/notification_center.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/text_field.h"
#include "platform/uikit/view_controller.h"
#include "ui/widgets/ModalSheetViewController.h"

#include <QMap>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <map>
#include <memory>

class CheckBox;
class Street;
namespace ui {
class Button;
}  // namespace ui

// "高级筛选": one row per filter of the list's model, edited in place. Choice rows open
// their value list, the district row the district and street choosers, text rows take a
// typed value, and "仅显示有图" ticks the picture filter. "确定" hands the conditions to
// the list; going back restores the filters as they were when the screen opened.
class FilterMainViewControl : public ui::ViewController,
                              public ui::TableViewDataSource,
                              public ui::TableViewDelegate,
                              public ui::TextFieldDelegate,
                              public QXCustomViewControllerDelegate {
public:
    static constexpr int kKeywordFieldTag = 211;
    static constexpr double kRowHeight = 44;
    static inline const QString kNoServer =
        QStringLiteral("无法与服务器通讯。请连接到移动数据网络或者wifi。");

    using FilterBlock = std::function<void(const QMap<QString, QString>& conditions,
                                           const QString& keyword, bool fromZhaoPTag)>;
    using IndexArrayBlock = std::function<void(const QStringList& rows)>;

    explicit FilterMainViewControl(std::shared_ptr<tovikFilters2> filter);
    // The screen on these items as its rows, without a model: going back leaves them as
    // they are, and no keyword is handed back.
    [[nodiscard]] static std::shared_ptr<FilterMainViewControl> initWithFitlerArray(
        FilterList items);

    void setFilterBlock(FilterBlock block) { filterBlock_ = std::move(block); }
    void setFilterIndexArr(IndexArrayBlock block) { filterIndexArr_ = std::move(block); }

    // Second-hand mode: the rows show a "类别" row of the tags below in place of the
    // minor-category row (the model keeps its own item). Set before the screen loads.
    void setFromErshou(bool value) { fromErshou_ = value; }
    void setBaseTagId(const QString& id) { baseTagId_ = id; }
    void setBaseTagArray(const QStringList& names) { baseTagArray_ = names; }
    void setBaseTagIdArray(const QVariantList& ids) { baseTagIdArray_ = ids; }
    void setErshouLeftIndex(int index) { ershouLeftIndex_ = index; }
    void setErshouRightIndex(int index) { ershouRightIndex_ = index; }
    // Job-category mode: the category rows choose among these categories ("CateName"),
    // and are no conditions.
    void setFromZhaoPTag(bool value) { fromZhaoPTag_ = value; }
    void setZhaoPTagArray(const QVariantList& categories) { ZhaoPTagArray_ = categories; }

    [[nodiscard]] std::shared_ptr<Street> currentStreet() const { return currentStreet_.lock(); }
    void setCurrentStreet(const std::shared_ptr<Street>& street) { currentStreet_ = street; }
    [[nodiscard]] ui::TableView* tableView() const { return table_.get(); }
    // The confirming button on the bottom bar.
    [[nodiscard]] ui::Button* finishBtn() const { return finishBtn_.get(); }
    [[nodiscard]] const QMap<QString, QString>& filterDic() const { return filterDic_; }
    [[nodiscard]] ui::Label* loadingLabel() const { return loadingLabel_.get(); }

    // Shows a chooser in a sheet over the window's root screen.
    void presentView(const std::shared_ptr<ui::ViewController>& controller);
    // The picture filter ticked or not ("仅显示有图").
    void typeChanged(bool ticked);
    void getFilterDicByFilterData();
    void getFilterInfo();
    void backMethod();
    // The text shown for a row's value.
    [[nodiscard]] QString valueTextOf(const QVariantMap& item);
    // A label of exactly two characters shows them apart.
    [[nodiscard]] static QString labelText(const QString& label);

    int numberOfRowsInSection(ui::TableView&, int) override { return int(rows().size()); }
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table,
                                                             const ui::IndexPath& path) override;
    double heightForRowAtIndexPath(ui::TableView&, const ui::IndexPath&) override {
        return kRowHeight;
    }
    void didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) override;
    bool textFieldShouldBeginEditing(ui::TextField& field) override;
    void textFieldDidBeginEditing(ui::TextField& field) override;
    bool textFieldShouldReturn(ui::TextField& field) override;

protected:
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidDisappear(bool animated) override;

private:
    // Makes room for the keyboard, at each of its frames, while a keyword is typed.
    void keyboardWillShow(const QRectF& keyboardEnd);
    [[nodiscard]] FilterList rows() const;
    [[nodiscard]] FilterItem rowWithField(const QString& field) const;
    void takeRows();
    // The "类别" row of second-hand mode.
    [[nodiscard]] FilterItem baseTagItem() const;
    [[nodiscard]] static bool isJobCategory(const QString& field);
    [[nodiscard]] std::shared_ptr<CheckBox> pictureBox(bool ticked);
    void textFieldDidChange(ui::TextField& field, int row);
    [[nodiscard]] std::shared_ptr<Street> shownStreet();
    void shrinkTableKeeping(int row, const ui::Rect& frame);
    // The table's frame while no keyboard shows: from the top of the view down to the bottom
    // bar (the screen's height less the navigation bar's 64 points and the bottom bar's 44).
    [[nodiscard]] static ui::Rect restingFrame();

    // Null for a screen made on an array of items.
    std::shared_ptr<tovikFilters2> qxFilter_;
    // The model's own items, the "类别" row standing in for the minor category in
    // second-hand mode.
    FilterList rows_;
    std::weak_ptr<Street> currentStreet_;
    QMap<QString, QString> filterDic_;
    FilterBlock filterBlock_;
    IndexArrayBlock filterIndexArr_;
    bool fromErshou_ = false;
    // Any tag until one is given.
    QString baseTagId_ = QStringLiteral("-1");
    QStringList baseTagArray_;
    QVariantList baseTagIdArray_;
    int ershouLeftIndex_ = 0;
    int ershouRightIndex_ = 0;
    bool fromZhaoPTag_ = false;
    QVariantList ZhaoPTagArray_;
    bool savedCopy_ = false;
    bool hasRows_ = false;
    bool changeFrame_ = false;
    // Keyword rows keep their cell, so that a field being typed in stays in the window
    // whenever the table lays out again.
    std::map<const QVariantMap*, std::shared_ptr<ui::TableViewCell>> keywordCells_;
    std::shared_ptr<ns::NotificationCenter::Observation> keyboardObservation_;
    std::shared_ptr<ui::TableView> table_;
    std::shared_ptr<ui::View> titleView_;
    std::shared_ptr<ui::Label> loadingLabel_;
    std::shared_ptr<ui::Button> finishBtn_;
    std::shared_ptr<ModalSheetViewController> modelView_;
};
