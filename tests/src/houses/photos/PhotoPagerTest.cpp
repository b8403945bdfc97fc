#include "PhotoPagerFixture.h"

#include "ReferenceImage.h"
#include "map/URLPic.h"
#include "ui/widgets/LoadingOverlay.h"

class PhotoPagerTest : public PhotoPagerFixture {
protected:
    // A house a broker recommended for a need, as the replies list it.
    [[nodiscard]] static QVariantMap recommendedHouse(const QString& userId = "5003") {
        return {{"puid", "200003"},
                {"userId", userId},
                {"title", "徐家汇 2室1厅 精装修"},
                {"price", "4200元/月"},
                {"houseAttribute", "2室1厅 62㎡"},
                {"xiaoqu_address", "徐汇区天钥桥路100弄"},
                {"person", "张伟"},
                {"phone", "13800005003"},
                {"photo", "p.jpg"},
                {"companyName", "和顺地产"}};
    }
    // The data-share endpoint answers every call with one body that is both the whole post
    // ("posts") and the broker's privileges ("isZuzeridUser", "baseInfo").
    void answerDataShare(const QStringList& thumbs, int broker = 1) {
        const QJsonObject post{{"puid", "200003"},
                               {"title", "徐家汇 2室1厅 精装修"},
                               {"major_category", 1},
                               {"ThumbImageUrls", thumbs.join(',')}};
        const QJsonObject body{
            {"posts", QJsonArray{post}},
            {"isZuzeridUser", broker},
            {"baseInfo",
             QJsonObject{{"name", "张伟"}, {"companyName", "和顺地产"}, {"creditScore", 3}}}};
        server().setFault({.prefix = standin::paths::kDataShare,
                           .body = QJsonDocument(body).toJson(QJsonDocument::Compact)});
    }
    std::shared_ptr<ImageScrollPageController> openNeedReplyPager(const QStringList& urls,
                                                                  const QVariant& house) {
        return openPager(urls, 0, [&](ImageScrollPageController& pager) {
            pager.setShouldShowHouseInfoView(true);
            pager.setPostIdFromFindHouseRequestDetailPage("N-77");
            pager.setHouseInfoFromFindHouseRequestDetailPage(house);
        });
    }
    [[nodiscard]] static bool coverShown(ImageScrollPageController& pager) {
        return pager.houseSourceInfoDetailView()->viewWithTag(LoadingOverlay::kTag);
    }
    [[nodiscard]] static QString counter(ImageScrollPageController& pager) {
        return shown(pager.houseSourceInfoBottomView()->imageNumIndicatorLbl());
    }
    // Thumbnail URLs of the whole post: `matching` of them are the strip's photos again.
    [[nodiscard]] QStringList thumbs(int count, int matching) const {
        QStringList urls;
        for (int i = 0; i < count; ++i) {
            urls << (i < matching ? photo(i) : photo(100 + i)).replace("_100-75_", "_240-180_");
        }
        return urls;
    }
};

TEST_F(PhotoPagerTest, PostModeLoadsThreePagesAroundTheOneShownAndCountsTheInfoPage) {
    auto pager = openPostPager(photos(5), 0);
    EXPECT_EQ(pager->numberOfSlots(), 6);
    EXPECT_TRUE(pager->pageAt(0));
    EXPECT_TRUE(pager->pageAt(1));
    EXPECT_FALSE(pager->pageAt(2));
    EXPECT_FALSE(pager->houseSourceInfoDetailView()->superview());
    EXPECT_EQ(counter(*pager), "1/6");
    EXPECT_EQ(shown(pager->houseSourceInfoBottomView()->titleLbl()), "浦东 两居室 精装修 近地铁");
    EXPECT_EQ(shown(pager->houseSourceInfoBottomView()->priceLbl()), "4500元/月");
    EXPECT_EQ(shown(pager->houseSourceInfoBottomView()->subTitleLbl()),
              "金桥新村 2室1厅1卫 78㎡ 南");
    EXPECT_EQ(pager->view()->frame(), ui::Rect(0, 0, 320, 480));
    EXPECT_FALSE(coverShown(*pager)) << "the detail handed everything in";
    EXPECT_FALSE(host_->dragBack);
    closePager();

    auto atLast = openPostPager(photos(5), 4);
    EXPECT_TRUE(atLast->houseSourceInfoDetailView()->superview()) << "the info page is a neighbour";
    EXPECT_EQ(atLast->houseSourceInfoDetailView()->frame().origin.x, 5 * 320);
    EXPECT_EQ(counter(*atLast), "5/6");
}

