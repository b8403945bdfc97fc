#pragma once

#include "needs/QXBrokerReplyViewController.h"
#include "needs/QXBrokersPopListView.h"

#include "IMChat/qximlib/QXIMDatabase.h"
#include "IMChat/qximlib/QXIMMessage.h"
#include "IMChat/qximlib/QXIMService.h"
#include "IMChat/qximlib/QXIMUser.h"
#include "chat/QXVoicePlayer.h"
#include "houses/shared/HousesHost.h"
#include "map/URLPic.h"
#include "net/BodyJson.h"
#include "net/ClassCallBody.h"
#include "net/EndpointTable.h"
#include "net/QXIMRequest.h"
#include "net/QXNetConnection.h"
#include "net/QXNetContext.h"
#include "net/QXNetDefaultContext.h"
#include "net/transport/Json.h"
#include "ui/image/ImageView.h"
#include "util/categories/Tolerant.h"

#include "CallsOnTheirWay.h"
#include "MessagingStandin.h"
#include "ReferenceImage.h"
#include "ScreenFixture.h"
#include "standin/Geography.h"
#include "standin/SamplePeople.h"

#include "platform/foundation/user_defaults.h"
#include "platform/uikit/label.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

// A signed-in user with the messaging service against the stand-in, a window whose tab shell
// holds a navigation stack with a plain root screen, and the way to publish needs to the
// stand-in and keep their rows as the publishing screen does.
class NeedScreenFixture : public ScreenFixture<> {
protected:
    NeedScreenFixture() : ScreenFixture(Settling{.handlePostedFirst = true, .seconds = 0.3}) {}

    static constexpr qint64 kUser = 9000000000077;
    // The sample's first city, whose districts have broker shops.
    static constexpr int kCity = 0;

    void SetUp() override {
        ScreenFixture::SetUp();
        context_ = std::make_shared<QXNetDefaultContext>();
        context_->setConnectionReachabil(true);
        context_->setCurrentCityScript_index(kCity);
        context_->setLogonState(QXNetLogon{.userId = kUser});
        QXNetContext::install(context_);
        HousesHost::install(nullptr);
        MessagingStandin::signIn(kUser);
        QXIMDatabase::shared().openDatabase(QString::number(kUser));
        auto root = std::make_shared<ui::ViewController>();
        root->setTitle(QStringLiteral("首页"));
        navigation_->setViewControllers({root}, false);
        showInTabShell(QStringLiteral("首页"));
    }

    void TearDown() override {
        QXBrokersPopListView::hideBrokersPopListView();
        // The pop-up outlives the test: its slide ends on this test's clock.
        driver_->wait(QXBrokersPopListView::kSlideDuration);
        closeScreens();
        QXVoicePlayer::forceRelease();
        QXIMService::forceRelease();
        QXIMUser::shared().setUserId(QXIMUser::getDefaultUserid());
        HousesHost::install(nullptr);
        QXNetContext::install(nullptr);
        ScreenFixture::TearDown();
    }

    [[nodiscard]] static QString own() { return QString::number(kUser); }

    // Starts the messaging service and waits for its stream.
    void startMessaging() {
        service_ = QXIMService::shared();
        ASSERT_TRUE(runMainLoopUntil([&] { return messaging_.openStreams(kUser) >= 1; }));
    }

    // Publishes a need to the stand-in as the publishing screen does; its reply.
    QVariantMap publish(const QString& kind, const QString& district, const QString& houseTypes,
                        const QString& price, bool aroundPosition = false,
                        const QString& location = {}) {
        const QString place =
            aroundPosition
                ? BodyJson::object({{"cityScriptIndex", BodyJson::number(kCity)},
                                    {"streetId", BodyJson::number(-2)},
                                    {"districtId", BodyJson::number(-2)}})
                : BodyJson::object({{"cityScriptIndex", BodyJson::string(QString::number(kCity))},
                                    {"streetId", BodyJson::string("-1")},
                                    {"districtId", BodyJson::string(district)}});
        const QString body = ClassCallBody()
                                 .call("SearchHousingRequest", "postHousingRequest",
                                       {BodyJson::string(kind), place, BodyJson::string(location),
                                        houseTypes, BodyJson::string(own()), BodyJson::string(""),
                                        BodyJson::string("0"), BodyJson::string("我要求租一套房源"),
                                        BodyJson::string(price), BodyJson::string("1")})
                                 .text();
        QVariantMap reply;
        bool done = false;
        QXNetConnection::sharedInstance().requestNearByAgentInfoWithParameter(
            body,
            [&](const QVariant& answer) {
                reply =
                    Tolerant(answer)["data"]["SearchHousingRequest"]["postHousingRequest"].toMap();
                done = true;
            },
            [&](const QVariantMap&) { done = true; });
        EXPECT_TRUE(runMainLoopUntil([&] { return done; }));
        return reply;
    }

    // Keeps the need's row as the publishing screen does.
    static void storeNeed(const QString& needId, const QString& rentOrBuy, const QString& district,
                          const QString& huxing, const QString& price, const QString& priceName,
                          const QString& location, qint64 time, const QString& latlng = {}) {
        QXIMDatabase::NeedInfo need;
        need.userId = own();
        need.needId = needId;
        need.cityScriptIndex = QString::number(kCity);
        need.districtId = latlng.isEmpty() ? district : QStringLiteral("-");
        need.streetId = latlng.isEmpty() ? QStringLiteral("-1") : QStringLiteral("-");
        need.latlng = latlng;
        need.huxing = huxing;
        need.price = price;
        need.priceType = QStringLiteral("1");
        need.location = location;
        need.time = QString::number(time);
        need.rentOrBuy = rentOrBuy;
        need.priceName = priceName;
        ASSERT_TRUE(QXIMDatabase::shared().saveNeedInfo(need));
    }

