#include "houses/query/SearchTitleBar.h"

#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_bar.h"
#include "platform/uikit/navigation_controller.h"
#include "ui/image/StretchedImage.h"

SearchTitleBar::SearchTitleBar(const QString& buttonPicture, std::function<void()> search)
    : view_(std::make_shared<ui::View>(ui::Rect(0, 0, 260, 44))),
      field_(std::make_shared<MyTextField>(ui::Rect(0, 6, 204, 32))),
      button_(ui::Button::buttonWithType(ui::ButtonType::Custom)) {
    view_->setBackgroundColor(ui::Color::clearColor());

    field_->setBackgroundColor(ui::Color::clearColor());
    field_->setFont(ui::Font::systemFontOfSize(14));
    field_->setPlaceholder(kPlaceholder);
    field_->setReturnKeyType(ui::ReturnKeyType::Search);
    field_->setBackground(StretchedImage::fromCentre(QStringLiteral("分类-搜索框.png")));
    field_->setLeftViewMode(ui::TextFieldViewMode::Always);
    view_->addSubview(field_);

    button_->setFrame({211, 6, 43, 32});
    button_->setTitle(QStringLiteral("搜索"), ui::kControlStateNormal);
    button_->setTitleColor(ui::Color::whiteColor(), ui::kControlStateNormal);
    button_->titleLabel()->setFont(ui::Font::systemFontOfSize(14));
    QString pressed = buttonPicture;
    pressed.insert(pressed.lastIndexOf(u'.'), QStringLiteral("-点击态"));
    button_->setBackgroundImage(StretchedImage::fromCentre(buttonPicture), ui::kControlStateNormal);
    button_->setBackgroundImage(StretchedImage::fromCentre(pressed), ui::kControlStateHighlighted);
    button_->addTarget(button_.get(), ui::kControlEventTouchUpInside,
                       [search = std::move(search)](ui::Control&, const ui::Event*) {
                           if (search) search();
                       });
    view_->addSubview(button_);
}

void SearchTitleBar::focus(ui::ViewController& screen) const {
    // The bar places its title view when it lays out; the field needs its window first.
    if (ui::NavigationController* navigation = screen.navigationController())
        navigation->navigationBar()->layoutIfNeeded();
    field_->becomeFirstResponder();
}
