// The broker's shop page against the stand-in: what it asks, what it shows of a sample
// broker, odd data, the call and chat, a chat without a post, and its lists.
#include "../community/CommunityFixture.h"

#include "ReferenceImage.h"
#include "houses/broker/PromotionListViewController.h"
#include "houses/broker/QXAgentInfoController.h"
#include "houses/shared/ChatScreenOpener.h"
#include "map/URLPic.h"
#include "net/EndpointTable.h"
#include "platform/uikit/alert_test_driver.h"
#include "platform/uikit/alert_view.h"
#include "platform/uikit/application.h"
#include "platform/uikit/message_compose_view_controller.h"
#include "platform/uikit/scroll_view.h"
#include "platform/uikit/string_drawing.h"
#include "ui/widgets/LoadingOverlay.h"

namespace {

// Remembers the chats asked for and stands in a plain screen for each.
class RecordingChats final : public ChatScreenOpener {
public:
    struct Chat {
        QVariantMap talkInfo;
        QString title;
        bool hiddenAgentView;
        bool agentTag;
    };
    std::vector<Chat> chats;

    std::shared_ptr<ui::ViewController> makeChatScreen(const QVariantMap& talkInfo,
                                                       const QString& title, bool hiddenAgentView,
                                                       bool agentTag) override {
        chats.push_back({talkInfo, title, hiddenAgentView, agentTag});
        return std::make_shared<ui::ViewController>();
    }
};

QJsonObject jsonOf(const QVariant& text) {
    return QJsonDocument::fromJson(text.toString().toUtf8()).object();
}

}  // namespace

class BrokerPageTest : public CommunityFixture {
protected:
    void SetUp() override {
        CommunityFixture::SetUp();
        ChatScreenOpener::install(chats_);
        context().setLogonState({.loginID = 77, .userId = 9000000077});
    }
    void TearDown() override {
        ChatScreenOpener::install(nullptr);
        CommunityFixture::TearDown();
    }

    // A broker of the test city with posts of every kind.
    static standin::SampleBroker busyBroker() {
        for (const auto& broker : standin::SamplePeople::brokersOfCity(kCity)) {
            bool everyKind = true;
            for (const int kind : {1, 3, 5})
                everyKind = everyKind && !standin::Posts::ofPoster(broker.userId, kind).empty();
            if (everyKind) return broker;
        }
        throw std::runtime_error("no broker with posts of every kind");
    }
    void open(const QString& agentId, const QString& postId = {}, const QVariantMap& data = {}) {
        page_ = std::make_shared<QXAgentInfoController>();
        page_->setAgentId(agentId);
        page_->setPostId(postId);
        page_->setDataInfo(data);
        push(page_);
        ASSERT_TRUE(waitFor([&] {
            return !page_->view()->viewWithTag(LoadingOverlay::kTag) &&
                   (!page_->mailView()->isHidden() || !noticeOf(*page_).isEmpty());
        }));
    }
    // Opens the page with `base` as the broker's profile, handed over by the opener.
    void openWith(const QVariantMap& base, const QVariant& postNum = QVariantMap{{"5", 2}}) {
        open("8000000101", "5_1_1009_100",
             {{"baseInfo", base},
              {"phone", "13900001234"},
              {"premierPrivilege", QVariantMap{{"postNum", postNum}}}});
    }
    [[nodiscard]] QString alertText() const {
        const ui::AlertView* alert = alerts_->visibleAlert();
        return alert ? alert->message() : QString();
    }

    std::shared_ptr<RecordingChats> chats_ = std::make_shared<RecordingChats>();
    std::shared_ptr<QXAgentInfoController> page_;
};

