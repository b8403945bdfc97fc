#include "location/CustomSearchBar.h"

#include "location/CitySearchEngine.h"

#include "platform/uikit/button.h"
#include "platform/uikit/color.h"
#include "platform/uikit/device.h"
#include "platform/uikit/font.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/keyboard.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/view_controller.h"

namespace {

constexpr double kFieldX = 10;
constexpr double kFieldY = 8;
constexpr double kFieldHeight = 34;
constexpr double kIconMargin = 10;
const ui::Rect kCancelFrame(268, 8, 43, 34);

// A picture stretched from its middle point, so that its rounded ends stay whole at any width.
std::shared_ptr<ui::Image> stretchedFromMiddle(const ui::Image& picture) {
    const ui::Size size = picture.size();
    return picture.stretchableImageWithLeftCapWidth(int(size.width / 2), int(size.height / 2));
}

// The bar's background: its picture when the bundle has it, else a plain colour.
std::shared_ptr<ui::View> barBackground(const ui::Rect& frame) {
    std::shared_ptr<ui::View> background;
    if (auto picture = ui::Image::imageNamed(QStringLiteral("顶部BG.png"))) {
        background = std::make_shared<ui::ImageView>(picture);
        background->setFrame(frame);
    } else {
        background = std::make_shared<ui::View>(frame);
        background->setBackgroundColor(ui::Color::rgb(232, 232, 232));
    }
    return background;
}

}  // namespace

CustomSearchBar::CustomSearchBar(const ui::Rect& frame, std::shared_ptr<CitySearchEngine> engine)
    : ui::View(ui::Rect(frame.origin.x, frame.origin.y, frame.size.width, kHeight)),
      engine_(std::move(engine)),
      restingY_(frame.origin.y) {
    setClipsToBounds(true);
    bgSearchView_ = barBackground(ui::Rect(0, 0, frame.size.width, kHeight));
    addSubview(bgSearchView_);
    statusBarBackground_ = barBackground(ui::Rect(0, 0, frame.size.width, yOffset()));

    searchFiled_ =
        std::make_shared<ui::TextField>(ui::Rect(kFieldX, kFieldY, kWideField, kFieldHeight));
    if (auto picture = ui::Image::imageNamed(QStringLiteral("分类-搜索框.png"))) {
        searchFiled_->setBackground(stretchedFromMiddle(*picture));
    } else {
        searchFiled_->setBackgroundColor(ui::Color::whiteColor());
    }
    searchFiled_->setFont(ui::Font::systemFontOfSize(14));
    searchFiled_->setPlaceholder(QStringLiteral("请输入您要搜索的关键字"));
    searchFiled_->setReturnKeyType(ui::ReturnKeyType::Done);
    searchFiled_->setClearButtonMode(ui::TextFieldViewMode::WhileEditing);
    // The search icon, centred in room of its own; without it, room enough that the text
    // does not touch the edge.
    if (auto icon = ui::Image::imageNamed(QStringLiteral("icon搜索.png"))) {
        const ui::Size size = icon->size();
        auto room =
            std::make_shared<ui::View>(ui::Rect(0, 0, size.width + 2 * kIconMargin, kFieldHeight));
        auto iconView = std::make_shared<ui::ImageView>(icon);
        iconView->setFrame(
            ui::Rect(kIconMargin, (kFieldHeight - size.height) / 2, size.width, size.height));
        room->addSubview(iconView);
        searchFiled_->setLeftView(room);
    } else {
        searchFiled_->setLeftView(
            std::make_shared<ui::View>(ui::Rect(0, 0, kIconMargin, kFieldHeight)));
    }
    searchFiled_->setLeftViewMode(ui::TextFieldViewMode::Always);
    addSubview(searchFiled_);

    cancelButton_ = ui::Button::buttonWithType(ui::ButtonType::Custom);
    cancelButton_->setFrame(kCancelFrame);
    cancelButton_->setTitle(QStringLiteral("取消"), ui::kControlStateNormal);
    cancelButton_->setTitleColor(ui::Color::blackColor(), ui::kControlStateNormal);
    cancelButton_->titleLabel()->setFont(ui::Font::systemFontOfSize(12));
    for (const auto& [name, state] :
         {std::pair{QStringLiteral("button-高27.png"), ui::kControlStateNormal},
          std::pair{QStringLiteral("button-高27-点击态.png"), ui::kControlStateHighlighted}}) {
        if (auto picture = ui::Image::imageNamed(name)) {
            cancelButton_->setBackgroundImage(stretchedFromMiddle(*picture), state);
        }
    }
    cancelButton_->setHidden(true);
    addSubview(cancelButton_);

    resultTable_ = std::make_shared<ui::TableView>(
        ui::Rect(0, kHeight, frame.size.width, screenHeight() - 70));
    resultTable_->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
    resultTable_->setHidden(true);
    resultTable_->setDataSource(engine_);
    resultTable_->setDelegate(engine_);
    addSubview(resultTable_);
}