    // A broker's message about the need, as the messaging service keeps it.
    void storeAnswer(qint64 broker, const QString& needId) {
        QXIMMessage message;
        message.userId = own();
        message.talkId = QStringLiteral("%1-%2").arg(broker).arg(kUser);
        message.fromId = QString::number(broker);
        message.toId = own();
        message.needId = needId;
        message.otherUser = QStringLiteral(R"({"id":"%1","name":"王先生"})").arg(broker);
        message.setContents(json_JSONString(QVariantList{QStringLiteral("您好")}));
        message.uTime = 1700000100;
        message.messageId = broker;
        message.completeMessage = QStringLiteral("{}");
        ASSERT_TRUE(QXIMDatabase::shared().saveMessage(message, false));
        ASSERT_TRUE(QXIMDatabase::shared().saveMessageIntoTalkTable(message));
    }
    // How many brokers' answers about the need the store holds.
    static int answeredBy(const QString& needId) {
        unsigned users = 0, houses = 0;
        QXIMDatabase::shared().messagesByUserId(own(), needId, &users, &houses);
        return int(users);
    }
    // A subscription made on the stand-in for the need; its id, kept with the need.
    qint64 subscribe(const QString& needId) {
        qint64 id = 0;
        bool done = false;
        QXNetConnection::sharedInstance().requestManageSubscribeWithID(
            needId, QXNetConnection::kSubscribe, 1,
            [&](const QVariant& reply) {
                id = Tolerant(reply)["data"]["subscribeId"].value().toLongLong();
                done = true;
            },
            [&](const QVariantMap&) { done = true; });
        EXPECT_TRUE(runMainLoopUntil([&] { return done; }));
        QXIMDatabase::shared().updateSubscribeId(QString::number(id), needId);
        return id;
    }
    // A district of the city where brokers work: its id and name.
    static std::pair<QString, QString> brokerDistrict() {
        const auto brokers = standin::SamplePeople::brokersOfCity(kCity);
        const standin::CityRow* city = standin::Geography::city(kCity);
        if (brokers.empty() || !city) return {};
        for (const standin::DistrictRow& district : city->districts) {
            if (district.name == brokers.front().districtName)
                return {QString::number(district.id), district.name};
        }
        return {};
    }

    // Opens the replies screen of a need and lets it load.
    std::shared_ptr<QXBrokerReplyViewController> openReplies(const QString& needId,
                                                             bool fromHistory, int matched = 3) {
        auto screen = std::make_shared<QXBrokerReplyViewController>();
        screen->setNeedId(needId);
        screen->setIsFromNeedHistoryVC(fromHistory);
        screen->setMatchedBrokerCount(matched);
        navigation_->pushViewController(screen, false);
        driver_->wait(0.1);
        return screen;
    }

    // Every picture on screen has come.
    bool picturesLoaded() {
        for (ui::View* view :
             driver_->findAll([](ui::View& v) { return dynamic_cast<URLPic*>(&v); }))
            if (static_cast<URLPic*>(view)->isDownloading()) return false;
        for (ui::View* view :
             driver_->findAll([](ui::View& v) { return dynamic_cast<ImageView*>(&v); })) {
            if (static_cast<ImageView*>(view)->isLoading()) return false;
        }
        return true;
    }
    void settlePictures() {
        ASSERT_TRUE(settleUntil([&] { return picturesLoaded(); }, 0.1));
        settle();
    }
    // Waits, the clock standing, until no call of the app is on its way (a reply, a picture,
    // the messaging stream's end) and every picture on screen has come: what a reply starts (a
    // picture it names) is waited for too.
    bool waitForCallsAndPictures() {
        return waitFor([&] { return pathsOfCallsOnTheirWay().isEmpty() && picturesLoaded(); });
    }

    // Lets the messaging service go: its own minute beat and its stream's idle time-out are the
    // app's, and would fall in a rest's spans after however much clock the waits before took.
    void releaseMessaging() {
        QXIMService::forceRelease();
        service_.reset();
        settle();
    }

    // Lets the messaging service go once every answer is in (its own minute beat and its
    // stream's idle time-out are the app's, not a screen's), then holds that the screen on top
    // draws nothing and runs nothing at rest: shown, beneath another screen and shown again,
    // its pictures in each time.
    void expectRestsShownBeneathAnotherAndAgain() {
        settlePictures();
        releaseMessaging();
        ASSERT_TRUE(waitForCallsAndPictures());
        EXPECT_TRUE(restsIdle()) << "shown";
        navigation_->pushViewController(std::make_shared<ui::ViewController>(), false);
        EXPECT_TRUE(restsIdle()) << "beneath another screen";
        navigation_->popViewControllerAnimated(false);
        settlePictures();
        ASSERT_TRUE(waitForCallsAndPictures());
        EXPECT_TRUE(restsIdle()) << "shown again";
    }

    [[nodiscard]] std::vector<standin::RecordedRequest> callsOf(const QByteArray& interface,
                                                                const QByteArray& method = {}) {
        std::vector<standin::RecordedRequest> found;
        for (const auto& request : server().requests()) {
            if (request.header("interface") != interface) continue;
            if (!method.isEmpty() && !request.body.contains(method)) continue;
            found.push_back(request);
        }
        return found;
    }

    std::shared_ptr<QXNetDefaultContext> context_;
    std::shared_ptr<QXIMService> service_;
    MessagingStandin messaging_{server()};
};
