// Contacting a post's poster: the number chosen, the post reference and talk record of a chat,
// and the hand-off to the chat screen with its refusals.
#include "DetailScreenFixture.h"

#include "houses/HousesNavigation.h"
#include "houses/shared/PosterPhones.h"
#include "houses/shared/PosterTalk.h"
#include "net/QXDESCode.h"
#include "net/transport/Json.h"
#include "platform/foundation/notification_center.h"

using namespace standin;

using PostContactTest = DetailScreenFixture;

TEST_F(PostContactTest, TheContactNumberIsTheFirstUsableEntry) {
    const auto choose = [](const QString& phone) { return PosterPhones::contactNumber(phone); };
    // Numbers come enciphered whenever they are more than digits.
    auto contact = choose(PostDetailCalls::encipher("12345678,13912345678"));
    EXPECT_EQ(contact.phone, "12345678") << "a landline first is taken; the mobile after it not";
    EXPECT_EQ(contact.phoneType, PosterPhones::kOther);
    contact = choose(PostDetailCalls::encipher("123,13912345678"));
    EXPECT_EQ(contact.phone, "13912345678");
    EXPECT_EQ(contact.phoneType, PosterPhones::kMobile);
    contact = choose(PostDetailCalls::encipher(",,15800001111"));
    EXPECT_EQ(contact.phone, "15800001111");
    EXPECT_EQ(choose("123").phoneType, PosterPhones::kNone);
    EXPECT_EQ(choose("13912345678").phoneType, PosterPhones::kMobile) << "digits stand as they are";
    EXPECT_EQ(choose("").phone, "");
    // An enciphered text is deciphered first; the stand-in writes what the app reads.
    const QString wire = PostDetailCalls::encipher("021-6543210,18600001111");
    EXPECT_EQ(wire, QXDESCode::encryptStr("021-6543210,18600001111"));
    contact = choose(wire);
    EXPECT_EQ(contact.phone, "021-6543210");
    EXPECT_EQ(contact.phoneType, PosterPhones::kOther);
    EXPECT_EQ(PosterPhones::validPhone(wire), "18600001111");
    EXPECT_EQ(choose("not a cipher!").phoneType, PosterPhones::kNone);
}

// A city tree in which one test city has the script index 101.
class CityIndexHost final : public HousesHost {
public:
    [[nodiscard]] std::optional<int> cityIndexWithName(const QString& name) const override {
        return name == QStringLiteral("测试市") ? std::optional<int>(101) : std::nullopt;
    }
};

TEST_F(PostContactTest, TheTalkRecordNamesThePostAndEscapesItsTexts) {
    HousesHost::install(std::make_shared<CityIndexHost>());
    const QString cityName = QStringLiteral("测试市");
    QVariantMap post{{"puid", "12345"},         {"id", "0"},
                     {"major_category", 1},     {"city", cityName},
                     {"user_id", "88"},         {"person", R"(王"大"\伟)"},
                     {"street_name", "徐家汇"}, {"district_name", "徐汇"}};
    EXPECT_EQ(PosterTalk::talkPostId(post), "12345_1_1009_101");
    post["id"] = -3;
    EXPECT_EQ(PosterTalk::talkPostId(post), "12345_1_1009_101") << "no id: the puid";
    post["id"] = "5000000123";
    EXPECT_EQ(PosterTalk::talkPostId(post), "5000000123_1_1009_101");
    post["city"] = "无此城";
    EXPECT_EQ(PosterTalk::talkPostId(post), "5000000123_1_1009_0");
    post["city"] = cityName;

    const QVariantMap talk = PosterTalk::ofPost(post, {}, "13912345678").talkInfo(7);
    EXPECT_EQ(talk["u_id"], "7");
    EXPECT_EQ(talk["t_id"], "88-7");
    EXPECT_EQ(talk["r_id"], "5000000123_1_1009_101");
    EXPECT_EQ(json_JSON(talk["p_post"]).toMap(),
              (QVariantMap{{"id", "5000000123_1_1009_101"}, {"title", " "}}));
    const QVariantMap user = json_JSON(talk["o_user"]).toMap();
    EXPECT_EQ(user["name"], R"(王"大"\伟)") << "quotes and backslashes survive as JSON";
    EXPECT_EQ(user["creditScore"], "-1") << "no credit rate";
    EXPECT_EQ(user["phone"], "13912345678");
    EXPECT_EQ(user["districtName"], "徐汇");
    EXPECT_EQ(user["companyName"], "");
    const QVariantMap agent{
        {"creditRate", 4}, {"userHead", "http://h/1.jpg"}, {"companyName", "安家房产"}};
    const QVariantMap broker =
        json_JSON(PosterTalk::ofPost(post, agent, "").talkInfo(7)["o_user"]).toMap();
    EXPECT_EQ(broker["creditScore"], "4");
    EXPECT_EQ(broker["picUrl"], "http://h/1.jpg");
    EXPECT_EQ(broker["companyName"], "安家房产");
}

