#pragma once

#include "platform/uikit/view.h"

#include <QString>

#include <functional>
#include <memory>

namespace ui {

class Button;
class ImageView;
class Label;
class TableView;

enum class TableViewCellStyle { Default = 0, Value1 = 1, Value2 = 2, Subtitle = 3 };
enum class TableViewCellSelectionStyle { None = 0, Blue = 1, Gray = 2, Default = 3 };
enum class TableViewCellAccessoryType {
    None = 0,
    DisclosureIndicator = 1,
    DetailDisclosureButton = 2,
    Checkmark = 3,
    DetailButton = 4,
};
enum class TableViewCellEditingStyle { None = 0, Delete = 1, Insert = 2 };

// One row of a table: a content view holding a text label, a detail label
// (value-1, value-2 and subtitle styles) and an image view, laid out by style;
// an accessory on the right; backgrounds for normal and selected; and, while
// editing, the delete control on the left and the delete confirmation button
// on the right. The table reuses cells by their reuse identifier.
class TableViewCell : public View {
public:
    static constexpr double kDefaultHeight = 44;
    static constexpr double kEditingIndent = 38;
    static constexpr double kMargin = 15;

    explicit TableViewCell(TableViewCellStyle style = TableViewCellStyle::Default,
                           const QString& reuseIdentifier = {});
    ~TableViewCell() override;

    [[nodiscard]] TableViewCellStyle style() const { return style_; }
    [[nodiscard]] const QString& reuseIdentifier() const { return reuseIdentifier_; }

    [[nodiscard]] View* contentView() const { return contentView_.get(); }
    // Made on first use; none for the detail label of the default style.
    [[nodiscard]] Label* textLabel();
    [[nodiscard]] Label* detailTextLabel();
    [[nodiscard]] ImageView* imageView();

    [[nodiscard]] const std::shared_ptr<View>& backgroundView() const { return backgroundView_; }
    void setBackgroundView(std::shared_ptr<View> view);
    // The default shows a light grey while the cell is selected or highlighted.
    [[nodiscard]] const std::shared_ptr<View>& selectedBackgroundView();
    void setSelectedBackgroundView(std::shared_ptr<View> view);

    [[nodiscard]] TableViewCellAccessoryType accessoryType() const { return accessoryType_; }
    void setAccessoryType(TableViewCellAccessoryType type);
    [[nodiscard]] const std::shared_ptr<View>& accessoryView() const { return accessoryView_; }
    void setAccessoryView(std::shared_ptr<View> view);
    [[nodiscard]] TableViewCellAccessoryType editingAccessoryType() const {
        return editingAccessoryType_;
    }
    void setEditingAccessoryType(TableViewCellAccessoryType type);

    [[nodiscard]] TableViewCellSelectionStyle selectionStyle() const { return selectionStyle_; }
    void setSelectionStyle(TableViewCellSelectionStyle style);
    [[nodiscard]] bool isSelected() const { return selected_; }
    void setSelected(bool selected) { setSelected(selected, false); }
    virtual void setSelected(bool selected, bool animated);
    [[nodiscard]] bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted) { setHighlighted(highlighted, false); }
    virtual void setHighlighted(bool highlighted, bool animated);

    [[nodiscard]] bool isEditing() const { return editing_; }
    void setEditing(bool editing) { setEditing(editing, false); }
    virtual void setEditing(bool editing, bool animated);
    [[nodiscard]] bool showingDeleteConfirmation() const { return confirmationShown_; }
    [[nodiscard]] Button* deleteConfirmationButton() const;

    // Where the separator starts and ends (the table's unless set).
    [[nodiscard]] const EdgeInsets& separatorInset() const { return separatorInset_; }
    void setSeparatorInset(const EdgeInsets& insets);

    // Called before the table hands a reused cell out again.
    virtual void prepareForReuse();

    void layoutSubviews() override;

private:
    friend class TableView;
    class AccessoryView;
    void updateSelectionDisplay(bool animated);
    void updateAccessory();
    void layoutLabels(const Rect& content);
    // Table-driven state.
    void setSeparator(bool shown, const Color& color, const EdgeInsets& inset);
    void showDeleteConfirmation(const QString& title, std::function<void()> onTap);
    void hideDeleteConfirmation();
    void setEditingControl(bool shown, std::function<void()> onTap);

    TableViewCellStyle style_;
    QString reuseIdentifier_;
    std::shared_ptr<View> contentView_;
    std::shared_ptr<Label> textLabel_;
    std::shared_ptr<Label> detailTextLabel_;
    std::shared_ptr<ImageView> imageView_;
    std::shared_ptr<View> backgroundView_;
    std::shared_ptr<View> selectedBackgroundView_;
    std::shared_ptr<View> accessoryView_;
    std::shared_ptr<View> standardAccessory_;
    std::shared_ptr<View> separator_;
    std::shared_ptr<Button> deleteButton_;
    std::shared_ptr<Button> editingControl_;
    EdgeInsets separatorInset_{0, kMargin, 0, 0};
    bool separatorInsetSet_ = false;
    TableViewCellAccessoryType accessoryType_ = TableViewCellAccessoryType::None;
    TableViewCellAccessoryType editingAccessoryType_ = TableViewCellAccessoryType::None;
    TableViewCellSelectionStyle selectionStyle_ = TableViewCellSelectionStyle::Blue;
    bool selected_ = false;
    bool highlighted_ = false;
    bool editing_ = false;
    bool confirmationShown_ = false;
};

}  // namespace ui
