// The detail's text message to the poster, its share row with the first photo it shares, and
// the row that leads to another list of houses.
#include "DetailScreenFixture.h"

#include "houses/shared/PosterPhones.h"
#include "platform/uikit/action_sheet.h"
#include "platform/uikit/application.h"
#include "platform/uikit/button.h"
#include "platform/uikit/message_compose_view_controller.h"
#include "platform/uikit/text_view.h"
#include "standin/PostDetailCalls.h"

using namespace standin;

class PostDetailSharingTest : public DetailScreenFixture {
protected:
    void TearDown() override {
        ui::MessageComposeViewController::setTextMessaging(std::nullopt);
        DetailScreenFixture::TearDown();
    }
    // The detail of a post whose poster is reached at `phone` (as the list sends it).
    void openWithPhone(const QString& phone, bool titled = true) {
        QVariantMap post = listPost(1);
        post["phone"] = PostDetailCalls::encipher(phone);
        if (!titled) post.remove("title");
        show(QXPostDetailNew::initWithContent(post, 7, 1));
    }
    // The composer over the detail (presented by it or by its stack).
    [[nodiscard]] ui::MessageComposeViewController* composer() const {
        for (const auto& presenter :
             std::initializer_list<std::shared_ptr<ui::ViewController>>{detail_, navigation_}) {
            if (auto* shown = dynamic_cast<ui::MessageComposeViewController*>(
                    presenter->presentedViewController().get()))
                return shown;
        }
        return nullptr;
    }
};

TEST_F(PostDetailSharingTest, TheTextMessageGoesToThePostersMobileAndTheUserHearsHowItWent) {
    ui::MessageComposeViewController::setTextMessaging(ui::TextMessaging::Sends);
    openWithPhone("021-6543210,13912345678");
    ASSERT_EQ(detail_->phoneType(), PosterPhones::kOther);
    detail_->sendSms();
    settle();
    EXPECT_EQ(composer(), nullptr) << "a landline takes no text message";

    openWithPhone("13912345678");
    detail_->sendSms();
    settle();
    ASSERT_NE(composer(), nullptr);
    EXPECT_EQ(composer()->recipients(), QStringList{"13912345678"});
    EXPECT_EQ(composer()->body(),
              "您好，我对您的房源很感兴趣，请尽快与我取得联系吧[TovikNevoru找房用户]");
    EXPECT_TRUE(driver_->tapText("发送"));
    settle();
    EXPECT_EQ(alertMessage(), "短信发送成功");
    EXPECT_EQ(composer(), nullptr) << "the composer goes";
    dismissAlert();

    ui::MessageComposeViewController::setTextMessaging(ui::TextMessaging::Fails);
    openWithPhone("15800001111", false);
    detail_->sendSms();
    settle();
    ASSERT_NE(composer(), nullptr);
    EXPECT_EQ(composer()->body(), "") << "a post without a title gets no text written for it";
    EXPECT_TRUE(driver_->tapText("发送"));
    settle();
    // The phone says so first, over its composer; the detail then says it too.
    ASSERT_NE(alerts_->visibleAlert(), nullptr);
    EXPECT_EQ(alerts_->visibleAlert()->title(), ui::MessageComposeViewController::kNotSentTitle);
    EXPECT_NE(composer(), nullptr);
    ASSERT_TRUE(alerts_->pressButton(ui::MessageComposeViewController::kNotSentButton));
    settle();
    EXPECT_EQ(alertMessage(), "短信发送失败");
    EXPECT_EQ(composer(), nullptr);
    dismissAlert();

    detail_->sendSms();
    settle();
    ASSERT_NE(composer(), nullptr);
    EXPECT_TRUE(driver_->tapText("取消"));
    settle();
    EXPECT_EQ(alerts_->visibleAlert(), nullptr) << "giving up is told nothing";
    EXPECT_EQ(composer(), nullptr);

    // A phone without text messaging shows no composer at all.
    ui::MessageComposeViewController::setTextMessaging(ui::TextMessaging::None);
    detail_->sendSms();
    settle();
    EXPECT_EQ(composer(), nullptr);
    EXPECT_EQ(alerts_->visibleAlert(), nullptr);
}

// The text the detail writes for the poster is the user's to change before it goes: a tap in
// the composer's body takes the keys, which type at the caret.
TEST_F(PostDetailSharingTest, TheComposersBodyTakesTheUsersKeys) {
    ui::MessageComposeViewController::setTextMessaging(ui::TextMessaging::Sends);
    openWithPhone("13912345678");
    detail_->sendSms();
    settle();
    ASSERT_NE(composer(), nullptr);
    auto* body = driver_->find<ui::TextView>(
        [](ui::TextView& view) { return view.text().startsWith("您好"); });
    ASSERT_NE(body, nullptr);
    ASSERT_TRUE(driver_->tap(body));
    ASSERT_TRUE(body->isFirstResponder());
    // Up past the first line is the text's start.
    for (int line = 0; line < 4; ++line) driver_->pressCaretKey(ui::CaretMovement::Up);
    EXPECT_EQ(body->selectedRange(), (ui::Range{0, 0}));
    EXPECT_TRUE(driver_->type("王先生，"));
    EXPECT_TRUE(body->text().startsWith("王先生，您好，我对您的房源很感兴趣"));
    EXPECT_TRUE(driver_->tapText("发送"));
    settle();
    EXPECT_EQ(composer(), nullptr);
    EXPECT_EQ(alertMessage(), "短信发送成功");
    dismissAlert();
}

