#include "houses/detail/Report.h"

#include "net/EndpointTable.h"
#include "platform/foundation/timer.h"
#include "platform/uikit/activity_indicator_view.h"
#include "platform/uikit/button.h"
#include "platform/uikit/device.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/scroll_view.h"
#include "ui/navigation/UIViewController+Navigation.h"
#include "ui/widgets/AlertMessages.h"
#include "ui/widgets/FloatView.h"
#include "util/TextChecks.h"
#include "util/categories/TextCharacters.h"

namespace {

constexpr double kFormHeight = 345;
constexpr double kKeyboardFormHeight = 195;
constexpr double kReportAnimationDuration = 0.3;

std::shared_ptr<ui::Label> formLabel(const ui::Rect& frame, const QString& text, int tag,
                                     int grey) {
    auto label = std::make_shared<ui::Label>(frame);
    label->setText(text);
    label->setTag(tag);
    label->setFont(ui::Font::systemFontOfSize(
        tag == Report::kReasonTitleTag || tag == Report::kContactTitleTag ? 15 : 13));
    label->setTextColor(ui::Color::rgb(grey, grey, grey));
    label->setBackgroundColor(ui::Color::clearColor());
    return label;
}

std::shared_ptr<ui::ImageView> inputBackground(const ui::Rect& frame) {
    auto background = std::make_shared<ui::ImageView>(frame);
    if (auto image = ui::Image::imageNamed(QStringLiteral("输入框.png"))) {
        background->setImage(image->stretchableImageWithLeftCapWidth(
            int(image->size().width / 2), int(image->size().height / 2)));
    }
    return background;
}

QString trimmed(const QString& text) {
    return text.trimmed();
}

}  // namespace

Report::Report() {
    setHidesBottomBarWhenPushed(true);
    setEdgesForExtendedLayout(ui::kRectEdgeNone);
}

Report::~Report() = default;

void Report::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    setTitle(QStringLiteral(" 举报"));
    view()->setBackgroundColor(ui::Color::rgb(235, 235, 235));
    UIViewControllerNavigation::setNavigationBackButton(*this, [weak = weakAs<Report>()] {
        if (auto self = weak.lock()) self->onBack();
    });
    UIViewControllerNavigation::setNavigationRightButton(
        *this,
        [weak = weakAs<Report>()] {
            if (auto self = weak.lock()) self->Submit();
        },
        QStringLiteral("提交"));

    contentView_ = std::make_shared<ui::ScrollView>(ui::Rect(0, 0, 320, kFormHeight));
    contentView_->setContentSize({320, 400});
    contentView_->setScrollEnabled(true);
    contentView_->setBackgroundColor(ui::Color::clearColor());
    view()->addSubview(contentView_);
    // A tap beside the fields puts the keyboard away.
    auto backdrop = std::make_shared<ui::Button>(ui::Rect(0, 0, 320, 400));
    backdrop->addTarget(this, ui::kControlEventTouchUpInside,
                        [this](ui::Control&, const ui::Event*) { RemoveKeyboard(); });
    contentView_->addSubview(backdrop);

    contentView_->addSubview(
        formLabel({15, 14, 80, 20}, QStringLiteral("情况说明"), kReasonTitleTag, 128));
    contentView_->addSubview(
        formLabel({85, 15, 220, 20}, QStringLiteral("（必填，5-200字）"), kReasonHintTag, 179));
    contentView_->addSubview(inputBackground({10, 40, 300, 130}));
    contentField_ = std::make_shared<ui::TextView>(ui::Rect(14, 44, 292, 122));
    contentField_->setFont(ui::Font::boldSystemFontOfSize(17));
    contentField_->setContentInset({-8, 0, -8, 0});
    contentField_->setBackgroundColor(ui::Color::clearColor());
    contentField_->setDelegate(weakAs<Report>());
    contentView_->addSubview(contentField_);

    contentView_->addSubview(
        formLabel({15, 186, 80, 20}, QStringLiteral("联系方式"), kContactTitleTag, 128));
    contentView_->addSubview(formLabel({85, 187, 220, 20}, QStringLiteral("（选填，电话或邮箱）"),
                                       kContactHintTag, 179));
    contentView_->addSubview(inputBackground({10, 212, 300, 40}));
    addressField_ = std::make_shared<ui::TextField>(ui::Rect(18, 217, 284, 30));
    addressField_->setFont(ui::Font::systemFontOfSize(16));
    addressField_->setPlaceholder(QStringLiteral("方便我们与您联系"));
    addressField_->setDelegate(weakAs<Report>());
    contentView_->addSubview(addressField_);

    auto note = std::make_shared<ui::Label>(ui::Rect(15, 262, 290, 40));
    note->setText(
        QStringLiteral("我们会尽快核实被举报的信息，一经查实即作处理。感谢您帮助更多人安心找房！"));
    note->setNumberOfLines(2);
    note->setFont(ui::Font::systemFontOfSize(13));
    note->setTextColor(ui::Color::rgb(153, 153, 153));
    note->setBackgroundColor(ui::Color::clearColor());
    contentView_->addSubview(note);

    auto shadow = std::make_shared<ui::ImageView>(
        ui::Image::imageNamed(QStringLiteral("title bar－阴影.png")));
    shadow->setFrame({0, 0, 320, 7});
    view()->insertSubviewAtIndex(shadow, 0);

    loadingView_ = std::make_shared<ui::View>(view()->bounds());
    loadingView_->setBackgroundColor(ui::Color::colorWithWhite(0.5, 0.5));
    indicator_ =
        std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorViewStyle::WhiteLarge);
    indicator_->setCenter({160, 150});
    loadingView_->addSubview(indicator_);
}

