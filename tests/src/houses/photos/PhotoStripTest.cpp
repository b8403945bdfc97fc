#include "PhotoPagerFixture.h"

#include "platform/uikit/tap_gesture_recognizer.h"
#include "ui/image/ImageView.h"

namespace {

// A screen of a need's replies: its strips hand the pager the need and the house.
class RepliesScreen final : public ui::ViewController, public ImagePickerView::NeedReplyScreen {
public:
    [[nodiscard]] QString needId() const override { return QStringLiteral("N-77"); }
};

}  // namespace

class PhotoStripTest : public PhotoPagerFixture {
protected:
    std::shared_ptr<ImagePickerView> addStrip(ui::ViewController& screen, const ui::Rect& frame,
                                              std::optional<QStringList> urls, int style = 0) {
        auto strip = ImagePickerView::initWithFrame(frame, urls, style);
        screen.view()->addSubview(strip);
        window_->layoutIfNeeded();
        return strip;
    }
    // Taps the strip `x` points from its left edge, in its middle.
    void tapStrip(ImagePickerView& strip, double x) {
        driver_->tapAt(strip.convertPointToView({x, strip.bounds().size.height / 2}, nullptr));
        settle(1);
    }
    // The pager presented over the screen (by the stack the screen is in).
    [[nodiscard]] std::shared_ptr<ImageScrollPageController> presentedPager(
        ui::ViewController& over) {
        auto presented = over.presentedViewController();
        if (!presented && over.navigationController()) {
            presented = over.navigationController()->presentedViewController();
        }
        auto* stack = dynamic_cast<ui::NavigationController*>(presented.get());
        return stack ? std::dynamic_pointer_cast<ImageScrollPageController>(
                           stack->topViewController())
                     : nullptr;
    }
    [[nodiscard]] static std::vector<double> lefts(const ImagePickerView& strip) {
        std::vector<double> xs;
        for (const auto& thumbnail : strip.imageViewArray())
            xs.push_back(thumbnail->frame().origin.x);
        return xs;
    }
};

TEST_F(PhotoStripTest, ThumbnailsAreSizedAndSpacedByTheStripsWidth) {
    auto wide = addStrip(*detail_, {0, 100, 320, 111}, photos(5));
    EXPECT_EQ(lefts(*wide), (std::vector<double>{8, 142, 276, 410, 544}));
    EXPECT_EQ(wide->imageViewArray()[0]->frame(), ui::Rect(8, 8, 126, 95));
    EXPECT_EQ(wide->scrollView()->contentSize().width, 678);
    EXPECT_FALSE(wide->scrollView()->isPagingEnabled());

    auto narrow = addStrip(*detail_, {0, 120, 300, 80}, photos(2), 1);
    EXPECT_EQ(lefts(*narrow), (std::vector<double>{4, 88}));
    EXPECT_EQ(narrow->imageViewArray()[1]->frame().size, ui::Size(80, 60));
    EXPECT_EQ(narrow->scrollView()->contentSize().width, 172);
    EXPECT_EQ(narrow->backgroundColor(), ui::Color::clearColor());
}

TEST_F(PhotoStripTest, AStripWithoutPhotosShowsThreeEmptyThumbnailsAndOpensNothingUntilFilled) {
    auto strip = addStrip(*detail_, {0, 100, 320, 111}, std::nullopt);
    EXPECT_EQ(strip->scrollView()->subviews().size(), 3u);
    EXPECT_TRUE(strip->imageViewArray().empty());
    EXPECT_EQ(strip->scrollView()->contentSize().width, 8 + 3 * 134);
    tapStrip(*strip, 60);
    EXPECT_FALSE(presentedPager(*detail_));

    strip->addImageViewsWithImageURLArray(photos(2));
    EXPECT_EQ(strip->scrollView()->subviews().size(), 2u) << "the placeholders go";
    tapStrip(*strip, 60);
    EXPECT_TRUE(presentedPager(*detail_));
}