TEST_F(BrokerPageTest, TheShopPageOfASampleBroker) {
    const standin::SampleBroker broker = busyBroker();
    ASSERT_GT(broker.userId, qint64(1) << 32);
    open(QString::number(broker.userId));
    EXPECT_EQ(page_->title(), "经纪人店铺");

    const auto sent = calls("GetUserPrivilegeByUserId");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].body, "cityScriptIndex=100&categoryId=7&feeType=1&ucUserId=" +
                                QByteArray::number(broker.userId) + "&pg=2&pi=1")
        << "the whole 64-bit id";
    QStringList names;
    for (const QByteArray& name : sent[0].headerNames()) names << QString::fromLatin1(name);
    names = names.mid(names.indexOf("customerID"));
    EXPECT_EQ(names.mid(0, 6), (QStringList{"customerID", "clientAgent", "model", "userId",
                                            "versionId", "interface"}));
    EXPECT_FALSE(names.contains("customerId"));
    EXPECT_FALSE(names.contains("cityScriptIndex"));

    EXPECT_EQ(page_->nameLabel()->text(), broker.name);
    EXPECT_EQ(page_->companyLabel()->text(), broker.company);
    EXPECT_TRUE(page_->positionLabel()->text().startsWith(broker.districtName + "-"));
    const double nameWidth =
        ui::StringDrawing::sizeWithFont(broker.name, page_->nameLabel()->font(),
                                        page_->nameLabel()->frame().size.width,
                                        page_->nameLabel()->lineBreakMode())
            .width;
    EXPECT_EQ(page_->positionLabel()->frame().origin.x,
              page_->nameLabel()->frame().origin.x + nameWidth + 5);
    EXPECT_EQ(page_->positionLabel()->frame().maxX(), 312);
    EXPECT_EQ(page_->contactCountLabel()->text(),
              QString("%1人联系过").arg(10 + broker.userId % 90));
    EXPECT_EQ(page_->phoneLabel()->text(), broker.phone);
    EXPECT_EQ(page_->avatarURL(),
              EndpointTable::imageHost() + QString("/avatars/brokers/%1.jpg").arg(broker.userId));
    EXPECT_EQ(page_->starView()->frame().origin.x, page_->nameLabel()->frame().origin.x);
    for (const auto& [tag, text] : {std::pair{5, "二手房（%1套）"}, std::pair{1, "租房（%1套）"},
                                    std::pair{3, "合租（%1套）"}}) {
        EXPECT_EQ(page_->enterLabel(tag)->text(),
                  QString(text).arg(standin::Posts::ofPoster(broker.userId, tag).size()));
    }
    EXPECT_EQ(page_->mailView()->contentSize().height,
              page_->beginConnectionBt()->frame().maxY() + 5);
}

TEST_F(BrokerPageTest, BadgesAndMissingValuesOfHandedOverData) {
    openWith({{"name", "王伟"}, {"ICImage", true}, {"businessCardImage", false}});
    EXPECT_TRUE(calls("GetUserPrivilegeByUserId").empty()) << "handed-over data asks nothing";
    EXPECT_FALSE(page_->bCardAutheLabel()->isHidden());
    EXPECT_EQ(page_->bCardAutheLabel()->text(), "身份证验证");
    EXPECT_TRUE(page_->iCardAutheLabel()->isHidden());
    const double alone = page_->bCardAutheLabel()->center().x;

    openWith({{"ICImage", true}, {"businessCardImage", true}, {"avatar", "http://pics/a.png"}});
    EXPECT_EQ(page_->bCardAutheLabel()->text(), "名片验证");
    EXPECT_FALSE(page_->iCardAutheLabel()->isHidden());
    EXPECT_EQ(page_->bCardAutheLabel()->center().x, alone + 12);
    EXPECT_EQ(page_->avatarURL(), "http://pics/a.png");
    EXPECT_EQ(page_->nameLabel()->text(), "    ") << "no name";

    openWith({{"avatar", 5}}, "none");
    EXPECT_TRUE(page_->avatarURL().isEmpty());
    EXPECT_TRUE(page_->bCardAutheLabel()->isHidden());
    EXPECT_EQ(page_->enterLabel(5)->text(), "二手房（0套）");
    EXPECT_EQ(page_->enterLabel(3)->text(), "合租（0套）");
    ASSERT_TRUE(driver_->tap(page_->enterButton(3)));
    settle();
    auto list =
        std::dynamic_pointer_cast<PromotionListViewController>(navigation_->topViewController());
    ASSERT_NE(list, nullptr) << "an entry of no posts still opens its list";
    EXPECT_EQ(list->majorType(), 3);
    EXPECT_EQ(list->title(), "合租房源");
    EXPECT_EQ(list->agentId(), "8000000101");
    EXPECT_EQ(events(), QStringList{"agentdetail_bn_rentshare"});

    // Data without a profile is no broker's: the notice instead of an empty page.
    open("8000000101", {}, {{"phone", "1"}});
    EXPECT_EQ(noticeOf(*page_), "加载信息出错，请稍后再试");
    EXPECT_TRUE(page_->mailView()->isHidden());

    // Every call fails for now (the list opened above may still be asking too).
    server().setFault({.prefix = standin::paths::kDataShare, .status = 500});
    open(QString::number(busyBroker().userId));
    EXPECT_EQ(noticeOf(*page_), "加载信息出错，请稍后再试");
    server().setFaults({});
}

