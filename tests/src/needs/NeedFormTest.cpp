// The need form against the stand-in: what a published need sends and keeps, and the
// branches off the happy road (failures, refusals, replies after the form left).
#include "NeedFormFixture.h"

#include "IMChat/qximlib/QXFCIMReceiverParser.h"
#include "IMChat/qximlib/QXIMNotifications.h"
#include "IMChat/qximlib/qximdata/util/QXIMUtil.h"
#include "chat/VoiceFolders.h"
#include "chat/VoiceLeftovers.h"
#include "houses/shared/ErrorTipView.h"

#include "needs/DistrictSelect.h"
#include "needs/QXBrokerReplyViewController.h"
#include "needs/QXNeedHistoryItem.h"
#include "needs/StreetSelect.h"

#include "location/UserLocation.h"

#include "MessagingStandin.h"

#include "platform/foundation/file_manager.h"
#include "platform/foundation/notification_center.h"
#include "platform/uikit/table_view.h"

#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace {

class NeedFormTest : public NeedFormFixture {
protected:
    // Waits for the broker replies that follow a published need: its replies screen, given
    // the need's id. A new alert instead (a failure the user is told of) ends the wait at
    // once.
    bool repliesOpened() {
        const auto opened = [&] {
            const auto* replies = dynamic_cast<QXBrokerReplyViewController*>(top());
            return replies && !replies->needId().isEmpty() && !replies->isFromNeedHistoryVC();
        };
        const auto* shown = alerts_->visibleAlert();
        waitFor([&] {
            const auto* alert = alerts_->visibleAlert();
            return opened() || (alert && alert != shown);
        });
        return opened();
    }
    // Holds the recording overlay's button for `seconds` on the clock.
    void recordNote(std::chrono::milliseconds length) {
        ASSERT_TRUE(driver_->tap(form_->voiceButton()));
        settle(0.2);
        ASSERT_NE(form_->recordingOverlay(), nullptr);
        ui::View* record = driver_->findByText(QStringLiteral("开始录音"));
        ASSERT_NE(record, nullptr);
        const ui::Point at = centreInWindow(*record);
        window_->touchDown(at);
        ASSERT_TRUE(form_->recorder()->isRecording());
        clock().advance(length);
        window_->touchUp(at);
        settle(0.2);
    }
    // The publishing call made directly, as the retry alert makes it.
    void publishDirectly() {
        ASSERT_TRUE(driver_->tap(form_->sendButton()));
        settle(0.3);
        ASSERT_TRUE(alerts_->pressButton(QStringLiteral("取消")));
        settle(0.3);
        form_->getTempInterFace();
    }
    // Publishes a need of `kind` at the position while the server holds its answer, and
    // waits until the need has reached the server.
    void publishSlowly(int kind = 1, int houseType = 0) {
        locate();
        openForm(kind, {});
        chooseHouseType(houseType);
        const std::size_t before = publishCalls().size();
        server().setFault({.prefix = standin::paths::kDataShare, .hold = true, .times = 1});
        publishDirectly();
        ASSERT_TRUE(runMainLoopUntil([&] { return publishCalls().size() > before; }));
    }

    // The app ends while its need's publishing call is on its way: its screens, its messaging
    // and its store go without a word from the server, which then takes the need.
    void endApp() {
        closeScreens();
        form_.reset();
        plugin_.reset();
        QXIMService::forceRelease();
        QXIMDatabase::forceRelease();
        ASSERT_TRUE(letHeldRepliesArrive());
    }
    // The next launch: the user's store and the home tab's stack in a new window; the
    // messaging starts with startMessaging().
    void launchAgain() {
        ASSERT_TRUE(QXIMDatabase::shared().openDatabase(QString::number(kUser)));
        window_ = std::make_shared<ui::Window>();
        window_->makeKeyAndVisible();
        driver_ = std::make_unique<ui::TestDriver>(window_);
        alerts_ = std::make_unique<ui::AlertTestDriver>(*driver_);
        navigation_ = std::make_shared<ui::NavigationController>();
        navigation_->setViewControllers({std::make_shared<ui::ViewController>()}, false);
        showInTabShell(QStringLiteral("首页"));
    }
    // The messaging service with the app's plug-in; the need ids and the senders of the
    // brokers' messages it announces (after the plug-in ran) are noted.
    void startMessaging() {
        announced_ = ns::NotificationCenter::defaultCenter().addObserver(
            QXIMNotifications::kIMRecieveNotification, [this](const ns::Notification& received) {
                for (const QXIMMessage& message :
                     received.objectAs<QXIMNotifications::ReceivedMessages>().messages) {
                    if (message.fromId.toLongLong() == kUser) continue;
                    answered_.insert(message.needId);
                    answering_.insert(message.fromId);
                    announcedIds_.insert(message.messageId);
                }
            });
        plugin_ = QXFCIMReceiverParser::install(*QXIMService::shared(),
                                                &QXNeedHistoryItem::getInfoWithDic);
    }
    // Waits until the app has handled every message written to the user so far: the
    // brokers answer a need a second apart, each answer held back until its time, so a
    // test that checks what the answers did waits for the last of them.
    bool everyAnswerHandled() {
        const QList<qint64> written = MessagingStandin(server()).written(kUser);
        return !written.isEmpty() && waitFor([&] {
            return std::all_of(written.begin(), written.end(),
                               [&](qint64 id) { return announcedIds_.contains(id); });
        });
    }
    // The needs the server took, oldest first: the id it gave each, and its sentence.
    QList<std::pair<QString, QString>> publishedNeeds() {
        QList<std::pair<QString, QString>> needs;
        const auto listed = server().control("GET", "needs");
        if (!listed) return needs;
        for (const QJsonValue need : QJsonDocument::fromJson(*listed)["needs"].toArray())
            needs.append({need["id"].toString(), need["sentence"].toString()});
        return needs;
    }
    // The user's messages of a query's kind, as rows.
    static JSSQLite::Rows rowsOf(const QString& sql) {
        return QXIMDatabase::shared().queue().inDatabase(
            [&](JSSQLite& db) { return db.executeQuery(sql).value_or(JSSQLite::Rows()); });
    }

