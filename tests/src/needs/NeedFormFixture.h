#pragma once

#include "needs/NeedFilterFile.h"
#include "needs/NeedsHost.h"
#include "needs/QXCustomMultiSelectView.h"
#include "needs/QXPublishHouseInfoViewController.h"
#include "needs/QXTempTableViewController.h"

#include "IMChat/qximlib/QXIMDatabase.h"
#include "IMChat/qximlib/QXIMService.h"
#include "IMChat/qximlib/QXIMUser.h"
#include "chat/QXVoicePlayer.h"
#include "location/CityUpdateData.h"
#include "location/tovikCitylog.h"
#include "net/QXNetContext.h"
#include "net/QXNetDefaultContext.h"
#include "standin/ClassCalls.h"

#include "ReferenceImage.h"
#include "ScreenFixture.h"

#include "platform/foundation/property_list.h"
#include "platform/foundation/user_defaults.h"
#include "platform/media/audio_device.h"
#include "platform/media/audio_session.h"
#include "platform/media/file_audio_device.h"
#include "platform/uikit/alert_view.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/label.h"
#include "ui/widgets/LoadingOverlay.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

// The device's location and the logon as a test sets them; what the screens asked is noted.
class TestNeedsHost : public NeedsHost {
public:
    UserLocationState locationState() const override { return state; }
    void setLocationState(UserLocationState value) override { state = value; }
    QString locationStreet() const override { return street; }
    int locatedCityId() const override { return cityId; }
    QString strLocation() const override { return location; }
    std::optional<std::pair<double, double>> bestEffortAtLocation() const override { return best; }
    bool locationDenied() const override { return denied; }
    void startLocating() override { ++locatingStarts; }
    void forgetLocation() override {
        location.clear();
        best.reset();
    }
    QString selectCityName() const override { return cityName; }
    bool logonSuccess() const override { return loggedOn; }
    qint64 userId() const override { return user; }

    UserLocationState state = UserLocationFailed;
    QString street;
    int cityId = -1;
    QString location;
    std::optional<std::pair<double, double>> best;
    bool denied = false;
    QString cityName = QStringLiteral("上海");
    bool loggedOn = true;
    qint64 user = 0;
    int locatingStarts = 0;
};

// A need form of Shanghai (script index 0) in a window with a tab shell, its stack the first
// tab's; the stand-in serves its calls, the message store is the user's, sound goes through
// files.
class NeedFormFixture : public ScreenFixture<> {
protected:
    NeedFormFixture() : ScreenFixture(Settling{.handlePostedFirst = true}) {}

    static constexpr qint64 kUser = 9000000000077;
    static constexpr int kCity = 0;

    void SetUp() override {
        ScreenFixture::SetUp();
        context_ = std::make_shared<QXNetDefaultContext>();
        context_->setConnectionReachabil(true);
        context_->setCurrentCityScript_index(kCity);
        QXNetContext::install(context_);
        host_ = std::make_shared<TestNeedsHost>();
        host_->user = kUser;
        NeedsHost::install(host_);
        av::AudioSession::sharedInstance().reset();
        av::AudioDevice::install(std::make_shared<av::FileAudioDevice>(
            referenceImagePath("src/chat/data", "spoken-note.wav"),
            sandboxPath() + "/speaker.wav"));
        QXIMDatabase::shared().openDatabase(QString::number(kUser));
        resetCityChoice();
        navigation_->setViewControllers({std::make_shared<ui::ViewController>()}, false);
        showInTabShell(QStringLiteral("首页"));
    }

    void TearDown() override {
        closeScreens();
        form_.reset();
        QXIMService::forceRelease();
        QXIMUser::shared().setUserId(QXIMUser::getDefaultUserid());
        QXVoicePlayer::forceRelease();
        QXIMDatabase::forceRelease();
        resetCityChoice();
        NeedsHost::install(nullptr);
        QXNetContext::install(nullptr);
        av::AudioDevice::install(nullptr);
        av::AudioSession::sharedInstance().reset();
        ScreenFixture::TearDown();
    }

    static void resetCityChoice() {
        tovikCitylog& choice = tovikCitylog::instance();
        choice.clearChoice();
        choice.setIsSelectCityData(false);
    }

    // The device located in Xuhui district, at `street`.
    void locate(const QString& street = QStringLiteral("天平路街道")) {
        host_->state = UserLocationCityKnown;
        host_->street = street;
        host_->cityId = kCity;
        host_->location = QStringLiteral("31.19410,121.43650");
        host_->best = std::make_pair(31.1941, 121.4365);
    }