TEST_F(BrokerPageTest, TheCallGoesToThePhoneAndTheChatToThePostOfTheOpener) {
    const standin::SampleBroker broker = busyBroker();
    open(QString::number(broker.userId), "5000000123_1_1009_100");
    auto& application = ui::Application::sharedApplication();
    const std::size_t opened = application.openedURLs().size();
    ASSERT_TRUE(driver_->tap(page_->teleBt()));
    settle();
    ASSERT_EQ(application.openedURLs().size(), opened + 1);
    EXPECT_EQ(application.openedURLs().back().toString(), "tel://" + broker.phone);
    // The phone offers to call the number; the user lets it be.
    ASSERT_NE(alerts_->visibleAlert(), nullptr);
    EXPECT_EQ(alerts_->visibleAlert()->title(), broker.phone);
    ASSERT_TRUE(alerts_->pressButton("取消"));
    settle();

    // The composer comes with the number and the text; this phone cannot carry the text and
    // says so over its composer, and the page then closes the composer, adding nothing.
    ASSERT_TRUE(driver_->tap(page_->messageBt()));
    settle();
    ui::ViewController* stack = page_->navigationController();
    auto composer = std::dynamic_pointer_cast<ui::MessageComposeViewController>(
        stack->presentedViewController());
    ASSERT_NE(composer, nullptr);
    EXPECT_EQ(composer->recipients(), QStringList{broker.phone});
    EXPECT_EQ(composer->body(),
              "您好，我对您的房源很感兴趣，请尽快与我取得联系吧[TovikNevoru找房用户]");
    ASSERT_TRUE(driver_->tapText("发送"));
    settle();
    ASSERT_NE(alerts_->visibleAlert(), nullptr) << "a send that failed is not passed over";
    EXPECT_EQ(alerts_->visibleAlert()->title(), ui::MessageComposeViewController::kNotSentTitle);
    EXPECT_EQ(stack->presentedViewController(), composer);
    ASSERT_TRUE(alerts_->pressButton(ui::MessageComposeViewController::kNotSentButton));
    settle();
    EXPECT_EQ(stack->presentedViewController(), nullptr);
    EXPECT_EQ(alerts_->visibleAlert(), nullptr);

    int refreshes = 0;
    auto observation = ns::NotificationCenter::defaultCenter().addObserver(
        "refreshIcon", [&](const ns::Notification&) { ++refreshes; });
    ASSERT_TRUE(driver_->tap(page_->beginConnectionBt()));
    settle();
    ASSERT_EQ(chats_->chats.size(), 1u);
    const auto& chat = chats_->chats.front();
    EXPECT_EQ(chat.title, broker.name);
    EXPECT_TRUE(chat.agentTag);
    EXPECT_FALSE(chat.hiddenAgentView);
    EXPECT_EQ(chat.talkInfo["u_id"], "9000000077");
    EXPECT_EQ(chat.talkInfo["t_id"], QString::number(broker.userId) + "-9000000077");
    EXPECT_EQ(chat.talkInfo["r_id"], "5000000123_1_1009_100");
    EXPECT_EQ(chat.talkInfo["p_post"], "{\"id\":\"5000000123_1_1009_100\",\"title\":\" \"}");
    const QJsonObject other = jsonOf(chat.talkInfo["o_user"]);
    EXPECT_EQ(other["id"].toString(), QString::number(broker.userId));
    EXPECT_EQ(other["name"].toString(), broker.name);
    EXPECT_EQ(other["phone"].toString(), broker.phone);
    EXPECT_EQ(other["creditScore"].toString(), QString::number(broker.creditScore));
    EXPECT_EQ(other["companyName"].toString(), broker.company);
    EXPECT_EQ(other["picUrl"].toString(), page_->avatarURL());
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(events(), (QStringList{"agentdetail_bn_calling", "agentdetail_bn_message",
                                     "agentdetail_bn_im"}));
}

