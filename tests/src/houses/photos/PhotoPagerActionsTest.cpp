#include "PhotoPagerFixture.h"

#include "houses/broker/QXAgentInfoController.h"
#include "houses/shared/HouseFavourites.h"
#include "houses/shared/PosterTalk.h"
#include "platform/uikit/web_view.h"

class PhotoPagerActionsTest : public PhotoPagerFixture {
protected:
    void SetUp() override {
        PhotoPagerFixture::SetUp();
        changes_ = ns::NotificationCenter::defaultCenter().addObserver(
            HouseFavourites::kAddHistoryNotification,
            [this](const ns::Notification&) { ++favouriteChanges_; });
        icons_ = ns::NotificationCenter::defaultCenter().addObserver(
            "refreshIcon", [this](const ns::Notification&) { ++iconRefreshes_; });
    }

    // Taps the info bar's button with that code.
    void tapBar(ImageScrollPageController& pager, int code) {
        ASSERT_TRUE(driver_->tap(pager.houseSourceInfoBottomView()->viewWithTag(code)));
        settle();
    }
    [[nodiscard]] bool notice(const QString& text) const { return driver_->findByText(text); }
    [[nodiscard]] static std::shared_ptr<ui::Image> favouriteImage(
        ImageScrollPageController& pager) {
        return pager.houseSourceInfoBottomView()->favBtn()->backgroundImageForState(
            ui::kControlStateNormal);
    }
    [[nodiscard]] static std::shared_ptr<ui::Image> named(const QString& name) {
        return ui::Image::imageNamed(name);
    }
    [[nodiscard]] static bool saved(const QString& puid) {
        return QXIMDatabase::shared().historyExist(puid, QString::number(kOwnId));
    }
    std::shared_ptr<ImageScrollPageController> openWithPost(const QVariantMap& post) {
        return openPager(photos(2), 0, [&](ImageScrollPageController& pager) {
            pager.setShouldShowHouseInfoView(true);
            pager.setHouseInfoFromQXPostDetailNew(post);
        });
    }

    int favouriteChanges_ = 0;
    int iconRefreshes_ = 0;
    std::shared_ptr<void> changes_;
    std::shared_ptr<void> icons_;
};

TEST_F(PhotoPagerActionsTest, SavingWaitsForThePhotoAndThenPutsItInTheAlbum) {
    server().setFault({.prefix = "/img/posts/5000", .hold = true});
    auto pager = openPostPager(photos(2), 0);
    tapBar(*pager, QXFCHouseSourceInfoBottomView::kSaveCode);
    drainMainLoop();
    EXPECT_TRUE(ui::PhotoAlbum::imageFiles().isEmpty()) << "a photo still loading saves nothing";
    EXPECT_FALSE(notice("保存成功!"));

    server().clearFaultsAndReleaseHeld();
    ASSERT_TRUE(waitForPhoto(*pager->pageAt(0)));
    tapBar(*pager, QXFCHouseSourceInfoBottomView::kSaveCode);
    ASSERT_TRUE(waitFor([&] { return notice("保存成功!"); }));
    EXPECT_EQ(ui::PhotoAlbum::imageFiles().size(), 1);
    EXPECT_EQ(events().count("pviewer_download"), 2);

    // The info page has no photo to save.
    pager->saveCurrentImageToAlbum(pager->numberOfSlots() - 1);
    drainMainLoop();
    EXPECT_EQ(ui::PhotoAlbum::imageFiles().size(), 1);
}

TEST_F(PhotoPagerActionsTest, AnAlbumThatRefusesTheAppIsExplainedAndNothingIsSaved) {
    ui::PhotoAlbum::setAuthorizationStatus(ui::PhotoAlbum::AuthorizationStatus::Denied);
    auto pager = openPostPager(photos(1), 0);
    ASSERT_TRUE(waitForPhoto(*pager->pageAt(0)));
    tapBar(*pager, QXFCHouseSourceInfoBottomView::kSaveCode);
    auto* alert = driver_->find<ui::AlertView>();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "无法取得保存图片权限");
    EXPECT_EQ(alert->message(), "请在“设置-隐私-照片”中开启“Nevoru找房”的访问权限");
    drainMainLoop();
    EXPECT_TRUE(ui::PhotoAlbum::imageFiles().isEmpty());
}

