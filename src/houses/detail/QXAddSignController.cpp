#include "houses/detail/QXAddSignController.h"

#include "IMChat/qximlib/QXIMDatabase.h"
#include "analytics/StatClick.h"
#include "houses/shared/HouseFavourites.h"
#include "platform/foundation/notification_center.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "ui/navigation/UIViewController+Navigation.h"
#include "ui/widgets/AlertMessages.h"
#include "util/categories/TextCharacters.h"

namespace {

std::shared_ptr<ui::Button> formButton(const ui::Rect& frame, const QString& title,
                                       const QString& normal, const QString& pressed,
                                       const ui::Color& titleColour) {
    auto button = std::make_shared<ui::Button>(frame);
    for (const auto& [name, state] : {std::pair{normal, ui::kControlStateNormal},
                                      std::pair{pressed, ui::kControlStateHighlighted}}) {
        if (auto image = ui::Image::imageNamed(name))
            button->setBackgroundImage(image->stretchableImageWithLeftCapWidth(2, 2), state);
    }
    button->setTitle(title, ui::kControlStateNormal);
    button->setTitleColor(titleColour, ui::kControlStateNormal);
    button->setFont(ui::Font::systemFontOfSize(16));
    return button;
}

}  // namespace

QXAddSignController::QXAddSignController() {
    setHidesBottomBarWhenPushed(true);
    setEdgesForExtendedLayout(ui::kRectEdgeNone);
}

void QXAddSignController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    setTitle(QStringLiteral("备注"));
    view()->setBackgroundColor(ui::Color::rgb(245, 245, 245));
    UIViewControllerNavigation::setNavigationBackButton(*this,
                                                        [weak = weakAs<QXAddSignController>()] {
                                                            if (auto self = weak.lock())
                                                                self->goBack();
                                                        });

    inputBackground_ = std::make_shared<ui::ImageView>(ui::Rect(10, 15, 300, 140));
    if (auto image = ui::Image::imageNamed(QStringLiteral("输入框")))
        inputBackground_->setImage(image->stretchableImageWithLeftCapWidth(5, 15));
    view()->addSubview(inputBackground_);
    input_ = std::make_shared<ui::TextView>(ui::Rect(14, 19, 292, 132));
    input_->setFont(ui::Font::systemFontOfSize(15));
    input_->setTextColor(ui::Color::colorWithWhite(0.2));
    input_->setBackgroundColor(ui::Color::clearColor());
    input_->setDelegate(weakAs<QXAddSignController>());
    view()->addSubview(input_);
    // Two lines: the hint is read whole, never cut at the box's edge.
    placeholder_ = std::make_shared<ui::Label>(ui::Rect(20, 27, 280, 40));
    placeholder_->setNumberOfLines(0);
    placeholder_->setLineBreakMode(ui::LineBreakMode::WordWrap);
    placeholder_->setText(kPlaceholder);
    placeholder_->setFont(ui::Font::systemFontOfSize(14));
    placeholder_->setTextColor(ui::Color::colorWithWhite(0.7));
    placeholder_->setBackgroundColor(ui::Color::clearColor());
    placeholder_->setUserInteractionEnabled(false);
    view()->addSubview(placeholder_);

    ok_ = formButton({10, 170, 145, 36}, QStringLiteral("确定"), QStringLiteral("button36px.png"),
                     QStringLiteral("button36px-点击态.png"), ui::Color::whiteColor());
    ok_->addTarget(this, ui::kControlEventTouchUpInside,
                   [this](ui::Control&, const ui::Event*) { finishedInput(); });
    view()->addSubview(ok_);
    cancel_ = formButton(
        {165, 170, 145, 36}, QStringLiteral("取消"), QStringLiteral("button灰色36px.png"),
        QStringLiteral("button灰色36px_点击态.png"), ui::Color::colorWithWhite(0.3));
    cancel_->addTarget(this, ui::kControlEventTouchUpInside,
                       [this](ui::Control&, const ui::Event*) { goBack(); });
    view()->addSubview(cancel_);

    stored_ = QXIMDatabase::shared()
                  .historySignByUserId(HouseFavourites::userIdText(), puid_)
                  .value_or(QString());
    input_->setText(stored_);
    showPlaceholder();
}

void QXAddSignController::showPlaceholder() {
    placeholder_->setHidden(!input_->text().isEmpty());
}

bool QXAddSignController::shouldChangeTextInRange(ui::TextView& view, ui::Range range,
                                                  const QString& replacement) {
    // Deleting always goes; anything else counts the characters of the whole text after it, a
    // selection replaced: fewer units may still make more characters, and a mark or a skin tone
    // typed after a character belongs to it.
    if (replacement.isEmpty()) return true;
    return TextCharacters::countAfterEdit(view.text(), range.location, range.length, replacement) <=
           kLimit;
}

void QXAddSignController::textViewDidChange(ui::TextView& view) {
    // A remark stored longer than the limit keeps its first 200 characters once it is edited.
    if (TextCharacters::count(view.text()) > kLimit)
        view.setText(TextCharacters::left(view.text(), kLimit));
    showPlaceholder();
}

void QXAddSignController::finishedInput() {
    StatClick::event(QStringLiteral("house_remark_confirm"));
    const QString remark = input_->text().isNull() ? QStringLiteral("") : input_->text();
    if (remark != stored_) {
        auto& store = QXIMDatabase::shared();
        const QString user = HouseFavourites::userIdText();
        // A post taken out of the favourites meanwhile has no row to hold the remark.
        if (!store.historyExist(puid_, user)) {
            AlertMessages::showAlertViewWithAlertString(kNotSaved);
            return;
        }
        if (!store.updateHistorySign(remark, user, puid_)) {
            AlertMessages::showAlertViewWithAlertString(kSaveFailed);
            return;
        }
        stored_ = remark;
        ns::NotificationCenter::defaultCenter().post(HouseFavourites::kSignChangedNotification);
    }
    goBack();
}

void QXAddSignController::goBack() {
    if (ui::NavigationController* navigation = navigationController())
        navigation->popViewControllerAnimated(true);
}
