#include "PhotoPagerFixture.h"

#include "platform/uikit/activity_indicator_view.h"

#include "houses/HousesNavigation.h"
#include "platform/uikit/pan_gesture_recognizer.h"
#include "platform/uikit/pointer_gestures.h"

class PhotoPageTest : public PhotoPagerFixture {
protected:
    // A post pager on its first photo, loaded.
    void SetUp() override {
        PhotoPagerFixture::SetUp();
        pager_ = openPostPager(photos(3), 0);
        page_ = pager_->pageAt(0);
        ASSERT_TRUE(page_);
        ASSERT_TRUE(waitForPhoto(*page_));
    }
    void TearDown() override {
        page_.reset();
        pager_.reset();
        PhotoPagerFixture::TearDown();
    }
    [[nodiscard]] double shownScale() const { return page_->view()->transform().a; }
    [[nodiscard]] ui::Rect pageFrame() const { return page_->view()->frame(); }

    std::shared_ptr<ImageScrollPageController> pager_;
    std::shared_ptr<ImageOperController> page_;
};

TEST(PhotoPageURLTest, PhotosAreAskedAtThePagesSizeAndInTheBetterQualityOnWifi) {
    EXPECT_EQ(ImageOperController::sizedImageURL("A_100-75_3-0.jpg", 320, 480, true),
              "A_320-480_7-0.jpg");
    EXPECT_EQ(ImageOperController::sizedImageURL("A_100-75_3-0.jpg", 320, 480, false),
              "A_320-480_3-0.jpg");
    EXPECT_EQ(ImageOperController::sizedImageURL("A_100-75_3-0_x.jpg", 320, 480, true),
              "A_100-75_3-0_x.jpg")
        << "four pieces stay as they are, even on Wi-Fi";
    EXPECT_EQ(ImageOperController::sizedImageURL("house/3.jpg", 320, 480, true), "house/3.jpg");
}

TEST_F(PhotoPageTest, ThePageAsksTheImageHostForItsOwnSizeAndHidesItsSpinnerOnArrival) {
    const QString asked = page_->imageName();
    EXPECT_TRUE(asked.endsWith("/img/posts/5000_320-416_7-0.jpg")) << asked.toStdString();
    EXPECT_TRUE(page_->view()->viewWithTag(ImageOperController::kIndicatorTag)->isHidden());
    EXPECT_EQ(pageFrame(), ui::Rect(0, 0, 320, 480)) << "the page grows with the screen";
}

TEST_F(PhotoPageTest, APinchIsHeldBetweenOneAndTwoAndASecondPinchGoesOnFromTheFirst) {
    driver_->pinch({160, 240}, 100, 400);
    EXPECT_EQ(page_->currentScale(), 2);
    EXPECT_EQ(shownScale(), 2);
    EXPECT_FALSE(pager_->scrollView()->isScrollEnabled()) << "paging is off while zoomed";

    driver_->pinch({160, 240}, 200, 50);
    EXPECT_EQ(page_->currentScale(), 1);
    EXPECT_EQ(shownScale(), 1);
    EXPECT_TRUE(pager_->scrollView()->isScrollEnabled());

    // The scale counts from where the fingers landed, the steps before the pinch began too.
    driver_->pinch({160, 240}, 100, 150);
    const double first = page_->currentScale();
    EXPECT_NEAR(first, 1.5, 1e-9);
    EXPECT_EQ(shownScale(), first);
    driver_->pinch({160, 240}, 100, 120);
    EXPECT_GT(page_->currentScale(), first * 1.1) << "the second pinch went on from the first";
}