    // The city's districts and streets as the district update keeps them.
    static void storeDistricts() {
        const QVariantList districts{
            QVariantMap{{"dsi", "310104"},
                        {"dn", QStringLiteral("徐汇区")},
                        {"ss", QVariantList{QVariantMap{{"ssi", "310104003"},
                                                        {"sn", QStringLiteral("天平路街道")}},
                                            QVariantMap{{"ssi", "310104004"},
                                                        {"sn", QStringLiteral("湖南路街道")}}}}},
            QVariantMap{
                {"dsi", "310101"}, {"dn", QStringLiteral("黄浦区")}, {"ss", QVariantList{}}},
        };
        ns::writeToFile(QVariantMap{{"g", districts}}, CityUpdateData::currentCacheFile(), true);
    }

    // Opens the form of `kind` as the home screen does and waits for its house types.
    std::shared_ptr<QXPublishHouseInfoViewController> openForm(int kind = 1,
                                                               const QStringList& terms = {
                                                                   QStringLiteral("近地铁"),
                                                                   QStringLiteral("精装修")}) {
        form_ = std::make_shared<QXPublishHouseInfoViewController>();
        form_->setRentOrBuyKey(kind);
        form_->qxInfoModel().publishInfoRentOrBuyString = QString::number(kind);
        form_->setTermsArray(terms);
        form_->didLoadUnLocalHouseDoorAndPriceInfoWithIndex(QString::number(kind), kCity);
        navigation_->pushViewController(form_, false);
        settle();
        EXPECT_TRUE(runMainLoopUntil([&] {
            drainMainLoop();
            window_->layoutIfNeeded();
            return !form_->buttonTitlesArray().isEmpty() && form_->selectedHouseDoor() &&
                   !form_->selectedHouseDoor()->buttons().empty();
        }));
        settle();
        return form_;
    }

    void chooseHouseType(int index) {
        ASSERT_TRUE(
            driver_->tap(form_->selectedHouseDoor()->buttons().at(std::size_t(index)).get()));
    }

    // Taps the send button and confirms.
    void sendAndConfirm() {
        ASSERT_TRUE(driver_->tap(form_->sendButton()));
        settle(0.3);
        ASSERT_NE(alerts_->visibleAlert(), nullptr);
        ASSERT_EQ(alerts_->visibleAlert()->title(), QStringLiteral("确认发送？"));
        ASSERT_TRUE(alerts_->pressButton(QStringLiteral("发送")));
    }

    // The data-share requests the stand-in received for `interface` calling `method`.
    std::vector<standin::RecordedRequest> calls(const QByteArray& interface,
                                                const QByteArray& method = {}) {
        std::vector<standin::RecordedRequest> found;
        for (auto& request : server().requests(standin::paths::kDataShare)) {
            if (request.header("interface") != interface) continue;
            if (!method.isEmpty() && !request.body.contains(method)) continue;
            found.push_back(std::move(request));
        }
        return found;
    }
    // The arguments of a class call's body, as the server reads them.
    static QJsonArray argumentsOf(const standin::RecordedRequest& request, const QString& method) {
        const auto object = standin::ClassCalls::parse(request.body);
        if (!object) return {};
        return (*object)["SearchHousingRequest"].toObject()[method].toArray();
    }
    std::vector<standin::RecordedRequest> publishCalls() {
        return calls("HousingRequestInfo", "postHousingRequest");
    }
    static QXIMDatabase::Rows storedNeeds() {
        return QXIMDatabase::shared().loadNeedInfoWithUserID(QString::number(kUser), 100);
    }
    // The ids of every need row of the user, those being sent ("") too, oldest first.
    static QStringList needRowIds() {
        const auto rows = QXIMDatabase::shared().queue().inDatabase([](JSSQLite& db) {
            return db
                .executeQuery("SELECT n_id FROM need_list WHERE u_id = ? ORDER BY _id",
                              {QString::number(kUser)})
                .value_or(JSSQLite::Rows());
        });
        QStringList ids;
        for (const QVariantMap& row : rows) ids << row.value("n_id").toString();
        return ids;
    }
    [[nodiscard]] bool loadingShown() const {
        return form_ && form_->view()->viewWithTag(LoadingOverlay::kTag) != nullptr;
    }
    [[nodiscard]] ui::ViewController* top() const { return navigation_->topViewController().get(); }
    [[nodiscard]] ui::Point centreInWindow(const ui::View& view) const {
        return view.convertPointToView({view.bounds().width() / 2, view.bounds().height() / 2},
                                       nullptr);
    }

    std::shared_ptr<QXNetDefaultContext> context_;
    std::shared_ptr<TestNeedsHost> host_;
    std::shared_ptr<QXPublishHouseInfoViewController> form_;
};
