// The detail's bottom bar: the poster's name and number, the call button and the chat
// button, in its live look while the poster is online; and the text message to the poster.
#include "IMChat/qximlib/qximdata/util/QXIMUtil.h"
#include "analytics/StatClick.h"
#include "houses/detail/QXPostDetailNew.h"
#include "houses/shared/PosterPhones.h"
#include "houses/shared/PosterTalk.h"
#include "platform/uikit/application.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_bar.h"
#include "platform/uikit/navigation_controller.h"
#include "ui/widgets/AlertMessages.h"
#include "util/categories/Tolerant.h"

#include <QUrl>

namespace {

std::shared_ptr<ui::Image> stretched(const QString& name) {
    auto image = ui::Image::imageNamed(name);
    if (!image) return nullptr;
    return image->stretchableImageWithLeftCapWidth(int(image->size().width / 2),
                                                   int(image->size().height / 2));
}

std::shared_ptr<ui::Label> barLabel(const ui::Rect& frame, int tag, const ui::Color& colour) {
    auto label = std::make_shared<ui::Label>(frame);
    label->setTag(tag);
    label->setFont(ui::Font::systemFontOfSize(14));
    label->setTextColor(colour);
    label->setBackgroundColor(ui::Color::clearColor());
    return label;
}

}  // namespace

void QXPostDetailNew::getValidPhone() {
    const PosterPhones::Contact contact =
        PosterPhones::contactNumber(contentDict_.value(QStringLiteral("phone")));
    postPhone_ = contact.phone;
    phoneType_ = contact.phoneType;
}

void QXPostDetailNew::addBottomBar() {
    if (!bottomView_) {
        bottomView_ = std::make_shared<ui::ImageView>(
            ui::Rect(0, pageHeight() - kBarHeight, kWidth, kBarHeight));
        bottomView_->setImage(ui::Image::imageNamed(QStringLiteral("联系人tab.png")));
        bottomView_->setUserInteractionEnabled(true);
        bottomView_->addSubview(barLabel({8, 6, 150, 16}, kNameLabelTag, ui::Color::blackColor()));
        auto number = barLabel({8, 24, 150, 16}, kPhoneLabelTag, ui::Color::grayColor());
        number->setLineBreakMode(ui::LineBreakMode::CharacterWrap);
        bottomView_->addSubview(number);
        auto call = std::make_shared<ui::Button>(ui::Rect(165, 6.5, 74, 34));
        call->setTag(kCallButtonTag);
        call->setBackgroundImage(stretched(QStringLiteral("底栏按钮34px.png")),
                                 ui::kControlStateNormal);
        call->setBackgroundImage(stretched(QStringLiteral("底栏按钮34px-点击态.png")),
                                 ui::kControlStateHighlighted);
        call->setImage(ui::Image::imageNamed(QStringLiteral("底栏电话.png")),
                       ui::kControlStateNormal);
        call->addTarget(this, ui::kControlEventTouchUpInside,
                        [this](ui::Control&, const ui::Event*) { contactPerson(); });
        bottomView_->addSubview(call);
        auto chat = std::make_shared<ui::Button>(ui::Rect(243, 6.5, 74, 34));
        chat->setTag(kChatButtonTag);
        chat->addTarget(this, ui::kControlEventTouchUpInside,
                        [this](ui::Control&, const ui::Event*) { communicatePerson(); });
        auto icon = std::make_shared<ui::ImageView>(ui::Rect(0, 0, 74, 34));
        icon->setTag(kChatIconTag);
        icon->setContentMode(ui::ContentMode::Center);
        icon->setUserInteractionEnabled(false);
        chat->addSubview(icon);
        bottomView_->addSubview(chat);
        // Without paging the bar lies over the bottom of the scroll view; with paging it is
        // the table's footer.
        if (!list_.lock()) view()->addSubview(bottomView_);
    }
    QString name = contentDict_.value(QStringLiteral("person")).toString();
    if (contentDict_.contains(QStringLiteral("agent")))
        name += QStringLiteral(" (%1)").arg(contentDict_.value(QStringLiteral("agent")).toString());
    static_cast<ui::Label*>(bottomView_->viewWithTag(kNameLabelTag))->setText(name);
    static_cast<ui::Label*>(bottomView_->viewWithTag(kPhoneLabelTag))
        ->setText(postPhone_.isEmpty()
                      ? QString()
                      : QStringLiteral("%1 (%2)").arg(
                            postPhone_, contentDict_.value(QStringLiteral("city")).toString()));
    static_cast<ui::Button*>(bottomView_->viewWithTag(kCallButtonTag))
        ->setEnabled(!postPhone_.isEmpty());
    auto* chat = static_cast<ui::Button*>(bottomView_->viewWithTag(kChatButtonTag));
    const QString look =
        onlineIm_ ? QStringLiteral("底栏按钮34px") : QStringLiteral("底栏留言按钮34px");
    chat->setBackgroundImage(stretched(look + QStringLiteral(".png")), ui::kControlStateNormal);
    chat->setBackgroundImage(stretched(look + QStringLiteral("-点击态.png")),
                             ui::kControlStateHighlighted);
    static_cast<ui::ImageView*>(chat->viewWithTag(kChatIconTag))
        ->setImage(ui::Image::imageNamed(onlineIm_ ? QStringLiteral("底栏聊天.png")
                                                   : QStringLiteral("底栏留言.png")));
}