    std::shared_ptr<QXIMServiceObserver> plugin_;
    std::shared_ptr<ns::NotificationCenter::Observation> announced_;
    QSet<QString> answered_;
    QSet<QString> answering_;
    QSet<qint64> announcedIds_;
};

TEST_F(NeedFormTest, AnAreaNeedSendsItsBodyKeepsItsRowAndOpensTheReplies) {
    storeDistricts();
    locate();
    openForm(1, {QStringLiteral("近地铁"), QStringLiteral("精装修")});
    EXPECT_EQ(form_->buttonTitlesArray(),
              (QStringList{"一室", "两室", "三室", QStringLiteral("四室以上")}));
    EXPECT_EQ(form_->priceButton()->currentTitle(), QStringLiteral("不限"));
    EXPECT_EQ(form_->areaButton()->currentTitle(), QStringLiteral("当前位置:天平路街道"));

    // The area chooser: a district, then one of its streets closes the sheet.
    ASSERT_TRUE(driver_->tap(form_->areaButton()));
    settle();
    ASSERT_TRUE(driver_->tapText(QStringLiteral("徐汇区")));
    settle();
    ASSERT_TRUE(driver_->tapText(QStringLiteral("湖南路街道")));
    settle(1.0);
    EXPECT_EQ(form_->areaButton()->currentTitle(), QStringLiteral("徐汇区-湖南路街道"));

    chooseHouseType(0);
    chooseHouseType(1);
    ASSERT_TRUE(driver_->tap(form_->selectedTerm()->buttons().at(0).get()));
    sendAndConfirm();
    ASSERT_TRUE(repliesOpened());

    ASSERT_EQ(publishCalls().size(), 1u);
    const QJsonArray sent = argumentsOf(publishCalls().front(), "postHousingRequest");
    ASSERT_EQ(sent.size(), 10);
    EXPECT_EQ(sent[0], "1");
    EXPECT_EQ(
        sent[1].toObject(),
        (QJsonObject{{"cityScriptIndex", 0}, {"streetId", 310104004}, {"districtId", "310104"}}));
    EXPECT_EQ(sent[2], "");
    EXPECT_EQ(sent[3].toArray(), (QJsonArray{1, 2}));
    EXPECT_EQ(sent[4], QString::number(kUser));
    EXPECT_EQ(sent[5], "");
    EXPECT_EQ(sent[6], "0") << "no voice note: duration 0";
    EXPECT_EQ(sent[7],
              QStringLiteral(
                  "我要求租一套【一室 两室 】房源,地点:【徐汇区-湖南路街道】。额外条件:近地铁,"));
    EXPECT_EQ(sent[8], "-1");
    EXPECT_EQ(sent[9], "1");

    const auto needs = storedNeeds();
    ASSERT_EQ(needs.size(), 1);
    const QVariantMap& row = needs.front();
    const auto* replies = dynamic_cast<QXBrokerReplyViewController*>(top());
    EXPECT_EQ(needRowIds(), QStringList{replies->needId()})
        << "the row written before the call took its id: no second one";
    EXPECT_EQ(row.value("location"), QStringLiteral("徐汇区-湖南路街道"));
    EXPECT_EQ(row.value("huxing"), "[1,2]");
    EXPECT_EQ(row.value("latlng"), "");
    EXPECT_EQ(row.value("districtId"), "310104");
    EXPECT_EQ(row.value("streetId"), "310104004");
    EXPECT_EQ(row.value("priceName"), QStringLiteral("不限"));
    EXPECT_EQ(row.value("price"), "-1");
    EXPECT_EQ(row.value("cityScriptIndex"), "0");
    EXPECT_EQ(row.value("rentOrBuy"), "1");
}