// The mouse wheel zooms a photo about the pointer, a notch at a time, in the detail's pager
// and in the chat's picture viewer alike.
TEST_F(PhotoPageTest, EachNotchOfTheWheelZoomsThePhotoAboutThePointerInEveryPager) {
    const auto notch = [&](double notches) {
        EXPECT_TRUE(driver_->wheel({100, 150}, notches));
        // The wheel rests: its fingers lift.
        settle(ui::PointerGestures::kWheelRest);
        EXPECT_EQ(driver_->window().activeTouchCount(), 0u);
    };
    const auto zoomInAndOut = [&](ImageScrollPageController& pager, ImageOperController& page) {
        const ui::Rect unzoomed = page.view()->frame();
        notch(1);
        EXPECT_NEAR(page.currentScale(), std::sqrt(2.0), 1e-9) << "one notch zooms";
        // The photo's point under the pointer stays there.
        EXPECT_NEAR(page.view()->frame().origin.x, -100 * (std::sqrt(2.0) - 1), 1e-6);
        EXPECT_NEAR(page.view()->frame().origin.y, -150 * (std::sqrt(2.0) - 1), 1e-6);
        EXPECT_FALSE(pager.scrollView()->isScrollEnabled()) << "paging is off while zoomed";
        notch(1);
        notch(1);
        EXPECT_EQ(page.currentScale(), 2) << "held at the most";
        EXPECT_EQ(page.view()->frame(), ui::Rect(-100, -150, 640, 960));
        notch(-1);
        notch(-1);
        EXPECT_EQ(page.currentScale(), 1);
        EXPECT_EQ(page.view()->frame(), unzoomed);
        EXPECT_TRUE(pager.scrollView()->isScrollEnabled());
        EXPECT_EQ(pager.page(), 0);
    };
    zoomInAndOut(*pager_, *page_);
    settle(1);
    EXPECT_FALSE(pager_->houseSourceInfoBottomViewHidden()) << "the wheel's fingers tap nothing";

    closePager();
    HousesNavigation::presentPhotoPager(*detail_, HousesNavigation::PhotoPagerMode::ChatPicture,
                                        {photo(1)});
    settle();
    auto* viewer =
        driver_->find<ui::ScrollView>([](ui::ScrollView& view) { return view.isPagingEnabled(); });
    ASSERT_TRUE(viewer);
    auto* chatPager =
        dynamic_cast<ImageScrollPageController*>(viewer->superview()->viewControllerResponder());
    ASSERT_TRUE(chatPager);
    ASSERT_TRUE(chatPager->saveButton()) << "the chat's picture viewer";
    auto picture = chatPager->pageAt(0);
    ASSERT_TRUE(picture);
    ASSERT_TRUE(waitForPhoto(*picture));
    zoomInAndOut(*chatPager, *picture);
}

TEST_F(PhotoPageTest, ADoubleTapZoomsToTwoAboutTheTappedPointAndBack) {
    driver_->doubleTapAt({200, 300});
    settle();
    EXPECT_EQ(page_->currentScale(), 2);
    // The tapped point stays under the finger: (200, 300) of a 320 x 480 page grown about it.
    EXPECT_EQ(pageFrame(), ui::Rect(-200, -300, 640, 960));
    EXPECT_EQ(page_->currentFrame(), pageFrame());

    driver_->doubleTapAt({200, 300});
    settle();
    EXPECT_EQ(page_->currentScale(), 1);
    EXPECT_EQ(pageFrame(), page_->initialFrame());

    driver_->doubleTapAt({10, 10});
    settle();
    EXPECT_EQ(pageFrame(), ui::Rect(-10, -10, 640, 960));

    // From a pinched 1.5 a double tap goes back to 1 and to the unzoomed frame.
    driver_->doubleTapAt({10, 10});
    settle();
    driver_->pinch({160, 240}, 100, 150);
    driver_->doubleTapAt({160, 240});
    settle();
    EXPECT_EQ(page_->currentScale(), 1);
    EXPECT_EQ(pageFrame(), page_->initialFrame());
}

TEST_F(PhotoPageTest, WhileZoomedADragMovesThePhotoNotThePageAndAGapSpringsBack) {
    driver_->doubleTapAt({160, 240});
    settle();
    const ui::Rect zoomed = pageFrame();
    driver_->drag({200, 240}, {150, 200}, 0.3, 10);
    settle();
    EXPECT_EQ(pager_->scrollView()->contentOffset().x, 0) << "the page did not turn";
    EXPECT_EQ(pager_->page(), 0);
    EXPECT_NEAR(pageFrame().origin.x, zoomed.origin.x - 50, 1);
    EXPECT_NEAR(pageFrame().origin.y, zoomed.origin.y - 40, 1);

    // Dragged far to the right, the left edge would come inside the page: it springs back.
    driver_->drag({60, 240}, {310, 240}, 0.3, 10);
    settle();
    EXPECT_EQ(pageFrame().origin.x, 0);
    EXPECT_EQ(page_->currentFrame(), pageFrame());

    driver_->doubleTapAt({160, 240});
    settle();
    EXPECT_TRUE(pager_->scrollView()->isScrollEnabled());
    swipe(true);
    EXPECT_EQ(pager_->page(), 1) << "unzoomed, the pager turns again";
}