TEST_F(PostContactTest, TheChatOpensThisPostsTalkAndRefusesWhatIsNoTalk) {
    int refreshes = 0;
    const auto observation = ns::NotificationCenter::defaultCenter().addObserver(
        "refreshIcon", [&](const ns::Notification&) { ++refreshes; });
    QVariantMap post = listPost(1, byBroker);

    // Logged off (user 0) before a post without poster: no talk, and never "with oneself".
    QVariantMap nobody = post;
    nobody["user_id"] = "0";
    show(QXPostDetailNew::initWithContent(nobody, 7, 1));
    detail_->communicatePerson();
    EXPECT_EQ(alertMessage(), "对方暂时不能接受你的消息哦，试试短信或者打电话吧~");
    dismissAlert();
    // The user's own post.
    context().setLogonState({.loginID = 77, .userId = post["user_id"].toLongLong()});
    show(QXPostDetailNew::initWithContent(post, 7, 1));
    detail_->communicatePerson();
    EXPECT_EQ(alertMessage(), "不能和自己对话!");
    dismissAlert();
    EXPECT_TRUE(chats_->made.empty());
    EXPECT_EQ(refreshes, 0);

    // A chat of another talk lies below: this post's talk opens on top, not that one.
    context().setLogonState({.loginID = 77, .userId = 77});
    auto other = std::make_shared<TestChatScreen>(QVariantMap{{"t_id", "123-77"}});
    detail_ = QXPostDetailNew::initWithContent(post, 7, 1);
    detail_->setHiddenChatAgentInfo(true);
    navigation_->setViewControllers({std::make_shared<ui::ViewController>(), other, detail_},
                                    false);
    settle();
    ASSERT_TRUE(waitFor([&] { return detail_->isGetDetailFinish(); }));
    ASSERT_TRUE(driver_->tap(barButton(QXPostDetailNew::kChatButtonTag)));
    settle();
    ASSERT_EQ(chats_->made.size(), 1u);
    const auto& made = chats_->made[0];
    EXPECT_EQ(made.talkInfo["t_id"], post["user_id"].toString() + "-77");
    EXPECT_EQ(made.title, post["person"]);
    EXPECT_TRUE(made.agentTag);
    EXPECT_TRUE(made.hiddenAgentView);
    EXPECT_EQ(json_JSON(made.talkInfo["o_user"]).toMap()["companyName"],
              detail_->agentInfo()["companyName"]);
    EXPECT_EQ(navigation_->viewControllers().size(), 4u);
    EXPECT_TRUE(navigation_->topViewController()->hidesBottomBarWhenPushed());
    EXPECT_EQ(refreshes, 1);

    // From a detail above the chat of this very talk, the chat is shown again.
    auto again = QXPostDetailNew::initWithContent(post, 7, 1);
    navigation_->pushViewController(again, false);
    settle();
    EXPECT_EQ(PosterTalk::ofPost(post, {}, "").open(*navigation_, "", false, false),
              PosterTalk::Opened::ShownAgain);
    settle();
    EXPECT_EQ(chats_->made.size(), 1u);
    EXPECT_EQ(navigation_->viewControllers().size(), 4u);
    EXPECT_NE(dynamic_cast<TestChatScreen*>(navigation_->topViewController().get()), nullptr);
}

// Each road to the detail hands its chat the broker bar or not: a post list's detail and a
// community house list's hide it, every other opener's chat shows it.
TEST_F(PostContactTest, TheChatOfAPostListsOrACommunityListsDetailHasNoBrokerBar) {
    using Door = HousesNavigation;
    context().setLogonState({.loginID = 77, .userId = 77});
    const QVariantMap post = listPost(1, byBroker);
    const auto chatHidesTheBar = [&](const std::function<void(ui::ViewController&)>& open) {
        navigation_->setViewControllers({std::make_shared<ui::ViewController>()}, false);
        open(*navigation_->topViewController());
        settle();
        detail_ = std::dynamic_pointer_cast<QXPostDetailNew>(navigation_->topViewController());
        EXPECT_TRUE(detail_);
        if (!detail_) return false;
        waitForDetail();
        const std::size_t before = chats_->made.size();
        detail_->communicatePerson();
        settle();
        EXPECT_EQ(chats_->made.size(), before + 1);
        return chats_->made.size() > before && chats_->made.back().hiddenAgentView;
    };
    const auto holding = [&](Door::PostOpener opener) {
        return [&, opener](ui::ViewController& from) {
            Door::pushPostDetail(from, opener, {.post = post, .master = 7, .major = 1});
        };
    };
    const auto byPuid = [&](Door::PuidOpener opener) {
        return [&, opener](ui::ViewController& from) {
            Door::pushPostDetail(from, opener, post["puid"].toString());
        };
    };
    EXPECT_TRUE(chatHidesTheBar(holding(Door::PostOpener::PostList)));
    EXPECT_TRUE(chatHidesTheBar(holding(Door::PostOpener::CommunityHouses)));
    EXPECT_FALSE(chatHidesTheBar(holding(Door::PostOpener::SearchResults)));
    EXPECT_FALSE(chatHidesTheBar(holding(Door::PostOpener::Favourites)));
    EXPECT_FALSE(chatHidesTheBar(byPuid(Door::PuidOpener::ChatCard)));
}