void QXPostDetailNew::contactPerson() {
    if (postPhone_.isEmpty()) return;
    StatClick::event(QStringLiteral("house_bn_calling"));
    ui::Application::sharedApplication().openURL(QUrl(QStringLiteral("tel://") + postPhone_));
}

void QXPostDetailNew::communicatePerson() {
    ui::NavigationController* navigation = navigationController();
    if (!navigation) return;
    const PosterTalk talk = PosterTalk::ofPost(contentDict_, agentInfo_, postPhone_);
    (void)talk.open(*navigation, talk.name, hiddenChatAgentInfo_,
                    Tolerant(QVariant(contentDict_))[QStringLiteral("agent")].isEqualToString(
                        QStringLiteral("经纪人")));
}

void QXPostDetailNew::sendSms() {
    if (postPhone_.isEmpty() || phoneType_ != PosterPhones::kMobile) return;
    showSMSPicker();
}

void QXPostDetailNew::showSMSPicker() {
    // A phone without text messaging gets no composer and no message.
    if (!ui::MessageComposeViewController::canSendText()) return;
    displaySMSComposerSheet();
}

void QXPostDetailNew::displaySMSComposerSheet() {
    auto composer = std::make_shared<ui::MessageComposeViewController>();
    composer->setMessageComposeDelegate(weakAs<QXPostDetailNew>());
    composer->navigationBar()->setBarStyle(ui::BarStyle::Default);
    if (QXIMUtil::DeviceSystemVersionIsiOS7()) {
        composer->navigationBar()->setTitleTextAttributes(
            {.font = ui::Font::systemFontOfSize(18), .textColor = ui::Color::blackColor()});
        ui::Application::sharedApplication().setStatusBarStyle(ui::StatusBarStyle::Default);
    }
    if (contentDict_.contains(QStringLiteral("title"))) composer->setBody(kSmsBody);
    composer->setRecipients({postPhone_});
    presentViewController(composer, true);
}

void QXPostDetailNew::didFinishWithResult(ui::MessageComposeViewController& controller,
                                          ui::MessageComposeResult result) {
    if (result == ui::MessageComposeResult::Sent) {
        AlertMessages::showAlertViewWithAlertString(kSmsSent);
    } else if (result == ui::MessageComposeResult::Failed) {
        AlertMessages::showAlertViewWithAlertString(kSmsFailed);
    }
    controller.dismissViewControllerAnimated(true);
}