TEST_F(PhotoPagerActionsTest, TheChatPicturesSaveButtonSavesTheOnePictureWhateverThePage) {
    auto pager = openPager({photo(7)}, 0,
                           [](ImageScrollPageController& p) { p.setShouldShowPicSaveBtn(true); });
    ASSERT_TRUE(waitForPhoto(*pager->pageAt(0)));
    pager->saveCurrentImageToAlbum(3);
    ASSERT_TRUE(waitFor([&] { return notice("保存成功!"); }));
    EXPECT_EQ(ui::PhotoAlbum::imageFiles().size(), 1);
    EXPECT_FALSE(events().contains("pviewer_download")) << "the chat's button logs nothing";
}

TEST_F(PhotoPagerActionsTest, TheFavouriteButtonAddsThePostAndTakesItOutAgain) {
    auto pager = openPostPager(photos(1), 0);
    EXPECT_EQ(favouriteImage(*pager), named(QXFCHouseSourceInfoBottomView::kFavouriteImage));
    tapBar(*pager, QXFCHouseSourceInfoBottomView::kFavouriteCode);
    EXPECT_TRUE(saved("100001005"));
    EXPECT_EQ(favouriteImage(*pager), named(QXFCHouseSourceInfoBottomView::kSavedFavouriteImage));
    EXPECT_TRUE(notice("收藏成功"));
    EXPECT_EQ(favouriteChanges_, 1);

    tapBar(*pager, QXFCHouseSourceInfoBottomView::kFavouriteCode);
    EXPECT_FALSE(saved("100001005"));
    EXPECT_EQ(favouriteImage(*pager), named(QXFCHouseSourceInfoBottomView::kFavouriteImage));
    EXPECT_TRUE(notice("取消收藏成功"));
    EXPECT_EQ(favouriteChanges_, 2);
    EXPECT_EQ(events().count("pviewer_fav"), 2);

    // A pager opened on a saved post shows it saved.
    tapBar(*pager, QXFCHouseSourceInfoBottomView::kFavouriteCode);
    closePager();
    auto again = openPostPager(photos(1), 0);
    EXPECT_EQ(favouriteImage(*again), named(QXFCHouseSourceInfoBottomView::kSavedFavouriteImage));
}

TEST_F(PhotoPagerActionsTest, AtFiftyFavouritesAnAddIsRefusedButASavedPostCanBeTakenOut) {
    const QString user = QString::number(kOwnId);
    for (int i = 0; i < HouseFavourites::kLimit - 1; ++i) {
        ASSERT_TRUE(
            QXIMDatabase::shared().saveHistoryContent("{}", user, QString("p%1").arg(i), 1));
    }
    auto pager = openPostPager(photos(1), 0);
    tapBar(*pager, QXFCHouseSourceInfoBottomView::kFavouriteCode);
    ASSERT_TRUE(saved("100001005")) << "the fiftieth fits";
    tapBar(*pager, QXFCHouseSourceInfoBottomView::kFavouriteCode);
    EXPECT_FALSE(saved("100001005")) << "taking out is never refused";

    ASSERT_TRUE(QXIMDatabase::shared().saveHistoryContent("{}", user, "p49", 1));
    tapBar(*pager, QXFCHouseSourceInfoBottomView::kFavouriteCode);
    EXPECT_EQ(alertMessage(), "客官，您收藏的房源超出限制，请管理看房记中的房源后再做添加");
    EXPECT_FALSE(saved("100001005"));
    EXPECT_EQ(favouriteImage(*pager), named(QXFCHouseSourceInfoBottomView::kFavouriteImage));
    EXPECT_EQ(favouriteChanges_, 2);
}

