// The views nothing in the app opens yet: the paged grid of major categories, the category
// tiles, the job row and the category chooser of the search results.
#include "../list/PostListScreenFixture.h"

#include "houses/catalog/CategoryTileViews.h"
#include "houses/catalog/MainMajorScrollView.h"
#include "houses/catalog/tovikCatalog.h"
#include "houses/search/SearchCategoryViewController.h"
#include "houses/shared/QXPostListCellForZhaoPin.h"
#include "platform/foundation/property_list.h"
#include "platform/uikit/page_control.h"

namespace {

// A catalog whose first master has `count` list kinds named K0, K1, ...
void writeCatalog(int count) {
    QVariantList majors;
    for (int i = 0; i < count; ++i)
        majors << QVariantMap{{"n", QStringLiteral("K%1").arg(i)}, {"msi", i}, {"l", true}};
    ns::writeToFile(
        QVariantList{
            QVariantMap{{"n", "房产"}, {"cid", 7}, {"l", true}, {"ms", majors}},
            QVariantMap{{"n", "招聘"},
                        {"cid", 2},
                        {"l", true},
                        {"ms", QVariantList{QVariantMap{{"n", "销售"}, {"msi", 1}, {"l", true}}}}}},
        tovikCatalog::filePath(), true);
}

class Chooser final : public MainMajorScrollViewDelegate, public CategoryTileTarget {
public:
    QList<int> majors;
    int clicks = 0;
    void majorClick(ui::Button& button) override { majors << button.tag(); }
    void click(ui::Button&) override { ++clicks; }
};

// A screen that hears its tiles' taps up the responder chain.
class TileScreen final : public ui::ViewController, public CategoryTileTarget {
public:
    int clicks = 0;
    void click(ui::Button&) override { ++clicks; }
};

}  // namespace

class CategoryViewsTest : public PostListScreenFixture {};

TEST_F(CategoryViewsTest, TheGridPagesTwelveKindsAPage) {
    writeCatalog(13);
    const auto frameOnly =
        MainMajorScrollView::initWithFrame({0, 0, 320, 100}, MainMajorScrollView::kNoPages);
    EXPECT_TRUE(frameOnly->buttons().empty());
    EXPECT_TRUE(frameOnly->pageControl()->isHidden());

    auto chooser = std::make_shared<Chooser>();
    auto grid = MainMajorScrollView::initWithFrame(ui::Rect(0, 50, 320, 100), 0);
    grid->setBtnDelegate(chooser);
    ASSERT_EQ(grid->buttons().size(), 13u);
    EXPECT_EQ(grid->tagScrollView()->contentSize(), ui::Size(640, 176));
    EXPECT_EQ(grid->buttons()[12]->frame(), ui::Rect(320, -1, 107, 45)) << "alone on page two";
    EXPECT_EQ(grid->buttons()[11]->frame(), ui::Rect(212, 131, 107, 44)) << "the fourth row";
    EXPECT_EQ(grid->buttons()[4]->titleLabel()->text(), "K4");
    EXPECT_FALSE(grid->pageControl()->isHidden());
    EXPECT_EQ(grid->pageControl()->numberOfPages(), 2);
    EXPECT_EQ(grid->frame(), ui::Rect(0, 0, 320, 176 + 27));
    ASSERT_EQ(grid->dots().size(), 2u);
    EXPECT_EQ(grid->dots()[0]->image(), ui::Image::imageNamed("橙色点.png"));
    grid->tagScrollView()->setContentOffset({320, 0});
    EXPECT_EQ(grid->pageControl()->currentPage(), 1);
    EXPECT_EQ(grid->dots()[1]->image(), ui::Image::imageNamed("橙色点.png"));

    window_->setRootViewController(std::make_shared<ui::ViewController>());
    window_->rootViewController()->view()->addSubview(grid);
    grid->tagScrollView()->setContentOffset({0, 0});
    window_->layoutIfNeeded();
    ASSERT_TRUE(driver_->tap(grid->buttons()[4].get()));
    EXPECT_EQ(chooser->majors, QList<int>{4});

    // Twelve or fewer: one page of the rows used, no dots.
    grid->reCreateMajorScorllView(grid->frame(), 1);
    ASSERT_EQ(grid->buttons().size(), 1u);
    EXPECT_TRUE(grid->pageControl()->isHidden());
    EXPECT_EQ(grid->tagScrollView()->frame().size.height, 44);
    EXPECT_EQ(grid->frame().size.height, 44 + 12);
}

