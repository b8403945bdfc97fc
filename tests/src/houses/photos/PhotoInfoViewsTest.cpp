#include "SandboxTest.h"

#include "houses/photos/QXFCHouseSourceInfoBottomView.h"
#include "houses/photos/QXFCHouseSourceInfoDetailView.h"
#include "map/URLPic.h"
#include "net/EndpointTable.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/test_driver.h"
#include "platform/uikit/window.h"
#include "ui/widgets/LoadingOverlay.h"

class PhotoInfoViewsTest : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        window_->makeKeyAndVisible();
    }
    void TearDown() override {
        for (const auto& view : std::vector(window_->subviews())) view->removeFromSuperview();
        SandboxTest::TearDown();
    }
    template <class T>
    std::shared_ptr<T> show(std::shared_ptr<T> view) {
        window_->addSubview(view);
        window_->layoutIfNeeded();
        return view;
    }
    // Which of a star row's five stars are full.
    [[nodiscard]] static std::vector<bool> fullStars(const ui::View& stars) {
        std::vector<bool> full;
        for (const auto& star : stars.subviews()) {
            full.push_back(static_cast<ui::ImageView&>(*star).image() ==
                           ui::Image::imageNamed(QStringLiteral("彩色五星")));
        }
        return full;
    }
    [[nodiscard]] static QVariantMap broker(const QVariantMap& baseInfo) {
        return {{"isZuzeridUser", 1}, {"baseInfo", baseInfo}};
    }

    std::shared_ptr<ui::Window> window_ = std::make_shared<ui::Window>();
    ui::TestDriver driver_{window_};
};

TEST_F(PhotoInfoViewsTest, TheBarsButtonsSitFromTheRightAndReportTheirCodesOnlyToABlock) {
    auto bar = show(std::make_shared<QXFCHouseSourceInfoBottomView>(ui::Rect(0, 355, 320, 125)));
    const std::vector<int> order{
        QXFCHouseSourceInfoBottomView::kSaveCode, QXFCHouseSourceInfoBottomView::kFavouriteCode,
        QXFCHouseSourceInfoBottomView::kChatCode, QXFCHouseSourceInfoBottomView::kCallCode};
    std::vector<double> lefts;
    for (const int code : order) {
        ui::View* button = bar->viewWithTag(code);
        lefts.push_back(button->frame().origin.x);
        EXPECT_EQ(button->frame().origin.y, 79.5);
        EXPECT_TRUE(driver_.tap(button)) << "nothing happens without a block";
    }
    EXPECT_EQ(lefts, (std::vector<double>{102, 157, 212, 267}));

    std::vector<int> codes;
    bar->setActionsBlock([&](int code) { codes.push_back(code); });
    for (const int code : order) driver_.tap(bar->viewWithTag(code));
    EXPECT_EQ(codes, order);

    bar->setTitleLblText(QString(40, QChar(0x623F)));
    bar->setImageNumIndicatorLblText("3/12");
    window_->layoutIfNeeded();
    EXPECT_EQ(bar->imageNumIndicatorLbl()->frame(), ui::Rect(270, 13, 40, 15))
        << "a long title leaves the counter where it is";
    EXPECT_EQ(bar->priceLbl()->frame(), ui::Rect(230, 38, 80, 15));
}

TEST_F(PhotoInfoViewsTest, ABrokersCardNamesCompanyAndBrokerWithStarsPictureAndContacts) {
    auto panel = show(std::make_shared<QXFCHouseSourceInfoDetailView>(ui::Rect(0, 0, 320, 480)));
    panel->setAgentBaseInfo(broker({{"companyName", "和顺地产"},
                                    {"name", "张伟"},
                                    {"avatar", "avatars/brokers/8_120-120_7-0.jpg"},
                                    {"creditScore", 3},
                                    {"agentUserContactNum", 12}}));
    EXPECT_EQ(panel->houseInfoPostByUserLbl()->text(), "该套房源由和顺地产张伟发布");
    EXPECT_EQ(panel->agentNameLbl()->text(), "张伟");
    EXPECT_EQ(panel->contactsNumLbl()->text(), "12个人联系过");
    ASSERT_TRUE(panel->starView());
    EXPECT_EQ(fullStars(*panel->starView()), (std::vector<bool>{true, true, true, false, false}));
    EXPECT_EQ(
        panel->starView()->frame().origin.x,
        panel->agentNameLbl()->frame().origin.x + panel->agentNameLbl()->frame().size.width + 5);
    EXPECT_EQ(panel->agentHeadImageView()->url().toString(),
              EndpointTable::imageHost() + "/avatars/brokers/8_44-44c_7-0.jpg")
        << "a host path, cut to 44 x 44";

    panel->setAgentBaseInfo(broker({{"name", "李娜"},
                                    {"avatar", "http://pics.example/a_120-120_7-0.jpg"},
                                    {"creditScore", 9}}));
    EXPECT_EQ(panel->houseInfoPostByUserLbl()->text(), "该套房源由李娜发布");
    EXPECT_EQ(fullStars(*panel->starView()), std::vector<bool>(5, true));
    EXPECT_EQ(panel->agentHeadImageView()->url().toString(),
              "http://pics.example/a_44-44c_7-0.jpg");
    EXPECT_EQ(panel->contactsNumLbl()->text(), "0个人联系过");

    panel->setContactNumLableTextWithOnlineStatus(true);
    EXPECT_EQ(driver_.textOf(panel->onlineStatusLbl()), "[在线]") << "shown whole";
    EXPECT_EQ(panel->contactsNumLbl()->frame().origin.x,
              panel->onlineStatusLbl()->frame().origin.x +
                  panel->onlineStatusLbl()->frame().size.width + 8);
    panel->setContactNumLableTextWithOnlineStatus(false);
    EXPECT_EQ(panel->onlineStatusLbl()->text(), "[离线]");
}