TEST_F(PhotoPagerActionsTest, APostWhosePuidIsNoNumberIsSavedOnceAndCanBeTakenOut) {
    QVariantMap post = PhotoPagerFixture::post();
    post["puid"] = "abc-77";
    auto pager = openWithPost(post);
    tapBar(*pager, QXFCHouseSourceInfoBottomView::kFavouriteCode);
    EXPECT_TRUE(saved("abc-77"));
    tapBar(*pager, QXFCHouseSourceInfoBottomView::kFavouriteCode);
    EXPECT_FALSE(saved("abc-77")) << "tested, saved and deleted under one form of the puid";
    EXPECT_TRUE(notice("取消收藏成功"));
    EXPECT_EQ(QXIMDatabase::shared().historyCountByUserId(QString::number(kOwnId)), 0);
}

TEST_F(PhotoPagerActionsTest, TheChatHandOffGivesTheChatScreenTheTalkWithThePoster) {
    auto pager = openPostPager(photos(1), 0);
    tapBar(*pager, QXFCHouseSourceInfoBottomView::kChatCode);
    ASSERT_EQ(chats_->made.size(), 1u);
    const QVariantMap talk = chats_->made[0]->talk;
    EXPECT_EQ(talk["u_id"], "7001");
    EXPECT_EQ(talk["t_id"], "8000012301-7001");
    EXPECT_EQ(talk["r_id"], "4294970000_1_1009_100");
    EXPECT_EQ(talk["o_user"],
              "{\"id\":\"8000012301\",\"name\":\"王伟\", \"phone\":\"13912345678\", "
              "\"creditScore\":\"4\", \"picUrl\":\"h.jpg\", \"streetName\":\"金桥\", "
              "\"companyName\":\"\", \"districtName\":\"浦东\"}");
    EXPECT_EQ(talk["p_post"], "{\"id\":\"4294970000_1_1009_100\",\"title\":\" \"}");
    EXPECT_EQ(chats_->made[0]->title(), "王伟");
    EXPECT_EQ(chats_->flags[0], std::make_pair(false, true));
    EXPECT_EQ(iconRefreshes_, 1);
    ui::NavigationController* stack = pager->navigationController();
    ASSERT_TRUE(stack);
    EXPECT_EQ(stack->topViewController(), chats_->made[0]);
    EXPECT_FALSE(stack->isNavigationBarHidden()) << "the chat screen has its bar";

    // With the chat on the stack, the pager goes back to it rather than opening another.
    stack->pushViewController(std::make_shared<ui::ViewController>(), false);
    pager->goToImPage();
    settle();
    EXPECT_EQ(chats_->made.size(), 1u);
    EXPECT_EQ(stack->topViewController(), chats_->made[0]);
    stack->popViewControllerAnimated(false);
    settle();
    EXPECT_TRUE(stack->isNavigationBarHidden()) << "back on the pager";
}

TEST_F(PhotoPagerActionsTest, TheTalkNamesThePostByItsPuidWithoutAnIdAndMarksAMissingRating) {
    QVariantMap post = PhotoPagerFixture::post();
    post["id"] = -1;
    post["city"] = "无名市";
    auto pager = openWithPost(post);
    pager->setAgentInfoFromQXPostDetailNew({});
    pager->goToImPage();
    ASSERT_EQ(chats_->made.size(), 1u);
    EXPECT_EQ(chats_->made[0]->talk["r_id"], "100001005_1_1009_0");
    EXPECT_TRUE(chats_->made[0]->talk["o_user"].toString().contains("\"creditScore\":\"-1\""));
}

TEST_F(PhotoPagerActionsTest, NoChatWithOneselfOrWithAPosterWithoutAnId) {
    QVariantMap post = PhotoPagerFixture::post();
    post["user_id"] = QString::number(kOwnId);
    auto own = openWithPost(post);
    own->goToImPage();
    EXPECT_EQ(alertMessage(), "不能和自己对话!");
    dismissAlerts();
    closePager();
    post["user_id"] = "0";
    auto nobody = openWithPost(post);
    nobody->goToImPage();
    EXPECT_EQ(alertMessage(), "对方暂时不能接受你的消息哦，试试短信或者打电话吧~");
    EXPECT_TRUE(chats_->made.empty());
    EXPECT_EQ(iconRefreshes_, 0);
}