TEST_F(PhotoPagerTest, TheBarGoesOnTheInfoPageAndAnEighthOfItDecidesWhileDragging) {
    auto pager = openPostPager(photos(5), 3);
    swipe(true);
    EXPECT_EQ(counter(*pager), "5/6");
    EXPECT_FALSE(pager->houseSourceInfoBottomView()->isHidden());
    swipe(true);
    EXPECT_EQ(pager->page(), 5);
    EXPECT_EQ(counter(*pager), "6/6");
    EXPECT_TRUE(pager->houseSourceInfoBottomView()->isHidden());
    EXPECT_TRUE(events().contains("pviewer_lastpage_show"));

    ui::ScrollView& scroll = *pager->scrollView();
    auto* bar = pager->houseSourceInfoBottomView();
    // With the info page at 1600, an eighth of it is in view from 1320 on.
    scroll.setContentOffset({1321, 0});
    EXPECT_TRUE(bar->isHidden()) << "dragging back, more than an eighth still in view";
    scroll.setContentOffset({1319.5, 0});
    EXPECT_FALSE(bar->isHidden());
    EXPECT_TRUE(bar->isUserInteractionEnabled());
    scroll.setContentOffset({1319.8, 0});
    EXPECT_FALSE(bar->isHidden()) << "dragging toward it, not yet an eighth";
    scroll.setContentOffset({1320, 0});
    EXPECT_TRUE(bar->isHidden());
    EXPECT_FALSE(bar->isUserInteractionEnabled());
    scroll.setContentOffset({1000, 0});
    EXPECT_FALSE(bar->isHidden());
}

TEST_F(PhotoPagerTest, ReachingTheInfoPageWithTheBarsOutBringsTheBackButtonBack) {
    auto pager = openPostPager(photos(2), 1);
    const ui::Rect back = pager->backButton()->frame();
    pager->showOrHideHouseSourceInfoBottomView();
    settle();
    EXPECT_NE(pager->backButton()->frame(), back);
    swipe(true);
    EXPECT_FALSE(pager->houseSourceInfoBottomViewHidden());
    EXPECT_EQ(pager->backButton()->frame(), back);
}

TEST_F(PhotoPagerTest, AChatPictureShowsItsCounterAndSaveButtonAndNoHouseInfo) {
    auto pager = openPager({photo(1)}, 0,
                           [](ImageScrollPageController& p) { p.setShouldShowPicSaveBtn(true); });
    EXPECT_EQ(pager->numberOfSlots(), 1);
    EXPECT_EQ(shown(pager->imageNumIndicatorLbl()), "1/1");
    EXPECT_NEAR(pager->imageNumIndicatorLbl()->center().x, 160, 0.5);
    ASSERT_TRUE(pager->saveButton());
    EXPECT_EQ(driver_->textOf(pager->saveButton()), "保存");
    EXPECT_EQ(pager->saveButton()->frame(), ui::Rect(270, 30, 40, 40));
    EXPECT_FALSE(pager->houseSourceInfoBottomView());
    EXPECT_FALSE(pager->houseSourceInfoDetailView());
    drainMainLoop();
    EXPECT_TRUE(calls("GetUserPrivilegeByUserId").empty());
}