TEST_F(CategoryViewsTest, TilesPlaceTheirPartsAndTheirTapGoesUpTheChain) {
    auto screen = std::make_shared<TileScreen>();
    window_->setRootViewController(screen);
    auto tile = std::make_shared<TempView>(ui::Rect(10, 10, 100, 100));
    auto compact = std::make_shared<TempViewNew>(ui::Rect(120, 10, 100, 100));
    auto wide = std::make_shared<NearByTempView>(ui::Rect(0, 150, 320, 66));
    for (const auto& each :
         {std::shared_ptr<CategoryTile>(tile), std::shared_ptr<CategoryTile>(compact),
          std::shared_ptr<CategoryTile>(wide)}) {
        each->titleLbel()->setText("房产");
        screen->view()->addSubview(each);
    }
    EXPECT_EQ(tile->picImgView()->frame(), ui::Rect(20, 20, 60, 60));
    EXPECT_EQ(tile->titleLbel()->frame(), ui::Rect(-5, 71, 110, 25));
    EXPECT_EQ(tile->tagBtn()->frame(), tile->picImgView()->frame());
    EXPECT_FALSE(tile->clipsToBounds());
    EXPECT_EQ(compact->picImgView()->frame(), ui::Rect(28, 15.5, 44, 44));
    EXPECT_EQ(compact->titleLbel()->frame(), ui::Rect(0, 59.5, 100, 25));
    EXPECT_EQ(wide->tagBtn()->frame(), ui::Rect(0, 0, 320, 66));
    EXPECT_EQ(wide->topImg()->frame(), ui::Rect(275, 8, 32, 32));
    EXPECT_EQ(wide->titleLbel()->frame(), ui::Rect(0, 0, 106, 66));
    EXPECT_NE(tile->tagBtn()->backgroundImageForState(ui::kControlStateHighlighted), nullptr);

    window_->layoutIfNeeded();
    ASSERT_TRUE(driver_->tap(tile->tagBtn()));
    ASSERT_TRUE(driver_->tap(wide->tagBtn()));
    EXPECT_EQ(screen->clicks, 2);
}

TEST_F(CategoryViewsTest, TheJobRowDrawsStarsFromTheRightAndGreysWhenRead) {
    QXPostListCellForZhaoPin cell(ui::TableViewCellStyle::Value1, "QXPostListForZhaoPin");
    cell.setFrame({0, 0, 320, QXPostListCellForZhaoPin::kRowHeight});
    const auto show = [&cell](PostCellContent content) {
        cell.setContent(std::make_shared<const PostCellContent>(std::move(content)));
        cell.layoutIfNeeded();
    };
    show({{"left1", "销售"},
          {"right2", "0元/月"},
          {"right4", 3},
          {"zhiding", true},
          {"haveImage", true},
          {"YanFlag", true},
          {"left3", "招聘2人"},
          {"middle3", "经验1年"},
          {"right3", "学历大专"}});
    EXPECT_EQ(cell.right2Lbl()->text(), "面议");
    EXPECT_EQ(cell.starBase()->frame(), ui::Rect(274, 78, 36, 12));
    for (int k = 0; k < QXPostListCellForZhaoPin::kStars; ++k)
        EXPECT_EQ(cell.star(k)->isHidden(), k >= 3) << k;
    EXPECT_EQ(cell.star(2)->frame().origin.x, 274);
    EXPECT_EQ(cell.left1Lbl()->frame().size.width, 285 - 19);
    EXPECT_EQ(cell.zhiDingView()->frame(), ui::Rect(297, 8, 15, 15));
    EXPECT_EQ(cell.left4Lbl()->frame().origin.x, 27);
    EXPECT_EQ(cell.left3Lbl()->text(), "招聘2人 - 经验1年 - 学历大专");
    EXPECT_TRUE(cell.thumbnailView()->isHidden());
    EXPECT_EQ(cell.right2Lbl()->textColor(), ui::Color::rgb(247, 127, 0));

    show({{"right2", "0元以上"}, {"right4", 7}, {"hasRead", true}});
    EXPECT_EQ(cell.right2Lbl()->text(), "0元以上") << "only the whole text reads 面议";
    EXPECT_EQ(cell.starBase()->frame().size.width, 84) << "the base grows past five";
    EXPECT_FALSE(cell.star(4)->isHidden());
    EXPECT_TRUE(cell.zhiDingView()->isHidden());
    EXPECT_EQ(cell.right2Lbl()->textColor(), ui::Color::rgb(153, 153, 153)) << "read: grey";
    EXPECT_EQ(cell.left1Lbl()->textColor(), ui::Color::rgb(153, 153, 153));
    show({{"right4", 0}});
    for (int k = 0; k < QXPostListCellForZhaoPin::kStars; ++k)
        EXPECT_TRUE(cell.star(k)->isHidden());
}

TEST_F(CategoryViewsTest, TheCategoryChooserHandsBackItsChoice) {
    auto chooser = std::make_shared<SearchCategoryViewController>();
    chooser->setCategoryArray({QVariantMap{{"CategoryID", 7}, {"CateName", "房产"}, {"Size", 35}},
                               QVariantMap{{"CategoryID", 2}, {"CateName", "招聘"}, {"Size", 4}},
                               QVariant("x")});
    chooser->setNowSelectRow(1);
    QVariant chosen;
    int chosenRow = -1;
    chooser->setSelectRowBlock([&](const QVariant& id, int row) {
        chosen = id;
        chosenRow = row;
    });
    navigation_->setViewControllers({std::make_shared<ui::ViewController>()}, false);
    navigation_->pushViewController(chooser, false);
    settle();
    EXPECT_EQ(chooser->title(), "切换类别显示");
    ui::TableView* table = chooser->mainTbl();
    EXPECT_EQ(table->indexPathForSelectedRow(), ui::IndexPath(0, 1));
    window_->layoutIfNeeded();
    EXPECT_EQ(table->cellForRowAtIndexPath({0, 0})->detailTextLabel()->text(), "35条");
    ASSERT_TRUE(driver_->tap(table->cellForRowAtIndexPath({0, 0})));
    settle();
    EXPECT_EQ(chosen.toInt(), 7);
    EXPECT_EQ(chosenRow, 0);
    EXPECT_EQ(navigation_->viewControllers().size(), 1u) << "the chooser went";
}