CustomSearchBar::~CustomSearchBar() = default;

double CustomSearchBar::yOffset() {
    return ui::Device::currentDevice().systemVersion().toDouble() >= 7.0 ? 20.0 : 0.0;
}

double CustomSearchBar::screenHeight() const {
    return ui::Screen::mainScreen().bounds().size.height;
}

void CustomSearchBar::didMoveToSuperview() {
    ui::View::didMoveToSuperview();
    observe();
}

void CustomSearchBar::observe() {
    if (textObservation_) return;
    searchFiled_->setDelegate(weakAs<CustomSearchBar>());
    cancelButton_->addTarget(this, ui::kControlEventTouchUpInside,
                             [weak = weakAs<CustomSearchBar>()](ui::Control&, const ui::Event*) {
                                 if (auto self = weak.lock()) self->cancleSearch();
                             });
    auto& center = ns::NotificationCenter::defaultCenter();
    const auto weak = weakAs<CustomSearchBar>();
    textObservation_ = center.addObserver(
        ui::kTextFieldTextDidChangeNotification,
        [weak](const ns::Notification&) {
            if (auto self = weak.lock()) self->searchTextChanged();
        },
        searchFiled_.get());
    showObservation_ =
        center.addObserver(ui::kKeyboardWillShowNotification, [weak](const ns::Notification& note) {
            if (auto self = weak.lock()) self->keyboardWillShow(note);
        });
    hideObservation_ =
        center.addObserver(ui::kKeyboardWillHideNotification, [weak](const ns::Notification&) {
            if (auto self = weak.lock()) self->keyboardWillHide();
        });
}

void CustomSearchBar::searchTextChanged() {
    if (engine_) engine_->searchWithString(searchFiled_->text(), resultTable_.get());
}

void CustomSearchBar::cancleSearch() {
    searchFiled_->setText(QString());
    searchTextChanged();
    searchFiled_->resignFirstResponder();
}

bool CustomSearchBar::textFieldShouldReturn(ui::TextField& field) {
    field.setText(QString());
    searchTextChanged();
    return true;
}

void CustomSearchBar::textFieldDidBeginEditing(ui::TextField& field) {
    field.setPlaceholder(QString());
    setSearching(true);
}

void CustomSearchBar::textFieldDidEndEditing(ui::TextField& field) {
    field.setPlaceholder(QStringLiteral("请输入您要搜索的关键字"));
    setSearching(false);
}

void CustomSearchBar::setSearching(bool searching) {
    const auto screen = vcDelegate_.lock();
    if (auto* navigation = screen ? screen->navigationController() : nullptr) {
        navigation->setNavigationBarHidden(searching, true);
    }
    ui::View* parent = superview();
    const double top = searching ? restingY_ + yOffset() : restingY_;
    const double height =
        searching ? parent ? parent->bounds().size.height - top : screenHeight() : kHeight;
    setFrame(ui::Rect(frame().origin.x, top, frame().size.width, height));
    if (parent) {
        if (searching) {
            parent->bringSubviewToFront(this);
            // The navigation bar no longer covers the status bar's strip above the bar.
            statusBarBackground_->setFrame(
                ui::Rect(frame().origin.x, restingY_, frame().size.width, yOffset()));
            parent->addSubview(statusBarBackground_);
        } else {
            parent->sendSubviewToBack(this);
            statusBarBackground_->removeFromSuperview();
        }
    }
    cancelButton_->setHidden(false);
    resultTable_->setHidden(false);
    const double fieldWidth = searching ? kNarrowField : kWideField;
    const auto cancel = cancelButton_;
    const auto table = resultTable_;
    const auto field = searchFiled_;
    ui::View::animateWithDuration(
        kAnimation,
        [=] {
            cancel->setAlpha(searching ? 1 : 0);
            table->setAlpha(searching ? 1 : 0);
            field->setFrame(ui::Rect(kFieldX, kFieldY, fieldWidth, kFieldHeight));
        },
        [=](bool) {
            cancel->setHidden(!searching);
            table->setHidden(!searching);
        });
}

void CustomSearchBar::keyboardWillShow(const ns::Notification& notification) {
    const ui::Rect keyboard =
        ui::Keyboard::frameFromUserInfo(notification.userInfo, ui::kKeyboardFrameEndUserInfoKey);
    const double height = screenHeight() - 20 - kHeight - keyboard.size.height;
    resultTable_->setFrame(ui::Rect(0, kHeight, frame().size.width, std::max(0.0, height)));
}

void CustomSearchBar::keyboardWillHide() {
    resultTable_->setFrame(ui::Rect(0, kHeight, frame().size.width, screenHeight() - 70));
}