TEST_F(PhotoPagerTest, APostersCardShowsTheBrokerAndWhetherTheyAreOnline) {
    const standin::SampleBroker broker = sampleBroker();
    auto pager = openBrokersPostPager(photos(1), broker);
    auto* panel = pager->houseSourceInfoDetailView();
    ASSERT_TRUE(waitFor([&] {
        return !panel->agentNameLbl()->text().isEmpty() &&
               !panel->onlineStatusLbl()->text().isEmpty();
    }));
    EXPECT_EQ(panel->agentNameLbl()->text(), broker.name);
    EXPECT_EQ(panel->houseInfoPostByUserLbl()->text(),
              QString("该套房源由%1%2发布").arg(broker.company, broker.name));
    EXPECT_EQ(panel->onlineStatusLbl()->text(), broker.userId % 2 ? "[在线]" : "[离线]");
    EXPECT_EQ(calls("GetUserPrivilegeByUserId")[0].header("interface"), "GetUserPrivilegeByUserId");
    // The detail under the pager asks about its own poster; the pager asks once about its own.
    const auto statuses = server().requests(standin::paths::kBackend);
    EXPECT_EQ(std::count_if(statuses.begin(), statuses.end(),
                            [&](const auto& request) {
                                return request.body.contains(QByteArray::number(broker.userId));
                            }),
              1);
}

TEST_F(PhotoPagerTest, ARecommendedHouseIsCompletedToSeventeenPhotosBeforeItsInfoPage) {
    answerDataShare(thumbs(20, 3));
    auto pager = openNeedReplyPager(photos(3), recommendedHouse());
    EXPECT_EQ(counter(*pager), "1/4") << "the strip's photos and the info page meanwhile";
    ASSERT_TRUE(waitFor([&] { return pager->imageNames().size() > 3 || !pager->hasInfoPage(); }));
    EXPECT_EQ(pager->imageNames().size(), 17);
    EXPECT_EQ(pager->imageNames()[3], thumbs(20, 3)[3])
        << "the first new photo follows the strip's";
    EXPECT_EQ(pager->numberOfSlots(), 18);
    EXPECT_EQ(counter(*pager), "1/18");
    EXPECT_EQ(pager->houseSourceInfoDetailView()->frame().origin.x, 17 * 320);
    EXPECT_EQ(pager->scrollView()->contentSize(), ui::Size(18 * 320, 480 - 125));
    EXPECT_FALSE(coverShown(*pager));
    EXPECT_EQ(pager->dictContainAllData().value("puid"), "200003");
    EXPECT_FALSE(pager->pageAt(4)) << "new pages load when the user reaches them";
    const auto sent = calls("GetPost");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].header("puid"), "200003");
    EXPECT_TRUE(sent[0].body.isEmpty());
    EXPECT_FALSE(sent[0].hasHeader("cityScriptIndex"));
}

TEST_F(PhotoPagerTest, TheMergeAddsNothingPastSeventeenAndDropsTheSurplusOfUnmatchedPhotos) {
    answerDataShare(thumbs(5, 0));
    auto full = openNeedReplyPager(photos(17), recommendedHouse());
    ASSERT_TRUE(waitFor([&] { return !full->dictContainAllData().isEmpty(); }));
    EXPECT_EQ(full->imageNames().size(), 17);
    EXPECT_EQ(counter(*full), "1/18");
    closePager();

    auto unmatched = openNeedReplyPager(photos(3), recommendedHouse());
    ASSERT_TRUE(waitFor([&] { return !unmatched->dictContainAllData().isEmpty(); }));
    // No strip photo matches: five candidates, of which only 5 - 3 fit the post's count.
    EXPECT_EQ(unmatched->imageNames().size(), 5);
    EXPECT_EQ(unmatched->imageNames().mid(3), thumbs(5, 0).mid(0, 2));
}

