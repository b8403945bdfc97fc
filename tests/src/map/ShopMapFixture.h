#pragma once

#include "map/ShopMapContext.h"
#include "ui/navigation/DragBackSwitch.h"

#include "../net/ServiceCallFixture.h"
#include "ScreenFixture.h"

#include "platform/uikit/alert_view.h"
#include "platform/uikit/label.h"

#include <QFile>
#include <QTemporaryDir>
#include <QUrlQuery>

// A plain titled screen: the host of a panel, or what the map opens.
class TitledScreen : public ui::ViewController {
public:
    explicit TitledScreen(const QString& title) { setTitle(title); }
};

// A navigation stack with a drag-back switch of its own, as the app's stacks have.
class DragBackStack final : public ui::NavigationController, public DragBackSwitch {
public:
    [[nodiscard]] bool canDragBack() const override { return canDragBack_; }
    void setCanDragBack(bool canDragBack) override { canDragBack_ = canDragBack; }

private:
    bool canDragBack_ = true;
};

// A window with a navigation stack, the stand-in, and a shop-map context whose answers the
// tests set and whose requests (screens, drag-back, unread marks) they read.
class ShopMapFixture : public ScreenFixture<ServiceCallFixture> {
protected:
    void SetUp() override {
        // Tiles drawn afresh for every test, never ones an older stand-in left behind.
        ASSERT_TRUE(tiles_.isValid());
        qputenv("HOUSING_STANDIN_TILE_CACHE", QFile::encodeName(tiles_.path()));
        ScreenFixture::SetUp();
        navigation_ = dragBackStack_;
        showStack();
    }

    void TearDown() override {
        ScreenFixture::TearDown();
        qunsetenv("HOUSING_STANDIN_TILE_CACHE");
    }

    // Settles as the calls' fixture does (the network thread, then the main loop), without
    // moving the clock as the screens' settling does.
    void settle() { ServiceCallFixture::settle(); }

    ShopMapContext context() {
        ShopMapContext made;
        made.reachable = [this] { return reachable; };
        made.strLocation = [this] { return strLocation; };
        made.lastFix = [] { return std::optional<loc::Coordinate>(); };
        made.locationAuthorized = [this] { return authorized; };
        made.cityId = [this] { return cityId; };
        made.cityIndexWithName = [](const QString& name) {
            return name == "上海市" ? std::optional<int>(0) : std::nullopt;
        };
        made.ownUserId = [this] { return ownUserId; };
        made.requestUserId = [] { return QStringLiteral("U-test"); };
        made.locationState = [this] { return locationState; };
        made.startLocating = [this] { ++locatingStarts; };
        made.setDragBack = [this](bool on) { dragBack.push_back(on); };
        made.recordEvent = [this](const QString& eventId) { events << eventId; };
        made.storedPostReference = [](const QString&, const QString&) {
            return std::optional<QString>();
        };
        made.clearUnread = [this](const QString& talkId) { clearedTalks << talkId; };
        made.makeChat = [this](const QVariantMap& talkInfo, const QString& title) {
            chats.push_back(talkInfo);
            return std::make_shared<TitledScreen>(title);
        };
        made.makeBrokerPage = [this](const QString& agentId, const QString& postId) {
            brokerPages << agentId + " " + postId;
            return std::make_shared<TitledScreen>("broker");
        };
        return made;
    }

    // The class-call JSON of the data-share requests of the shop map, oldest first.
    [[nodiscard]] QStringList sentCalls() {
        QStringList calls;
        for (const auto& request : server().requests(standin::paths::kDataShare)) {
            if (request.header("interface") != "HousingRequestInfo") continue;
            calls << QUrlQuery(QString::fromUtf8("x&" + request.body))
                         .queryItemValue("class", QUrl::FullyDecoded);
        }
        return calls;
    }
    // Whether a label showing `text` is on screen (notices and the like).
    [[nodiscard]] bool shows(const QString& text) const {
        return driver_->findByText(text) != nullptr;
    }
    [[nodiscard]] QString alertText() const {
        const ui::AlertView* alert = alerts_->visibleAlert();
        return alert ? alert->title() + "|" + alert->message() : QString();
    }

    bool reachable = true;
    QString strLocation = "31.23,121.47";
    bool authorized = true;
    qint64 cityId = 3101;
    qint64 ownUserId = 42;
    UserLocationState locationState = UserLocationCityKnown;
    int locatingStarts = 0;
    // What was asked of the app-wide drag-back switch, in order.
    std::vector<bool> dragBack;
    QStringList events;
    QStringList clearedTalks;
    std::vector<QVariantMap> chats;
    QStringList brokerPages;

    std::shared_ptr<DragBackStack> dragBackStack_ = std::make_shared<DragBackStack>();
    QTemporaryDir tiles_;
};