TEST_F(PhotoPagerActionsTest,
       TheBrokerOfARecommendedHouseIsCheckedBeforeTheTalkTooAndTalksAboutTheNeed) {
    QVariantMap house{{"puid", "200003"}, {"userId", QString::number(kOwnId)},
                      {"person", "张伟"}, {"phone", "13800005003"},
                      {"photo", "p.jpg"}, {"companyName", "和顺地产"}};
    auto open = [&] {
        return openPager(photos(1), 0, [&](ImageScrollPageController& p) {
            p.setShouldShowHouseInfoView(true);
            p.setPostIdFromFindHouseRequestDetailPage("N-77");
            p.setHouseInfoFromFindHouseRequestDetailPage(house);
        });
    };
    open()->goToImPage();
    EXPECT_EQ(alertMessage(), "不能和自己对话!");
    dismissAlerts();
    closePager();
    house["userId"] = "";
    open()->goToImPage();
    EXPECT_EQ(alertMessage(), "对方暂时不能接受你的消息哦，试试短信或者打电话吧~");
    dismissAlerts();
    closePager();
    EXPECT_TRUE(chats_->made.empty());

    house["userId"] = "5003";
    open()->goToImPage();
    ASSERT_EQ(chats_->made.size(), 1u);
    const QVariantMap talk = chats_->made[0]->talk;
    EXPECT_EQ(talk["t_id"], "5003-7001");
    EXPECT_EQ(talk["r_id"], "N-77");
    EXPECT_EQ(talk["p_post"], "{\"id\":\"N-77\",\"title\":\" \"}");
    EXPECT_TRUE(talk["o_user"].toString().contains("\"creditScore\":\"0\""));
    EXPECT_TRUE(talk["o_user"].toString().contains("\"phone\":\"13800005003\""));
    EXPECT_EQ(chats_->flags[0], std::make_pair(false, false));
}

TEST_F(PhotoPagerActionsTest, ACallGoesToTheFirstMobileNumberAndNowhereWithoutOne) {
    auto pager = openPostPager(photos(1), 0);
    EXPECT_EQ(pager->getUserPhones(), (QStringList{"021888888", "13912345678"}));
    tapBar(*pager, QXFCHouseSourceInfoBottomView::kCallCode);
    ASSERT_TRUE(pager->webViewforPhone());
    ASSERT_TRUE(waitFor([] { return !ui::Application::sharedApplication().openedURLs().empty(); }));
    EXPECT_EQ(ui::Application::sharedApplication().openedURLs().back(), QUrl("tel://13912345678"));
    closePager();

    QVariantMap landline = PhotoPagerFixture::post();
    landline["phone"] = "021888888";
    auto without = openWithPost(landline);
    without->callAgent();
    EXPECT_FALSE(without->webViewforPhone());
}

TEST_F(PhotoPagerActionsTest, TheInfoPagesButtonsChatCallAndOpenTheBrokersPage) {
    auto pager = openBrokersPostPager(photos(2), sampleBroker());
    swipe(true);
    swipe(true);
    auto* panel = pager->houseSourceInfoDetailView();
    ASSERT_TRUE(waitFor([&] { return !panel->agentNameLbl()->text().isEmpty(); }));
    ASSERT_TRUE(driver_->tap(panel->phoneBtn()));
    EXPECT_TRUE(events().contains("pviewer_lastpage_call"));
    ASSERT_TRUE(alerts_->pressButton("取消")) << "the phone's call sheet";
    ASSERT_TRUE(driver_->tap(panel->chatBtn()));
    settle();
    EXPECT_TRUE(events().contains("pviewer_lastpage_imchat"));
    ASSERT_EQ(chats_->made.size(), 1u);
    ui::NavigationController* stack = pager->navigationController();
    stack->popViewControllerAnimated(false);
    settle();

    ASSERT_TRUE(driver_->tap(panel->agentNameLbl()));
    settle();
    // The broker's shop page, given the shop data the panel shows and the post to talk about.
    auto page = std::dynamic_pointer_cast<QXAgentInfoController>(stack->topViewController());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->agentId(), QString::number(sampleBroker().userId));
    EXPECT_EQ(page->dataInfo()["baseInfo"].toMap()["name"], sampleBroker().name);
    EXPECT_EQ(page->postId(), PosterTalk::talkPostId(pager->houseInfoFromQXPostDetailNew()));
}