TEST_F(PhotoStripTest, ATapOpensThePagerAtTheThumbnailItHitsWithTheDetailsPost) {
    detail_->setHiddenChatAgentInfo(true);
    auto strip = addStrip(*detail_, {0, 100, 320, 111}, photos(5));
    strip->scrollView()->setContentOffset({300, 0});
    EXPECT_EQ(strip->contentX(), 300);
    tapStrip(*strip, 20);
    EXPECT_EQ(strip->selectIndex(), 2) << "content x 320 lies in the third thumbnail";
    const auto pager = presentedPager(*detail_);
    ASSERT_TRUE(pager);
    EXPECT_EQ(pager->page(), 2);
    EXPECT_EQ(pager->imageNames().size(), 5);
    EXPECT_EQ(pager->houseInfoFromQXPostDetailNew().value("puid"), detail_->post().value("puid"));
    EXPECT_FALSE(pager->houseInfoFromFindHouseRequestDetailPage().isValid());
    EXPECT_FALSE(events().contains("subscribe_detail_pic_clk"));

    // The hit thumbnail flashes green and is grey again after 0.75 s.
    auto* thumbnail = strip->imageViewArray()[2].get();
    thumbnail->setBackgroundColor(ui::Color::rgb(229, 229, 229));
    driver_->wait(1);
    EXPECT_EQ(thumbnail->bImageView()->frame(), ui::Rect(1, 1, 124, 93));
}

TEST_F(PhotoStripTest, TapsOnAThumbnailsEdgeOrInAGapOpenNothing) {
    auto strip = addStrip(*detail_, {0, 100, 320, 111}, photos(3));
    for (const double x : {8.0, 134.0, 138.0, 142.0}) {
        tapStrip(*strip, x);
        EXPECT_EQ(strip->selectIndex(), ImagePickerView::kNoSelection) << x;
    }
    EXPECT_FALSE(presentedPager(*detail_));
}

TEST_F(PhotoStripTest, OneTapPresentsOnePagerHoweverOftenTheTargetIsSet) {
    auto strip = addStrip(*detail_, {0, 100, 320, 111}, photos(3));
    auto other = std::make_shared<ui::ViewController>();
    strip->setTarget();
    strip->setTarget(detail_);
    strip->setTarget(other);
    strip->addImageViewsWithImageURLArray(photos(3));
    EXPECT_EQ(strip->gestureRecognizers().size(), 1u);
    EXPECT_EQ(strip->target(), detail_) << "the first screen given stays";
    tapStrip(*strip, 60);
    ASSERT_TRUE(presentedPager(*detail_));
    EXPECT_FALSE(other->presentedViewController());
}

TEST_F(PhotoStripTest, ARecommendedHousesStripLogsItsTapAndHandsTheNeedAndTheHouse) {
    auto replies = std::make_shared<RepliesScreen>();
    navigation_->pushViewController(replies, false);
    settle();
    auto strip = addStrip(*replies, {10, 100, 300, 80}, std::nullopt, 1);
    strip->setFromWhereIn(ImagePickerView::kFromNeedReplies);
    strip->scrollView()->setScrollEnabled(false);
    strip->addImageViewsWithImageURLArray(photos(2));
    const QVariantMap house{{"puid", "200003"}, {"userId", "5002"}, {"title", "徐家汇 2室1厅"}};
    strip->setHouseInfoFromFindHouseRequestDetailPage(house);
    tapStrip(*strip, 100);
    EXPECT_TRUE(events().contains("subscribe_detail_pic_clk"));
    const auto pager = presentedPager(*replies);
    ASSERT_TRUE(pager);
    EXPECT_EQ(pager->page(), 1);
    EXPECT_EQ(pager->postIdFromFindHouseRequestDetailPage(), "N-77");
    EXPECT_EQ(pager->houseInfoFromFindHouseRequestDetailPage().toMap(), house);
    ASSERT_TRUE(waitFor([&] { return !calls("GetPost").empty(); }));
    EXPECT_EQ(calls("GetPost")[0].header("puid"), "200003");
    EXPECT_EQ(calls("GetPost")[0].method, "GET");
}