TEST_F(PostDetailSharingTest, TheShareRowOffersTheMessengerAndTheAlertItsStorePage) {
    openWithPhone("");
    ASSERT_TRUE(detail_->postPhone().isEmpty());
    const double y = detail_->contentHeight();
    detail_->addSendWeixin();
    auto* box = detail_->pageContent()->viewWithTag(QXPostDetailNew::kShareBoxTag);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->frame().origin.y, y);
    EXPECT_GT(detail_->contentHeight(), box->frame().maxY()) << "later rows come below it";
    EXPECT_TRUE(box->isUserInteractionEnabled());
    auto* share = dynamic_cast<ui::Button*>(box->subviews().front().get());
    ASSERT_NE(share, nullptr);
    EXPECT_EQ(share->titleForState(ui::kControlStateNormal), "微信分享");
    EXPECT_EQ(share->titleColorForState(ui::kControlStateNormal), ui::Color::grayColor())
        << "a poster who cannot be reached reads paler";

    // The button offers the one share; closing the sheet does nothing more.
    const auto opened = ui::Application::sharedApplication().openedURLs().size();
    detail_->smsAction();
    settle();
    ui::ActionSheet* sheet = alerts_->visibleSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->tag(), QXPostDetailNew::kShareSheetTag);
    EXPECT_EQ(sheet->buttonTitleAtIndex(0), "分享给微信好友");
    EXPECT_TRUE(alerts_->pressButton("取消"));
    settle();
    EXPECT_EQ(alerts_->visibleSheet(), nullptr);

    // An alert the detail hears opens the messenger's store page with its button 1 only.
    const auto ask = [&](int button) {
        auto alert = std::make_shared<ui::AlertView>(
            "", "", std::static_pointer_cast<ui::AlertViewDelegate>(detail_), "取消",
            QStringList{"去下载"});
        alert->show();
        settle();
        ASSERT_TRUE(alerts_->pressButtonAtIndex(button));
        settle();
    };
    ask(0);
    EXPECT_EQ(ui::Application::sharedApplication().openedURLs().size(), opened);
    ask(1);
    ASSERT_EQ(ui::Application::sharedApplication().openedURLs().size(), opened + 1);
    EXPECT_EQ(ui::Application::sharedApplication().openedURLs().back(),
              QUrl(QXPostDetailNew::kMessengerStorePage));

    // A poster with a number reads in black.
    openWithPhone("13912345678");
    detail_->addSendWeixin();
    auto* reachable = dynamic_cast<ui::Button*>(detail_->pageContent()
                                                    ->viewWithTag(QXPostDetailNew::kShareBoxTag)
                                                    ->subviews()
                                                    .front()
                                                    .get());
    EXPECT_EQ(reachable->titleColorForState(ui::kControlStateNormal), ui::Color::blackColor());
}

TEST_F(PostDetailSharingTest, TheFirstPhotoIsFetchedForTheShareAndTheOtherHouseRowLeadsOn) {
    openWithPhone("13912345678");
    EXPECT_EQ(detail_->weiXinImage(), nullptr);
    detail_->uploadWeiXinImage(server().root() + "/img/nowhere/missing.jpg");
    const auto imageRequests = [&] { return server().requests("/img/").size(); };
    ASSERT_TRUE(waitFor([&] { return imageRequests() >= 1; }));
    settle();
    EXPECT_EQ(detail_->weiXinImage(), nullptr) << "a photo that does not come is no photo";
    detail_->uploadWeiXinImage(server().root() + "/img/house/3.jpg");
    ASSERT_TRUE(settleUntil([&] { return detail_->weiXinImage() != nullptr; }));
    EXPECT_GT(detail_->weiXinImage()->size().width, 0);

    const double y = detail_->contentHeight();
    int entered = 0;
    detail_->addOtherHouse("查看更多相似房源", [&] { ++entered; });
    EXPECT_EQ(detail_->contentHeight(), y + 30);
    ui::View* title = driver_->findByText("查看更多相似房源");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->convertRectToView(title->bounds(), detail_->pageContent()),
              ui::Rect(12, y + 10, 300, 20));
    // Placed after the build, the row lies past the page's end: its control is pressed as a
    // build that places it would let a finger press it.
    auto* row = dynamic_cast<ui::Button*>(title->superview());
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->frame(), ui::Rect(0, y, 320, 30));
    row->sendActionsForControlEvents(ui::kControlEventTouchUpInside);
    EXPECT_EQ(entered, 1);
}