TEST_F(NeedFormTest, APositionNeedWithAQuotedStreetAndAVoiceNoteGoesAsValidJsonAndAmr) {
    locate(QStringLiteral("天平路\"8号\""));
    openForm(3, {});
    EXPECT_EQ(form_->buttonTitlesArray(), (QStringList{"主卧", "次卧"})) << "a share's rooms";
    recordNote(2500ms);
    EXPECT_FALSE(form_->deleteVoiceButton()->isHidden());
    EXPECT_EQ(form_->voiceButton()->currentTitle(), QStringLiteral("    3\"")) << "rounded up";
    const QString note = form_->audioDataPath();
    ASSERT_TRUE(ns::FileManager::fileExistsAtPath(note));

    chooseHouseType(0);
    sendAndConfirm();
    ASSERT_TRUE(repliesOpened());

    const auto uploads = calls("UploadImages");
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_GE(uploads.front().body.indexOf("#!AMR\n"), 0);
    EXPECT_TRUE(uploads.front().body.contains("filename=\"imageName.amr\""));

    ASSERT_EQ(publishCalls().size(), 1u);
    const QJsonArray sent = argumentsOf(publishCalls().front(), "postHousingRequest");
    ASSERT_EQ(sent.size(), 10) << "the body is valid JSON in valid form text";
    EXPECT_EQ(sent[1].toObject(),
              (QJsonObject{{"cityScriptIndex", 0}, {"streetId", -2}, {"districtId", -2}}));
    EXPECT_EQ(sent[2], "121.43650,31.19410") << "longitude first";
    const QString voice = sent[5].toString();
    EXPECT_TRUE(voice.startsWith(server().root()) && voice.endsWith(".amr")) << voice.toStdString();
    EXPECT_EQ(sent[6], "2") << "whole seconds";
    EXPECT_EQ(sent[7],
              QStringLiteral("我要求租一套【主卧 】房源,地点:【天平路\"8号\"】附近三公里内"));

    const auto needs = storedNeeds();
    ASSERT_EQ(needs.size(), 1);
    EXPECT_EQ(needs.front().value("latlng"), "121.43650,31.19410");
    EXPECT_EQ(needs.front().value("streetId"), "-");
    EXPECT_EQ(needs.front().value("districtId"), "-");
    EXPECT_EQ(needs.front().value("voiceUrl"), voice);
    // Kept as long as it was recorded: the need's voice reads 3" in the history and the chat,
    // as the form showed it, though the server was told whole seconds.
    EXPECT_NEAR(needs.front().value("v_len").toDouble(), 2.5, 0.05);
    EXPECT_EQ(needs.front().value("location"), QStringLiteral("天平路\"8号\""));
    // The uploaded note now lies under its address's name, and its recording is gone.
    EXPECT_FALSE(ns::FileManager::fileExistsAtPath(note));
    EXPECT_FALSE(ns::FileManager::fileExistsAtPath(VoiceFolders::wavCacheDirectory() + "/" +
                                                   QFileInfo(note).fileName()));
}

TEST_F(NeedFormTest, AGuestValidatesANumberByCodeAndTheNeedCarriesThem) {
    host_->loggedOn = false;
    locate();
    openForm(5, {});
    chooseHouseType(3);
    sendAndConfirm();
    ASSERT_TRUE(waitFor(
        [&] { return form_->validationController() && top() == form_->validationController(); }));
    const QJsonArray check =
        argumentsOf(calls("HousingRequestInfo", "isVerifyPhoneCode").front(), "isVerifyPhoneCode");
    EXPECT_EQ(check, (QJsonArray{"0", "5", "0", QString::number(kUser), "1"})) << "a guest";
    EXPECT_FALSE(loadingShown());

    QXMessageValidationController* screen = form_->validationController();
    ASSERT_TRUE(driver_->tap(screen->mobileTextField()));
    ASSERT_TRUE(driver_->type(QStringLiteral("13812345678")));
    ASSERT_TRUE(screen->getCaptchaButton()->isEnabled());
    ASSERT_TRUE(driver_->tap(screen->getCaptchaButton()));
    ASSERT_TRUE(waitFor([&] { return alerts_->visibleAlert() != nullptr; }));
    EXPECT_EQ(alerts_->visibleAlert()->title(), QStringLiteral("发送成功"));
    ASSERT_TRUE(alerts_->pressButton(QStringLiteral("确定")));
    const auto codes =
        QJsonDocument::fromJson(*server().control("GET", "sms?phone=13812345678")).object();
    const QString code = codes["codes"].toArray().last()["code"].toString();
    ASSERT_EQ(code.size(), 6);

    // A wrong code is refused with the server's words; nothing is kept.
    ASSERT_TRUE(driver_->tap(screen->captchaTextField()));
    ASSERT_TRUE(driver_->type(code == "111111" ? "222222" : "111111"));
    ASSERT_TRUE(driver_->tap(screen->sendButton()));
    ASSERT_TRUE(waitFor(
        [&] { return publishCalls().size() == 1 && screen->sendStateLabel()->isHidden(); }));
    EXPECT_NE(driver_->findByText(QStringLiteral("验证码错误，请重新获取")), nullptr);
    EXPECT_EQ(needRowIds(), QStringList()) << "the server has no such need";
    EXPECT_EQ(top(), screen);

    screen->captchaTextField()->setText(code);
    ASSERT_TRUE(driver_->tap(screen->sendButton()));
    ASSERT_TRUE(repliesOpened());
    const QJsonArray sent = argumentsOf(publishCalls().back(), "postHousingRequest");
    ASSERT_EQ(sent.size(), 12);
    EXPECT_EQ(sent[10].toVariant().toString(), "13812345678");
    EXPECT_EQ(sent[11].toVariant().toString(), code);
    EXPECT_EQ(storedNeeds().size(), 1);
    EXPECT_EQ(needRowIds().size(), 1);
    // The validation stays under the replies.
    EXPECT_EQ(navigation_->viewControllers().at(navigation_->viewControllers().size() - 2).get(),
              screen);
}

