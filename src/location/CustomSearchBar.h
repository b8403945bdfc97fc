#pragma once

#include "platform/foundation/notification_center.h"
#include "platform/uikit/text_field.h"
#include "platform/uikit/view.h"

#include <memory>

namespace ui {
class Button;
class TableView;
class TableViewDataSource;
class TableViewDelegate;
class ViewController;
}  // namespace ui

class CitySearchEngine;

// The city chooser's search bar: a field over a result table. While the field is edited
// the bar comes to the front of its screen with its result table over the list, the field
// narrows beside a "取消" button and the screen's navigation bar hides; each change of the
// text searches again. The result table reaches down to the keyboard while it is up.
class CustomSearchBar final : public ui::View, public ui::TextFieldDelegate {
public:
    static constexpr double kHeight = 50;
    static constexpr double kWideField = 300;
    static constexpr double kNarrowField = 250;
    static constexpr double kAnimation = 0.3;

    CustomSearchBar(const ui::Rect& frame, std::shared_ptr<CitySearchEngine> engine);
    ~CustomSearchBar() override;

    // The screen whose navigation bar hides while searching.
    void setVcDelegate(std::weak_ptr<ui::ViewController> screen) {
        vcDelegate_ = std::move(screen);
    }
    // 20 points under the status bar on system version 7 and later, else 0.
    [[nodiscard]] static double yOffset();

    [[nodiscard]] ui::TextField* searchFiled() const { return searchFiled_.get(); }
    [[nodiscard]] ui::TableView* resultTable() const { return resultTable_.get(); }
    [[nodiscard]] ui::Button* cancelButton() const { return cancelButton_.get(); }
    // Fills the status bar's strip above the bar while searching, in the bar's look.
    [[nodiscard]] ui::View* statusBarBackground() const { return statusBarBackground_.get(); }

    // Clears the field and ends editing ("取消").
    void cancleSearch();
    void searchTextChanged();
    void keyboardWillShow(const ns::Notification& notification);
    void keyboardWillHide();

    void didMoveToSuperview() override;
    void textFieldDidBeginEditing(ui::TextField& field) override;
    void textFieldDidEndEditing(ui::TextField& field) override;
    bool textFieldShouldReturn(ui::TextField& field) override;

private:
    void observe();
    void setSearching(bool searching);
    [[nodiscard]] double screenHeight() const;

    std::shared_ptr<CitySearchEngine> engine_;
    std::weak_ptr<ui::ViewController> vcDelegate_;
    std::shared_ptr<ui::View> bgSearchView_;
    std::shared_ptr<ui::View> statusBarBackground_;
    std::shared_ptr<ui::TextField> searchFiled_;
    std::shared_ptr<ui::Button> cancelButton_;
    std::shared_ptr<ui::TableView> resultTable_;
    std::shared_ptr<ns::NotificationCenter::Observation> textObservation_;
    std::shared_ptr<ns::NotificationCenter::Observation> showObservation_;
    std::shared_ptr<ns::NotificationCenter::Observation> hideObservation_;
    double restingY_ = 0;
};
