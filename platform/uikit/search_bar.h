#pragma once

#include "platform/uikit/bar_look.h"
#include "platform/uikit/geometry.h"
#include "platform/uikit/navigation_bar.h"
#include "platform/uikit/view.h"

#include <QString>

#include <memory>

namespace ui {

class Button;
class Image;
class SearchBar;
class SearchDisplayController;
class TextField;

// Hears a search bar. Every method is optional.
class SearchBarDelegate {
public:
    virtual ~SearchBarDelegate() = default;
    virtual bool searchBarShouldBeginEditing(SearchBar&) { return true; }
    virtual void searchBarTextDidBeginEditing(SearchBar&) {}
    virtual bool searchBarShouldEndEditing(SearchBar&) { return true; }
    virtual void searchBarTextDidEndEditing(SearchBar&) {}
    virtual void textDidChange(SearchBar&, const QString& text) { (void)text; }
    virtual bool shouldChangeTextInRange(SearchBar&, Range range, const QString& replacement) {
        (void)range, (void)replacement;
        return true;
    }
    virtual void searchBarSearchButtonClicked(SearchBar&) {}
    virtual void searchBarCancelButtonClicked(SearchBar&) {}
};

// A bar holding a rounded search field (a direct subview, with a magnifier as
// its left view and the search return key) and, when asked, a cancel button
// on the right. The field's events become the bar's delegate calls; a search
// display controller attached to the bar hears them too.
class SearchBar : public View, public BarLook {
public:
    static constexpr double kHeight = 44;

    SearchBar();
    explicit SearchBar(const Rect& frame);
    ~SearchBar() override;

    [[nodiscard]] QString text() const;
    void setText(const QString& text);
    [[nodiscard]] QString placeholder() const;
    void setPlaceholder(const QString& placeholder);
    [[nodiscard]] bool showsCancelButton() const { return showsCancel_; }
    void setShowsCancelButton(bool shows, bool animated = false);
    [[nodiscard]] BarStyle barStyle() const { return barStyle_; }
    void setBarStyle(BarStyle style);

    [[nodiscard]] TextField* textField() const { return field_.get(); }
    [[nodiscard]] Button* cancelButton() const;
    [[nodiscard]] std::shared_ptr<SearchBarDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<SearchBarDelegate> delegate) { delegate_ = std::move(delegate); }

    // The field takes and gives up the keyboard for the bar.
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    [[nodiscard]] bool isEditing() const;
    // What the cancel button does.
    void cancel();

    void layoutSubviews() override;
    void drawRect(const Rect& rect) override;
    [[nodiscard]] Size sizeThatFits(Size size) const override;

private:
    void groundDidChange() override { setNeedsDisplay(); }
    void tintDidChange() override { setNeedsLayout(); }
    friend class SearchDisplayController;
    class FieldDelegate;
    void setDisplayController(SearchDisplayController* controller) { display_ = controller; }

    std::shared_ptr<TextField> field_;
    std::shared_ptr<FieldDelegate> fieldDelegate_;
    std::shared_ptr<Button> cancel_;
    std::weak_ptr<SearchBarDelegate> delegate_;
    SearchDisplayController* display_ = nullptr;
    BarStyle barStyle_ = BarStyle::Default;
    bool showsCancel_ = false;
};

}  // namespace ui