TEST_F(NeedFormTest, AFailedPublishingOffersToSendAgainWithTheSameCoordinateOrder) {
    locate();
    openForm(1, {});
    chooseHouseType(2);
    server().setFault({.prefix = standin::paths::kDataShare, .status = 500, .times = 1});
    publishDirectly();
    ASSERT_TRUE(waitFor([&] { return alerts_->visibleAlert() != nullptr; }));
    EXPECT_EQ(alerts_->visibleAlert()->message(), QStringLiteral("发布失败，请重新发布"));
    EXPECT_FALSE(loadingShown());
    EXPECT_TRUE(storedNeeds().isEmpty());
    ASSERT_TRUE(alerts_->pressButton(QStringLiteral("确定")));
    ASSERT_TRUE(repliesOpened());
    const auto sent = publishCalls();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(argumentsOf(sent[0], "postHousingRequest")[2], "121.43650,31.19410");
    EXPECT_EQ(argumentsOf(sent[1], "postHousingRequest")[2], "121.43650,31.19410")
        << "the second attempt is not reversed again";
    // The failed call may have reached the server all the same: its need stays being sent,
    // for its brokers' answers to find.
    const auto* replies = dynamic_cast<QXBrokerReplyViewController*>(top());
    EXPECT_EQ(needRowIds(), (QStringList{"", replies->needId()}));
}

TEST_F(NeedFormTest, EveryNewPositionIsSentLongitudeFirst) {
    locate();
    openForm(1, {});
    chooseHouseType(2);
    // Each attempt fails, so that the form stays and is given the next position.
    const auto sendFailing = [&] {
        server().setFault({.prefix = standin::paths::kDataShare, .status = 500, .times = 1});
        publishDirectly();
        ASSERT_TRUE(waitFor([&] { return alerts_->visibleAlert() != nullptr; }));
        ASSERT_TRUE(alerts_->pressButton(QStringLiteral("取消")));
        settle();
    };
    const auto moveTo = [&](const char* location) {
        locate();
        host_->location = QString::fromLatin1(location);
    };
    sendFailing();
    // A new fix while the form shows.
    moveTo("31.20000,121.44000");
    ns::NotificationCenter::defaultCenter().post(UserLocation::kStateChangeNotification);
    settle();
    sendFailing();
    // 使用当前位置 after the device moved on.
    moveTo("31.21000,121.45000");
    form_->chooseCurrentLocation();
    settle();
    sendFailing();
    // Back on the form from another screen.
    moveTo("31.22000,121.46000");
    navigation_->pushViewController(std::make_shared<ui::ViewController>(), false);
    settle();
    navigation_->popViewControllerAnimated(false);
    settle();
    publishDirectly();
    ASSERT_TRUE(repliesOpened());

    QStringList sent;
    for (const auto& call : publishCalls())
        sent << argumentsOf(call, "postHousingRequest")[2].toString();
    EXPECT_EQ(sent, (QStringList{"121.43650,31.19410", "121.44000,31.20000", "121.45000,31.21000",
                                 "121.46000,31.22000"}));
    EXPECT_EQ(storedNeeds().value(0).value("latlng"), "121.46000,31.22000");
    // An attempt given up after its failure may still have reached the server: each stays
    // being sent.
    EXPECT_EQ(needRowIds().size(), 4);
    EXPECT_EQ(needRowIds().count(QString()), 3);
}

TEST_F(NeedFormTest, AReplyWithoutANeedIsAFailureAndKeepsNothing) {
    locate();
    openForm(1, {});
    chooseHouseType(0);
    server().setFault({.prefix = standin::paths::kDataShare,
                       .body = QByteArray(R"({"status":0,"data":{"SearchHousingRequest":)"
                                          R"({"postHousingRequest":null}}})"),
                       .times = 1});
    publishDirectly();
    ASSERT_TRUE(waitFor([&] { return alerts_->visibleAlert() != nullptr; }));
    EXPECT_EQ(alerts_->visibleAlert()->message(), QStringLiteral("发布失败，请重新发布"));
    EXPECT_TRUE(storedNeeds().isEmpty());
    EXPECT_EQ(top(), form_.get());
}