TEST_F(BrokerPageTest, WithoutAPostTheChatFindsOneOfTheBrokersOrSaysWhyNot) {
    const standin::SampleBroker broker = busyBroker();
    // A name with a quote and a missing credit still make a valid talk record.
    open(
        QString::number(broker.userId), {},
        {{"baseInfo", QVariantMap{{"name", "王\"伟"}, {"companyName", "安家"}}}, {"phone", "139"}});
    ASSERT_TRUE(driver_->tap(page_->beginConnectionBt()));
    ASSERT_TRUE(waitFor([&] { return !chats_->chats.empty(); }));
    const auto found = calls("GetPostList");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].body, "cityScriptIndex=100&categoryId=7&feeType=1&ucUserId=" +
                                 QByteArray::number(broker.userId) +
                                 "&pg=2&pi=3&listType=1&page=1&pageSize=10");
    // The broker's first post of any kind, in the current city.
    const standin::SamplePost* first = standin::Posts::ofPoster(broker.userId, 5).front();
    const QString reference = QString("%1_5_1009_100").arg(first->record["id"].toString());
    EXPECT_EQ(chats_->chats.front().talkInfo["r_id"], reference);
    const QJsonObject other = jsonOf(chats_->chats.front().talkInfo["o_user"]);
    EXPECT_EQ(other["name"].toString(), "王\"伟");
    EXPECT_EQ(other["creditScore"].toString(), "-1");

    // A broker without posts: the chat says why it cannot start.
    open(QString::number(broker.userId), {}, {{"baseInfo", QVariantMap{{"name", "王伟"}}}});
    replyOnce({{"errCode", 0}, {"page", QJsonObject{{"count", 0}, {"posts", QJsonArray()}}}});
    ASSERT_TRUE(driver_->tap(page_->beginConnectionBt()));
    ASSERT_TRUE(waitFor([&] { return !alertText().isEmpty(); }));
    EXPECT_EQ(alertText(), "该经纪人暂时没有房源，无法发起对话，试试打电话吧~");
    alerts_->pressButtonAtIndex(0);
    settle();
    server().setFault({.prefix = standin::paths::kDataShare, .status = 502, .times = 1});
    ASSERT_TRUE(driver_->tap(page_->beginConnectionBt()));
    ASSERT_TRUE(waitFor([&] { return !alertText().isEmpty(); }));
    EXPECT_EQ(alertText(), "网络异常，请稍后再试");
    EXPECT_EQ(chats_->chats.size(), 1u);
}

TEST_F(BrokerPageTest, ReferenceBrokerPage) {
    open(QString::number(busyBroker().userId));
    ASSERT_TRUE(waitFor([&] {
        return page_->icon()->image() &&
               page_->icon()->image() != ui::Image::imageNamed("默认头像.png");
    }));
    EXPECT_TRUE(matchesReferenceImage(driver_->screenshot(2)->pixels(), "src/houses/reference",
                                      "broker_page.png"));
}