TEST_F(PhotoPagerTest, WithoutTheWholePostTheRecommendedHouseKeepsItsPhotosAndLosesTheInfoPage) {
    server().setFault({.prefix = standin::paths::kDataShare, .status = 500});
    auto pager = openNeedReplyPager(photos(3), recommendedHouse());
    ASSERT_TRUE(waitFor([&] { return !pager->hasInfoPage(); }));
    EXPECT_EQ(pager->numberOfSlots(), 3);
    EXPECT_EQ(counter(*pager), "1/3");
    EXPECT_EQ(pager->scrollView()->contentSize().width, 3 * 320);
    EXPECT_FALSE(pager->houseSourceInfoBottomView()->isHidden());
    EXPECT_FALSE(pager->houseSourceInfoDetailView()->superview());

    // A reply whose post has no thumbnails does the same.
    closePager();
    answerDataShare({});
    auto empty = openNeedReplyPager(photos(2), recommendedHouse());
    ASSERT_TRUE(waitFor([&] { return !empty->hasInfoPage(); }));
    EXPECT_EQ(counter(*empty), "1/2");
}

TEST_F(PhotoPagerTest, AHouseThatIsNotADictionaryEndsTheLoadingAndAsksNothing) {
    auto pager = openNeedReplyPager(photos(2), QVariant(QStringLiteral("200003")));
    EXPECT_EQ(alertMessage(), "加载信息出错，请稍后再试");
    EXPECT_FALSE(pager->hasInfoPage()) << "no info page waits for ever behind its cover";
    EXPECT_FALSE(coverShown(*pager));
    EXPECT_EQ(counter(*pager), "1/2");
    drainMainLoop();
    EXPECT_TRUE(calls("GetPost").empty());
}

TEST_F(PhotoPagerTest, ARecommendingPersonalUserGetsNoBrokerCardButTheirOnlineStateIsAsked) {
    answerDataShare(thumbs(3, 3), 0);
    auto pager = openNeedReplyPager(photos(3), recommendedHouse("5003"));
    auto* panel = pager->houseSourceInfoDetailView();
    ASSERT_TRUE(waitFor([&] { return !panel->onlineStatusLbl()->text().isEmpty(); }));
    EXPECT_EQ(panel->onlineStatusLbl()->text(), "[在线]");
    EXPECT_TRUE(panel->agentNameLbl()->text().isEmpty());
    EXPECT_TRUE(panel->houseInfoPostByUserLbl()->text().isEmpty());
    EXPECT_EQ(shown(panel->addressLbl()), "徐汇区天钥桥路100弄");
    EXPECT_EQ(shown(pager->houseSourceInfoBottomView()->priceLbl()), "4200元/月");
}

TEST_F(PhotoPagerTest, BackCancelsThePagersCallsAndNothingArrivesAfterwards) {
    // The server holds the answers until the back button has been tapped.
    server().setFault({.prefix = standin::paths::kDataShare, .hold = true});
    auto pager = openPostPager(photos(2), 0);
    ASSERT_TRUE(waitFor([&] { return calls("GetUserPrivilegeByUserId").size() == 1; }));
    ASSERT_TRUE(driver_->tap(pager->backButton()));
    settle();
    EXPECT_FALSE(navigation_->presentedViewController());
    // An answer that was not cancelled lands now.
    ASSERT_TRUE(letHeldRepliesArrive());
    EXPECT_TRUE(pager->houseSourceInfoDetailView()->agentNameLbl()->text().isEmpty());
    EXPECT_TRUE(host_->dragBack) << "switched on again as the pager went";

    // The pager stopped watching its scroll view.
    pager->houseSourceInfoBottomView()->setHidden(false);
    pager->scrollView()->setContentOffset({0, 0});
    pager->scrollView()->setContentOffset({600, 0});
    EXPECT_FALSE(pager->houseSourceInfoBottomView()->isHidden());
}