TEST_F(NeedFormTest, AVoiceUploadThatFailsUnderTheSmsCheckIsSentAgainWithTheSameScreenAndCode) {
    host_->loggedOn = false;
    locate();
    openForm(1, {});
    recordNote(2s);
    chooseHouseType(0);
    sendAndConfirm();
    ASSERT_TRUE(waitFor(
        [&] { return form_->validationController() && top() == form_->validationController(); }));
    QXMessageValidationController* screen = form_->validationController();
    screen->mobileTextField()->setText(QStringLiteral("13812345678"));
    screen->getCaptcha();
    ASSERT_TRUE(waitFor([&] { return alerts_->visibleAlert() != nullptr; }));
    ASSERT_TRUE(alerts_->pressButton(QStringLiteral("确定")));
    const auto codes =
        QJsonDocument::fromJson(*server().control("GET", "sms?phone=13812345678")).object();
    const QString code = codes["codes"].toArray().last()["code"].toString();
    screen->captchaTextField()->setText(code);

    server().setFault({.prefix = standin::paths::kDataShare, .status = 500, .times = 1});
    screen->sendRequirement();
    EXPECT_FALSE(screen->sendStateLabel()->isHidden());
    ASSERT_TRUE(waitFor([&] { return alerts_->visibleAlert() != nullptr; }));
    EXPECT_EQ(alerts_->visibleAlert()->message(), QStringLiteral("发布失败，请重新发布"));
    EXPECT_TRUE(screen->sendStateLabel()->isHidden()) << "the validation may send again";
    EXPECT_FALSE(loadingShown());
    EXPECT_TRUE(publishCalls().empty());
    EXPECT_EQ(calls("UploadImages").size(), 1u);

    // 确定 sends again from the same screen with the code the user has: no new code asked.
    ASSERT_TRUE(alerts_->pressButton(QStringLiteral("确定")));
    ASSERT_TRUE(repliesOpened());
    EXPECT_EQ(calls("UploadImages").size(), 2u);
    EXPECT_EQ(calls("HousingRequestInfo", "isVerifyPhoneCode").size(), 1u);
    const auto asked = server().requests(standin::paths::kUsers);
    EXPECT_EQ(
        std::count_if(asked.begin(), asked.end(),
                      [](const auto& request) { return request.path.contains("UserPhoneAuth"); }),
        1)
        << "one code asked for";
    const auto screens = navigation_->viewControllers();
    EXPECT_EQ(std::count_if(screens.begin(), screens.end(),
                            [](const auto& shown) {
                                return dynamic_cast<QXMessageValidationController*>(shown.get());
                            }),
              1);
    const QJsonArray sent = argumentsOf(publishCalls().back(), "postHousingRequest");
    ASSERT_EQ(sent.size(), 12);
    EXPECT_EQ(sent[11].toVariant().toString(), code);
}

TEST_F(NeedFormTest, ANeedStillOnItsWayWhenTheFormLeftIsNeitherKeptNorFollowed) {
    // The need reaches the server, which holds its answer; the user leaves meanwhile.
    publishSlowly();
    form_->goBack();
    ASSERT_TRUE(letHeldRepliesArrive());
    settle(1.0);
    EXPECT_TRUE(storedNeeds().isEmpty());
    EXPECT_EQ(navigation_->viewControllers().size(), 1u) << "back on the screen before the form";
}

// The app ends while its need is on its way to the server, which takes it all the same. At
// the next launch the brokers' answers about it find the need written before the call and
// give it its id, its sentence opens each of their talks, and its uploaded note stays; an
// uploaded note that no kept need names goes.
TEST_F(NeedFormTest, ANeedPublishedAsTheAppEndsIsFoundAgainByItsBrokersAnswers) {
    MessagingStandin::signIn(kUser);
    locate();
    openForm(1, {QStringLiteral("近地铁")});
    recordNote(2s);
    // One room: brokers near the point have such houses, so they answer.
    chooseHouseType(0);
    ASSERT_TRUE(driver_->tap(form_->selectedTerm()->buttons().at(0).get()));
    // The phone check and the upload are answered, the publishing call is not.
    server().setFaults({{.prefix = standin::paths::kDataShare, .times = 2},
                        {.prefix = standin::paths::kDataShare, .hold = true, .times = 1}});
    sendAndConfirm();
    ASSERT_TRUE(runMainLoopUntil([&] { return !publishCalls().empty(); }));
    const QJsonArray sent = argumentsOf(publishCalls().front(), "postHousingRequest");
    const QString note =
        VoiceFolders::amrCacheDirectory() + "/" + QXIMUtil::MD5Encode(sent[5].toString());
    ASSERT_TRUE(ns::FileManager::fileExistsAtPath(note));
    const QString neverKept =
        VoiceFolders::amrCacheDirectory() + "/" + QXIMUtil::MD5Encode("http://h/never-kept.amr");
    ASSERT_TRUE(ns::FileManager::createFileAtPath(neverKept, "#!AMR\n"));

    endApp();
    launchAgain();
    VoiceLeftovers::clearAtLaunch();
    startMessaging();
    const auto published = publishedNeeds();
    ASSERT_EQ(published.size(), 1);
    const QString id = published.front().first;
    ASSERT_TRUE(everyAnswerHandled());
    ASSERT_TRUE(answered_.contains(id));
    EXPECT_EQ(needRowIds(), QStringList{id});
    const QVariantMap need = storedNeeds().value(0);
    EXPECT_EQ(need.value("voiceUrl").toString(), sent[5].toString());
    EXPECT_EQ(need.value("sentence").toString(), sent[7].toString());
    const auto own = rowsOf(QStringLiteral("SELECT m_content FROM msgs WHERE m_id = '100'"));
    ASSERT_EQ(own.size(), answering_.size()) << "each broker's talk opens with the need";
    for (const QVariantMap& opening : own) {
        EXPECT_TRUE(
            opening.value("m_content").toString().contains(QStringLiteral("额外条件:近地铁,")))
            << "as the brokers got it";
    }
    ASSERT_TRUE(runMainLoopUntil([&] { return !ns::FileManager::fileExistsAtPath(neverKept); }));
    EXPECT_TRUE(ns::FileManager::fileExistsAtPath(note));
}