TEST_F(PhotoInfoViewsTest, AnOrdinaryPostersCardShowsOnlyTheNameAndTheNumber) {
    auto panel = show(std::make_shared<QXFCHouseSourceInfoDetailView>(ui::Rect(0, 0, 320, 480)));
    panel->refreshViewForCommenUserWithName("李先生", "13900001111");
    for (const ui::View* hidden :
         std::initializer_list<const ui::View*>{panel->agentHeadImageView(), panel->agentNameLbl(),
                                                panel->onlineStatusLbl(), panel->chatBtn()}) {
        EXPECT_TRUE(hidden->isHidden());
    }
    EXPECT_EQ(panel->houseInfoPostByUserLbl()->text(), "该套房源由李先生发布");
    EXPECT_EQ(panel->contactsNumLbl()->text(), "联系方式: 13900001111");
    EXPECT_NEAR(panel->contactsNumLbl()->center().x,
                panel->agentInfoView()->bounds().size.width / 2, 0.5);
    EXPECT_EQ(panel->agentInfoView()->frame().size.height, 184);
    EXPECT_EQ(panel->phoneBtn()->frame().origin.y, panel->lineView()->frame().origin.y + 0.5 + 60);
    EXPECT_EQ(panel->houseInfoView()->frame().origin.y, 74 + 184 + 22);
}

TEST_F(PhotoInfoViewsTest, AnEmptyAddressLeavesTwoLinesEachWithOneDot) {
    auto panel = show(std::make_shared<QXFCHouseSourceInfoDetailView>(ui::Rect(0, 0, 320, 480)));
    panel->setAddressLableText("");
    panel->setHouseAttributeLableText("金桥新村 2室1厅 78㎡ 南");
    panel->setPriceLableText("4500元/月");
    EXPECT_TRUE(panel->addressLbl()->isHidden());
    EXPECT_TRUE(panel->pointViewBeforeAttri()->isHidden());
    EXPECT_FALSE(panel->pointViewBeforeAddr()->isHidden()) << "the address dot marks the layout";
    EXPECT_EQ(panel->houseAttributeLbl()->frame().origin.y, 15 + 13);
    EXPECT_EQ(panel->pointViewBeforeAddr()->frame().origin.y, 15 + 18);
    EXPECT_EQ(panel->priceLbl()->frame().origin.y, 28 + 15 + 13);
    EXPECT_FALSE(panel->pointViewBeforePrice()->isHidden());

    // A long address grows the card's first line, up to 100 points.
    panel->setAddressLableText(QString(200, QChar(0x8def)));
    EXPECT_FALSE(panel->addressLbl()->isHidden());
    EXPECT_FALSE(panel->pointViewBeforeAttri()->isHidden());
    const double height = panel->addressLbl()->frame().size.height;
    EXPECT_GT(height, 80);
    EXPECT_LE(height, 100);
    EXPECT_EQ(panel->houseAttributeLbl()->frame().origin.y, 28 + height + 13);
}

TEST_F(PhotoInfoViewsTest, TheBackdropComesFromTheFirstPictureOnly) {
    auto panel = show(std::make_shared<QXFCHouseSourceInfoDetailView>(ui::Rect(0, 0, 320, 480)));
    panel->setBackgroundImage(nullptr);
    EXPECT_FALSE(panel->backgroundImageView()->image());
    panel->setBackgroundImage(ui::Image::imageWithColor(ui::Color::redColor(), {320, 240}));
    const auto first = panel->backgroundImageView()->image();
    ASSERT_TRUE(first);
    const QColor middle =
        first->pixels().pixelColor(first->pixels().width() / 2, first->pixels().height() / 2);
    EXPECT_GT(middle.red(), 200) << "the red picture, blurred";
    panel->setBackgroundImage(ui::Image::imageWithColor(ui::Color::blueColor(), {320, 240}));
    EXPECT_EQ(panel->backgroundImageView()->image(), first);
}

TEST_F(PhotoInfoViewsTest, ThePanelsButtonsReportTheirCodesOnlyToABlock) {
    auto panel = show(std::make_shared<QXFCHouseSourceInfoDetailView>(ui::Rect(0, 0, 320, 480)));
    panel->viewWithTag(LoadingOverlay::kTag)->removeFromSuperview();
    EXPECT_TRUE(driver_.tap(panel->chatBtn()));
    std::vector<int> codes;
    panel->setActionsBlock([&](int code) { codes.push_back(code); });
    driver_.tap(panel->chatBtn());
    driver_.tap(panel->phoneBtn());
    driver_.tap(panel->agentNameLbl());
    EXPECT_EQ(codes, (std::vector<int>{QXFCHouseSourceInfoDetailView::kChatCode,
                                       QXFCHouseSourceInfoDetailView::kCallCode}))
        << "a card without a broker opens no broker page";
}