TEST_F(PhotoPagerTest, APagerDismissedWithoutBackStopsObservingTheDownloadedPictures) {
    const std::size_t before = ns::NotificationCenter::defaultCenter().observerCount(
        ImageLoader::kImageDownloadDoneNotification);
    auto pager = openPostPager(photos(2), 0);
    EXPECT_EQ(ns::NotificationCenter::defaultCenter().observerCount(
                  ImageLoader::kImageDownloadDoneNotification),
              before + 1);
    navigation_->dismissViewControllerAnimated(false);
    settle();
    pager.reset();
    EXPECT_EQ(ns::NotificationCenter::defaultCenter().observerCount(
                  ImageLoader::kImageDownloadDoneNotification),
              before);
}

TEST_F(PhotoPagerTest, TheInfoPagesBackdropIsTheFirstPhotoBlurred) {
    auto pager = openPostPager(photos(2), 0);
    auto* backdrop = pager->houseSourceInfoDetailView()->backgroundImageView();
    // A photo an earlier pager asked for may come now: it is not this pager's.
    const auto before = backdrop->image();
    ns::NotificationCenter::defaultCenter().post(
        ImageLoader::kImageDownloadDoneNotification, nullptr,
        {{ImageLoader::kImageKey,
          QVariant::fromValue(ui::Image::imageWithColor(ui::Color::blueColor(), {32, 32}))},
         {ImageLoader::kURLKey, photo(7)}});
    EXPECT_EQ(backdrop->image(), before) << "another pager's photo";
    ASSERT_TRUE(waitForPhoto(*pager->pageAt(0)));
    ASSERT_TRUE(backdrop->image());
    EXPECT_NE(backdrop->image(), pager->pageAt(0)->imageView()->image());
    EXPECT_TRUE(backdrop->image()->pixels().hasAlphaChannel() == false);
}

TEST_F(PhotoPagerTest, ReferenceScreens) {
    // One photo, so that the info page's backdrop is always made from it.
    auto pager = openBrokersPostPager(photos(1), sampleBroker());
    auto* panel = pager->houseSourceInfoDetailView();
    ASSERT_TRUE(waitForPhoto(*pager->pageAt(0)));
    EXPECT_TRUE(matchesReferenceImage(driver_->screenshot(2)->pixels(), "src/houses/reference",
                                      "photo_pager_photo.png"));
    driver_->doubleTapAt({160, 200});
    settle();
    EXPECT_TRUE(matchesReferenceImage(driver_->screenshot(2)->pixels(), "src/houses/reference",
                                      "photo_pager_zoomed.png"));
    driver_->doubleTapAt({160, 200});
    settle();
    pager->scrollView()->setContentOffset({320, 0});
    pager->scrollViewDidEndDecelerating(*pager->scrollView());
    ASSERT_TRUE(waitFor([&] {
        return !panel->onlineStatusLbl()->text().isEmpty() &&
               panel->agentHeadImageView()->image() !=
                   ui::Image::imageNamed(QStringLiteral("小默认头像.png"));
    }));
    EXPECT_TRUE(matchesReferenceImage(driver_->screenshot(2)->pixels(), "src/houses/reference",
                                      "photo_pager_info_page.png"));
}

TEST_F(PhotoPagerTest, ADragLetGoExactlyOnTheNextPageTurnsTheCounterToo) {
    auto pager = openPostPager(photos(3), 0);
    // Ten points start the drag; the other 320 bring the next page exactly into place, where
    // the scroll view has nothing left to move.
    driver_->drag({315, 200}, {-15, 200}, 3, 60);
    EXPECT_EQ(pager->scrollView()->contentOffset().x, 320);
    EXPECT_EQ(pager->page(), 1);
    EXPECT_EQ(pager->currentPage(), 1);
    EXPECT_EQ(counter(*pager), "2/4");
    EXPECT_TRUE(pager->pageAt(2)) << "and the page after it is loaded";
}