// Two needs left on their way by two ends of the app: nothing the brokers' answers carry but
// the needs' ids tells them apart, and the app never learnt those. Neither takes an id, no talk
// opens with either, the history lists neither.
TEST_F(NeedFormTest, TwoNeedsLeftOnTheirWayByTheAppsEndTakeNeitherAnswersId) {
    MessagingStandin::signIn(kUser);
    publishSlowly(1, 0);
    endApp();
    launchAgain();
    publishSlowly(5, 2);
    endApp();
    launchAgain();
    startMessaging();
    const auto published = publishedNeeds();
    ASSERT_EQ(published.size(), 2);
    ASSERT_TRUE(waitFor([&] {
        return answered_.contains(published[0].first) && answered_.contains(published[1].first);
    }));
    EXPECT_EQ(needRowIds(), (QStringList{"", ""}));
    EXPECT_TRUE(
        rowsOf(QStringLiteral("SELECT _id FROM msgs WHERE m_id IN ('100', '200')")).isEmpty());
    EXPECT_TRUE(storedNeeds().isEmpty());
}

// A need the app left on its way, answered while the next need's call is on its way: the
// answer could be about either until that call's answer gives the next need its id. Then the
// next broker's answer finds the first need, and each keeps its own.
TEST_F(NeedFormTest, AnAnswerWhileTheNextNeedIsOnItsWayWaitsForThatNeedsId) {
    MessagingStandin::signIn(kUser);
    publishSlowly(1, 0);
    endApp();
    launchAgain();
    publishSlowly(5, 2);
    startMessaging();
    const QString first = publishedNeeds().value(0).first;
    ASSERT_FALSE(first.isEmpty());
    // The second need's reply stays held until every broker's answer about the first has
    // come, however long a busy machine takes over them.
    ASSERT_TRUE(everyAnswerHandled());
    ASSERT_TRUE(answered_.contains(first));
    ASSERT_EQ(needRowIds(), (QStringList{"", ""}));

    ASSERT_TRUE(letHeldRepliesArrive());
    ASSERT_TRUE(repliesOpened());
    const auto published = publishedNeeds();
    ASSERT_EQ(published.size(), 2);
    const QString second = published[1].first;
    EXPECT_EQ(needRowIds(), (QStringList{"", second}));

    MessagingStandin(server()).write(
        {{"to", kUser}, {"from", 880042}, {"postId", first}, {"text", QStringLiteral("您好")}});
    ASSERT_TRUE(waitFor([&] { return answering_.contains("880042"); }));
    EXPECT_EQ(needRowIds(), (QStringList{first, second}));
    const auto opening = rowsOf(
        QStringLiteral("SELECT m_content FROM msgs WHERE m_id = '100' AND t_id = '880042-%1'")
            .arg(kUser));
    ASSERT_EQ(opening.size(), 1);
    EXPECT_TRUE(opening.front().value("m_content").toString().contains(published[0].second))
        << "the talk opens with the first need";
}

// A note deleted or left with the form was never sent: none of its files stays.
TEST_F(NeedFormTest, NotesNeverSentLeaveNoFileBehind) {
    locate();
    openForm(1, {});
    const auto filesOf = [](const QString& note) {
        const QString recording =
            VoiceFolders::wavCacheDirectory() + "/" + QFileInfo(note).fileName();
        return QStringList{note, recording};
    };
    const auto anyLeft = [](const QStringList& files) {
        return std::any_of(files.begin(), files.end(), [](const QString& file) {
            return ns::FileManager::fileExistsAtPath(file);
        });
    };
    recordNote(2s);
    const QStringList deleted = filesOf(form_->audioDataPath());
    ASSERT_TRUE(ns::FileManager::fileExistsAtPath(deleted[0]));
    ASSERT_TRUE(ns::FileManager::fileExistsAtPath(deleted[1]));
    ASSERT_TRUE(driver_->tap(form_->deleteVoiceButton()));
    EXPECT_FALSE(anyLeft(deleted));

    recordNote(2s);
    const QStringList left = filesOf(form_->audioDataPath());
    ASSERT_TRUE(ns::FileManager::fileExistsAtPath(left[0]));
    form_->goBack();
    settle(1.0);
    EXPECT_FALSE(anyLeft(left));
}