TEST_F(PhotoPageTest, ASingleTapTogglesTheBarsOnlyOnceTheDoubleTapTimeHasPassed) {
    const ui::Rect back = pager_->backButton()->frame();
    const ui::Rect bar = pager_->houseSourceInfoBottomView()->frame();
    driver_->tapAt({160, 240});
    EXPECT_FALSE(pager_->houseSourceInfoBottomViewHidden()) << "a second tap may still come";
    settle(1);
    EXPECT_TRUE(pager_->houseSourceInfoBottomViewHidden());
    EXPECT_EQ(pager_->backButton()->frame().origin.y, back.origin.y - 70) << "30 and its height";
    EXPECT_EQ(pager_->houseSourceInfoBottomView()->frame().origin.y, bar.origin.y + 125);
    driver_->tapAt({160, 240});
    settle(1);
    EXPECT_FALSE(pager_->houseSourceInfoBottomViewHidden());
    EXPECT_EQ(pager_->backButton()->frame(), back);
    EXPECT_EQ(pager_->houseSourceInfoBottomView()->frame(), bar);
}

TEST_F(PhotoPageTest, APhotoThatCannotBeFetchedOffersToTryAgain) {
    server().setFault({.prefix = "/img/posts/5002", .status = 500, .body = "busy", .times = 1});
    swipe(true);
    swipe(true);
    auto page = pager_->pageAt(2);
    ASSERT_TRUE(page);
    ASSERT_TRUE(waitForPhoto(*page));
    ui::View* retry = page->view()->viewWithTag(ImageOperController::kRetryTag);
    ASSERT_TRUE(retry);
    EXPECT_FALSE(retry->isHidden());
    auto* spinner = dynamic_cast<ui::ActivityIndicatorView*>(
        page->view()->viewWithTag(ImageOperController::kIndicatorTag));
    ASSERT_TRUE(spinner);
    EXPECT_TRUE(spinner->isHidden()) << "no spinner on black for ever";
    EXPECT_FALSE(spinner->isAnimating()) << "nor one turning unseen";
    EXPECT_EQ(driver_->textOf(retry), "图片加载失败，点击重试");

    ASSERT_TRUE(driver_->tap(retry));
    EXPECT_TRUE(retry->isHidden());
    EXPECT_TRUE(spinner->isAnimating() && !spinner->isHidden()) << "turning while it loads";
    ASSERT_TRUE(waitFor([&] { return bool(page->imageView()->image()); }));
    EXPECT_TRUE(spinner->isHidden());
    EXPECT_FALSE(spinner->isAnimating());
    EXPECT_FALSE(pager_->houseSourceInfoBottomViewHidden()) << "the tap was the button's";
}

TEST_F(PhotoPageTest, APageReleasedBeforeItsPhotoArrivesIsNotCalledByIt) {
    server().setFault({.prefix = "/img/posts/5009", .hold = true});
    auto page = std::make_shared<ImageOperController>(photo(9), ui::Rect(0, 0, 320, 480));
    const std::weak_ptr<ImageOperController> gone = page;
    auto view = page->view();
    const auto photoView =
        std::static_pointer_cast<ui::ImageView>(page->imageView()->sharedAs<ui::ImageView>());
    const QString asked = page->imageName();
    page.reset();
    view.reset();
    EXPECT_TRUE(gone.expired()) << "neither its photo's view nor the loader keeps the page";
    server().clearFaultsAndReleaseHeld();
    ASSERT_TRUE(waitFor([&] { return bool(ImageLoader::sharedLoader().cachedImage(asked)); }));
    photoView->setImage(ImageLoader::sharedLoader().cachedImage(asked));
    EXPECT_TRUE(photoView->image());
}