void Report::viewDidAppear(bool animated) {
    ui::ViewController::viewDidAppear(animated);
    // The description is ready for typing as the screen comes.
    if (!request_) contentField_->becomeFirstResponder();
}

void Report::moveForm(ui::Point offset, double height) {
    ui::View::beginAnimations(QStringLiteral("show"));
    ui::View::setAnimationDuration(kReportAnimationDuration);
    contentView_->setContentOffset(offset);
    contentView_->setFrame({0, 0, 320, height});
    ui::View::commitAnimations();
}

void Report::textViewDidBeginEditing(ui::TextView&) {
    moveForm(contentView_->contentOffset(), kKeyboardFormHeight);
}

void Report::textFieldDidBeginEditing(ui::TextField&) {
    moveForm({0, 150}, kKeyboardFormHeight);
}

bool Report::textFieldShouldReturn(ui::TextField& field) {
    field.resignFirstResponder();
    moveForm({0, 0}, kFormHeight);
    return true;
}

void Report::RemoveKeyboard() {
    contentField_->resignFirstResponder();
    addressField_->resignFirstResponder();
    moveForm({0, 0}, kFormHeight);
}

QString Report::contactWithDevice(const QString& contact) {
    const ui::Device& device = ui::Device::currentDevice();
    return contact + QStringLiteral(";%1,%2,%3,%4")
                         .arg(device.systemName(), device.systemVersion(),
                              QStringLiteral("软件版本"), EndpointTable::versionId());
}

void Report::Submit() {
    const QString description = trimmed(contentField_->text());
    contentField_->setText(description);
    const qsizetype length = TextCharacters::count(description);
    if (length < kMinimumLength || length > kMaximumLength) {
        AlertMessages::showAlertViewWithAlertTitle(kPromptTitle, kLengthMessage);
        return;
    }
    QString contact = trimmed(addressField_->text());
    addressField_->setText(contact);
    reportMail_ = !contact.isEmpty() && !TextChecks::isPureNumandCharacters(contact);
    if (reportMail_ && !contact.contains(u'@')) {
        AlertMessages::showAlertViewWithAlertTitle(kPromptTitle, kContactMessage);
        return;
    }
    request_ = std::make_shared<tovikReport>(weakAs<Report>(), postId_);
    request_->SendReportWithCataId(categoryId_, majorCategoryScriptIndex_, description,
                                   contactWithDevice(contact), reportMail_);
    showLoading(true);
}

void Report::showLoading(bool shown) {
    if (shown) {
        loadingView_->setFrame(view()->bounds());
        view()->addSubview(loadingView_);
        indicator_->startAnimating();
    } else {
        indicator_->stopAnimating();
        loadingView_->removeFromSuperview();
    }
}

void Report::newNetWorkForTovikReport(tovikReport&) {
    // The thanks shows a second later, over whatever screen is left.
    ns::DelayedCall::schedule(ns::seconds(1),
                              [] { FloatView::showMessageInKeyWindow(kSentMessage); });
    showLoading(false);
    onBack();
}

void Report::newNetWorkForTovikReportError(const QVariantMap& failure) {
    // The typed report stays: the user reads why and may send it again.
    showLoading(false);
    const QString reason = failure.value(QStringLiteral("errDetail")).toString();
    AlertMessages::showAlertViewWithAlertTitle(kFailedTitle,
                                               reason.isEmpty() ? kNetworkMessage : reason);
}

void Report::onBack() {
    if (ui::NavigationController* navigation = navigationController())
        navigation->popViewControllerAnimated(true);
}

void Report::clickedButtonAtIndex(ui::AlertView& alert, int) {
    if (alert.tag() == kCloseAlertTag) onBack();
}

void Report::hideAlert(ui::AlertView& alert) {
    alert.dismissWithClickedButtonIndex(0, true);
    if (alert.tag() == kCloseAlertTag) onBack();
}

void Report::willMoveToParentViewController(ui::ViewController* parent) {
    ui::ViewController::willMoveToParentViewController(parent);
    // Leaving, the screen lets its report go: a late reply reaches no one.
    if (!parent && request_) tovikReport::cancel();
}