TEST_F(NeedFormTest, ANeedTheServerAcceptedWithoutPlaceTextIsStillKeptAndFollowed) {
    // The device is located while the form shows, at a position without a street name: the
    // need goes around the coordinates.
    openForm(1, {});
    locate(QStringLiteral(""));
    ns::NotificationCenter::defaultCenter().post(UserLocation::kStateChangeNotification);
    settle();
    chooseHouseType(0);
    sendAndConfirm();
    ASSERT_TRUE(repliesOpened());
    EXPECT_FALSE(loadingShown());
    ASSERT_EQ(publishCalls().size(), 1u);
    const auto needs = storedNeeds();
    ASSERT_EQ(needs.size(), 1) << "the server has the need: the device keeps it too";
    EXPECT_EQ(needs.front().value("location"), "");
    EXPECT_EQ(needs.front().value("latlng"), "121.43650,31.19410");
}

TEST_F(NeedFormTest, AFailedFilterDownloadIsAskedAgainForTheFormsOwnKind) {
    locate();
    server().setFault({.prefix = standin::paths::kDataShare, .status = 500, .times = 1});
    openForm(3, {});
    const auto downloads = calls("GetMajorCategoryFilter");
    ASSERT_EQ(downloads.size(), 2u);
    for (const auto& request : downloads)
        EXPECT_TRUE(request.body.contains("majorCategoryScriptIndex=3")) << request.body.data();
    // The definitions that came while the form showed gave it its buttons.
    EXPECT_EQ(form_->selectedHouseDoor()->buttons().size(), 2u);
    EXPECT_TRUE(ns::FileManager::fileExistsAtPath(NeedFilterFile::path(kCity, "3")));
}

// Definitions refused twice (a failure, then a reply of the wrong shape): the form says so
// over itself, and a tap asks once more.
TEST_F(NeedFormTest, DefinitionsRefusedTwiceAreToldAndATapAsksAgain) {
    locate();
    // Definitions that name no house values are refused too, and never kept: a kept file
    // would stand in for the definitions for good.
    server().setFaults(
        {{.prefix = standin::paths::kDataShare, .status = 500, .times = 1},
         {.prefix = standin::paths::kDataShare, .body = QByteArray(R"({"fs":[]})"), .times = 1},
         {.prefix = standin::paths::kDataShare,
          .body = QByteArray(R"({"fs":[{"f":"price","vs":[]},{"f":"huxing_shi"}]})"),
          .times = 1}});
    // A file of such definitions left by an earlier run is asked again.
    ASSERT_TRUE(ns::writeToFile(QVariantMap{{"fs", QVariantList{}}},
                                NeedFilterFile::path(kCity, "1"), true));
    form_ = std::make_shared<QXPublishHouseInfoViewController>();
    form_->setRentOrBuyKey(1);
    form_->qxInfoModel().publishInfoRentOrBuyString = "1";
    form_->didLoadUnLocalHouseDoorAndPriceInfoWithIndex("1", kCity);
    navigation_->pushViewController(form_, false);
    ASSERT_TRUE(waitFor([&] {
        return ErrorTipView::shownMessage(*form_->view()) == "加载失败\n点击屏幕重新加载";
    }));
    EXPECT_EQ(calls("GetMajorCategoryFilter").size(), 2u);
    EXPECT_TRUE(form_->selectedHouseDoor()->buttons().empty());

    ASSERT_TRUE(driver_->tap(form_->view()->viewWithTag(ErrorTipView::kButtonTag)));
    ASSERT_TRUE(waitFor([&] {
        return calls("GetMajorCategoryFilter").size() == 3u &&
               ErrorTipView::shownMessage(*form_->view()) ==
                   QXPublishHouseInfoViewController::kFilterLoadFailed;
    }));
    EXPECT_FALSE(NeedFilterFile::readUsable(kCity, "1"));
    ASSERT_TRUE(driver_->tap(form_->view()->viewWithTag(ErrorTipView::kButtonTag)));
    ASSERT_TRUE(waitFor([&] {
        window_->layoutIfNeeded();
        return !form_->selectedHouseDoor()->buttons().empty();
    }));
    EXPECT_EQ(calls("GetMajorCategoryFilter").size(), 4u);
    EXPECT_TRUE(ErrorTipView::shownMessage(*form_->view()).isNull());
}

