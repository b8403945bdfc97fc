#include "app/QXNewGuidView.h"
#include "app/guide/QXNewGuidViewItem1.h"
#include "app/guide/QXNewGuidViewItem2.h"
#include "app/guide/QXNewGuidViewItem3.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/test_driver.h"
#include "platform/uikit/window.h"

#include "ReferenceImage.h"
#include "SandboxTest.h"

#include <chrono>

namespace {

class QXNewGuidViewTest : public SandboxTest {
protected:
    void TearDown() override {
        ui::Screen::mainScreen().setHeight(ui::Screen::kHeight);
        SandboxTest::TearDown();
    }
    std::shared_ptr<QXNewGuidView> makeGuide(double height) {
        ui::Screen::mainScreen().setHeight(height);
        return QXNewGuidView::create(ui::Rect(0, 0, 320, height));
    }
    void seconds(double s) { clock().advance(std::chrono::microseconds(std::int64_t(s * 1e6))); }
    static bool anyStarted(const QXNewGuidViewItem& page) {
        return page.isPlayAnimation() || page.isPlayTextAnimation() || page.isShow() ||
               page.isTextShow() || page.isPlayRevertAnimation();
    }
};

TEST_F(QXNewGuidViewTest, TheContentIsThreeScreensAndAFooterHigh) {
    EXPECT_EQ(makeGuide(568)->mainScroll()->contentSize().height, 1704);
    const auto small = makeGuide(480);
    EXPECT_EQ(small->mainScroll()->contentSize().height, 1590);
    EXPECT_EQ(small->guidItemView3()->frame(), ui::Rect(0, 100 + 1071, 320, 559));
}

TEST_F(QXNewGuidViewTest, PagesStartHiddenAndPlayAsTheirThresholdsArePassed) {
    const auto guide = makeGuide(568);
    auto& one = *guide->guidItemView1();
    for (const QXNewGuidViewItem* page :
         {static_cast<QXNewGuidViewItem*>(guide->guidItemView1()),
          static_cast<QXNewGuidViewItem*>(guide->guidItemView2()),
          static_cast<QXNewGuidViewItem*>(guide->guidItemView3())}) {
        EXPECT_FALSE(anyStarted(*page));
        EXPECT_EQ(page->textView()->alpha(), 0);
    }
    EXPECT_EQ(one.centerView()->alpha(), 0);

    guide->contentOffsetChanged(171, 0);
    EXPECT_TRUE(one.isPlayAnimation());
    EXPECT_FALSE(one.isPlayTextAnimation());
    EXPECT_FALSE(anyStarted(*guide->guidItemView2()));
    guide->contentOffsetChanged(271, 171);
    EXPECT_TRUE(one.isPlayTextAnimation());
    seconds(0.99);
    EXPECT_FALSE(one.isShow()) << "shown only once the last icon is in";
    EXPECT_TRUE(one.isTextShow());
    seconds(0.02);  // 0.70 is a single-precision sum, a hair above 0.7
    EXPECT_TRUE(one.isShow());
    EXPECT_FALSE(one.isPlayAnimation());

    guide->contentOffsetChanged(269, 271);
    EXPECT_TRUE(one.isPlayTextAnimation()) << "the caption goes";
    EXPECT_FALSE(one.isPlayRevertAnimation()) << "the pictures stay above 130";
    seconds(0.2);
    EXPECT_FALSE(one.isTextShow());
    guide->contentOffsetChanged(150, 269);
    EXPECT_TRUE(one.isShow());
    guide->contentOffsetChanged(129, 150);
    EXPECT_TRUE(one.isPlayRevertAnimation());
    EXPECT_FALSE(one.isShow()) << "a reverse clears the shown flag at once";
    guide->contentOffsetChanged(129, 129);
    guide->contentOffsetChanged(171, 129);
    EXPECT_TRUE(one.isPlayAnimation()) << "a show may start while the reverse runs";
}

TEST_F(QXNewGuidViewTest, AFlingStartsEveryPageAndAFlingBackRevertsOnlyWhatIsShown) {
    const auto guide = makeGuide(568);
    guide->contentOffsetChanged(1000, 0);
    for (const QXNewGuidViewItem* page :
         {static_cast<QXNewGuidViewItem*>(guide->guidItemView1()),
          static_cast<QXNewGuidViewItem*>(guide->guidItemView2()),
          static_cast<QXNewGuidViewItem*>(guide->guidItemView3())}) {
        EXPECT_TRUE(page->isPlayAnimation());
        EXPECT_TRUE(page->isPlayTextAnimation());
    }
    guide->contentOffsetChanged(0, 1000);
    EXPECT_FALSE(guide->guidItemView1()->isPlayRevertAnimation()) << "nothing is shown yet";
    seconds(2);
    guide->contentOffsetChanged(0, 1000);
    EXPECT_TRUE(guide->guidItemView1()->isPlayRevertAnimation());
    EXPECT_TRUE(guide->guidItemView3()->isPlayRevertAnimation());
    EXPECT_TRUE(guide->guidItemView2()->isPlayTextAnimation());
    seconds(2);
    EXPECT_FALSE(guide->guidItemView3()->isTextShow());
}

TEST_F(QXNewGuidViewTest, PageTwoIconsRiseAndSinkBackByTheSameAmounts) {
    const auto page = QXNewGuidViewItem2::create(ui::Rect(0, 0, 320, 352));
    std::vector<double> before;
    for (const auto& icon : page->viewArray()) before.push_back(icon->center().y);
    page->showAnimation();
    seconds(1);
    ASSERT_TRUE(page->isShow());
    const double rises[] = {25, 31, 71};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_DOUBLE_EQ(before[i] - page->viewArray()[i]->center().y, rises[i]);
    }
    page->showRevertAnimation();
    seconds(1);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_DOUBLE_EQ(page->viewArray()[i]->center().y, before[i]);
    }
}