TEST_F(NeedFormTest, TheSendCheckAndThePlaceModesFollowTheChoices) {
    storeDistricts();
    openForm(1, {});
    // Not located: nothing places the need.
    EXPECT_EQ(form_->areaButton()->currentTitle(), QStringLiteral("定位失败，请刷新试试"));
    chooseHouseType(0);
    ASSERT_TRUE(driver_->tap(form_->sendButton()));
    settle(0.3);
    EXPECT_EQ(alerts_->visibleAlert(), nullptr);
    EXPECT_NE(driver_->findByText("请您选择房屋户型/价格/区域"), nullptr);

    // A district without streets closes the chooser with the district alone.
    ASSERT_TRUE(driver_->tap(form_->areaButton()));
    settle();
    ASSERT_TRUE(driver_->tapText(QStringLiteral("黄浦区")));
    settle(1.0);
    EXPECT_EQ(form_->areaButton()->currentTitle(), QStringLiteral("黄浦区"));
    EXPECT_EQ(tovikCitylog::instance().streetId(), "-1");
    EXPECT_EQ(form_->qxInfoModel().publishInfoCitySelectStreetString, QStringLiteral("黄浦区"));

    // A map point, then the current position again.
    form_->didGetChooseCityId(0, QStringLiteral("衡山路附近"), QStringLiteral("31.2,121.44"));
    EXPECT_TRUE(form_->isChooseMapPoint());
    EXPECT_FALSE(tovikCitylog::instance().isSelectCityData());
    navigation_->pushViewController(std::make_shared<ui::ViewController>(), false);
    settle();
    navigation_->popViewControllerAnimated(false);
    settle();
    EXPECT_EQ(form_->qxInfoModel().publishInfoLocalString, "31.2,121.44")
        << "the map point stays when the form shows again";
    locate();
    form_->chooseCurrentLocation();
    EXPECT_FALSE(form_->isChooseMapPoint());
    EXPECT_EQ(form_->qxInfoModel().publishInfoLocalString, "31.19410,121.43650");
    EXPECT_EQ(form_->locationLabel()->text(), QStringLiteral("当前位置:天平路街道"));
}

TEST_F(NeedFormTest, AChosenPriceBandIsSentAsItsValueAndKept) {
    locate();
    openForm(1, {});
    ASSERT_TRUE(driver_->tap(form_->priceButton()));
    settle();
    ASSERT_TRUE(driver_->tapText(QStringLiteral("1500元以下")));
    settle(1.0);
    EXPECT_EQ(form_->priceButton()->currentTitle(), QStringLiteral("1500元以下"));
    EXPECT_EQ(form_->qxInfoModel().publishInfoPrice, "_1500")
        << "a value not starting with a digit is a choice, not no limit";
    EXPECT_EQ(ns::UserDefaults::standardUserDefaults().stringForKey("selectPriceID"), "_1500");
    // A place and a price without a house type are not enough to send.
    ASSERT_TRUE(driver_->tap(form_->sendButton()));
    settle(0.3);
    EXPECT_EQ(alerts_->visibleAlert(), nullptr);
    EXPECT_NE(driver_->findByText("请您选择房屋户型/价格/区域"), nullptr);
    chooseHouseType(1);
    sendAndConfirm();
    ASSERT_TRUE(repliesOpened());
    const QJsonArray sent = argumentsOf(publishCalls().front(), "postHousingRequest");
    EXPECT_EQ(sent[8], "_1500");
    EXPECT_EQ(
        sent[7],
        QStringLiteral("我要求租一套【1500元以下】【两室 】房源,地点:【天平路街道】附近三公里内"));
    EXPECT_EQ(storedNeeds().front().value("priceName"), QStringLiteral("1500元以下"));
}

TEST_F(NeedFormTest, WithoutANetworkThePickersAndTheSendingStayPut) {
    locate();
    openForm(1, {});
    context_->setConnectionReachabil(false);
    for (ui::Button* button : {form_->areaButton(), form_->priceButton()}) {
        ASSERT_TRUE(driver_->tap(button));
        settle(0.3);
        ASSERT_NE(alerts_->visibleAlert(), nullptr);
        EXPECT_EQ(alerts_->visibleAlert()->message(),
                  QStringLiteral("当前网络不可用，请检查网络设置"));
        ASSERT_TRUE(alerts_->pressButtonAtIndex(0));
        settle(0.3);
        EXPECT_EQ(form_->sheet(), nullptr);
    }
    chooseHouseType(0);
    sendAndConfirm();
    settle(0.3);
    EXPECT_EQ(alerts_->visibleAlert()->message(), QStringLiteral("当前网络不可用，请检查网络设置"));
    EXPECT_TRUE(calls("HousingRequestInfo").empty());
}

}  // namespace

TEST_F(NeedFormTest, AValidationGivenUpStopsTheNeedOnItsWay) {
    publishSlowly();
    const auto screen = std::make_shared<QXMessageValidationController>();
    form_->messageValidationCanceled(*screen);
    // The answer comes once the need was given up: it is not taken.
    ASSERT_TRUE(letHeldRepliesArrive());
    settle(1.0);
    EXPECT_TRUE(storedNeeds().isEmpty());
    EXPECT_EQ(top(), form_.get()) << "no replies screen follows";

    // Not given up, the same need is kept and followed.
    form_->getTempInterFace();
    ASSERT_TRUE(repliesOpened());
    EXPECT_EQ(storedNeeds().size(), 1);
}