TEST_F(QXNewGuidViewTest, PageThreeIconsFanOutFromOnePoint) {
    const auto page = QXNewGuidViewItem3::create(ui::Rect(0, 0, 320, 627));
    ASSERT_EQ(page->viewArray().size(), 4u);
    const ui::Point start = page->viewArray()[0]->center();
    for (const auto& icon : page->viewArray()) EXPECT_EQ(icon->center(), start);
    page->showAnimation();
    seconds(1);
    ASSERT_TRUE(page->isShow());
    for (std::size_t i = 0; i < 4; ++i) {
        const ui::Point end = QXNewGuidViewItem3::getIconPoint(int(i) + 1, false);
        EXPECT_DOUBLE_EQ(page->viewArray()[i]->center().x - start.x, end.x - 122);
    }
}

TEST_F(QXNewGuidViewTest, NoPictureOfAShownPageCoversItsCaption) {
    const auto guide = makeGuide(ui::Screen::kTallHeight);
    guide->contentOffsetChanged(1000, 0);
    seconds(2);
    for (const QXNewGuidViewItem* page :
         {static_cast<QXNewGuidViewItem*>(guide->guidItemView1()),
          static_cast<QXNewGuidViewItem*>(guide->guidItemView2()),
          static_cast<QXNewGuidViewItem*>(guide->guidItemView3())}) {
        ASSERT_TRUE(page->isShow() && page->isTextShow());
        const ui::Rect caption = page->textView()->frame();
        for (const auto& picture : page->subviews()) {
            if (picture.get() == page->textView() || picture->alpha() == 0) continue;
            EXPECT_FALSE(picture->frame().intersects(caption))
                << "a picture at y " << picture->frame().origin.y << " of the page at y "
                << page->frame().origin.y;
        }
    }
}

// The button stays put while the guide scrolls under it: each caption comes in as its section
// is reached, still lying under the button, and scrolling on a little, within the guide's
// length, brings it whole above the button.
TEST_F(QXNewGuidViewTest, EachCaptionComesInUnderTheButtonAndScrollsWholeAboveIt) {
    for (const double height : {ui::Screen::kHeight, ui::Screen::kTallHeight}) {
        const auto guide = makeGuide(height);
        const auto* button = dynamic_cast<const ui::Button*>(guide->subviews().back().get());
        ASSERT_NE(button, nullptr);
        ASSERT_EQ(button->currentTitle(), "开始找房");
        ui::ScrollView& scroll = *guide->mainScroll();
        const double end = scroll.contentSize().height - scroll.frame().size.height;
        const std::pair<const QXNewGuidViewItem*, double> captions[] = {
            {guide->guidItemView1(), 270},
            {guide->guidItemView2(), 600},
            {guide->guidItemView3(), 980}};
        for (const auto& [page, shownPast] : captions) {
            scroll.setContentOffset({0, shownPast + 1});
            seconds(1);
            ASSERT_TRUE(page->isTextShow()) << height << " " << shownPast;
            const ui::Rect caption =
                page->textView()->convertRectToView(page->textView()->bounds(), guide.get());
            const double under = caption.maxY() - button->frame().origin.y;
            EXPECT_GT(under, 0) << height << " " << shownPast;
            EXPECT_LE(under, 70) << height << " " << shownPast;
            EXPECT_LE(shownPast + 1 + under, end) << "reachable: " << height << " " << shownPast;
        }
    }
}

TEST_F(QXNewGuidViewTest, EachPageOnceScrolledToLooksAsItsReference) {
    ui::Screen::mainScreen().setHeight(ui::Screen::kTallHeight);
    auto window = std::make_shared<ui::Window>();
    window->makeKeyAndVisible();
    const auto guide = QXNewGuidView::create(window->bounds());
    window->addSubview(guide);
    ui::TestDriver driver(window);
    const std::pair<double, const char*> pages[] = {
        {470, "guide_page_1.png"}, {880, "guide_page_2.png"}, {1186, "guide_page_3.png"}};
    for (const auto& [offset, name] : pages) {
        guide->mainScroll()->setContentOffset({0, offset});
        seconds(2);
        const auto shot = driver.screenshot();
        ASSERT_TRUE(shot);
        EXPECT_TRUE(matchesReferenceImage(shot->pixels(), "src/app/reference", name)) << name;
    }
}

}  // namespace
