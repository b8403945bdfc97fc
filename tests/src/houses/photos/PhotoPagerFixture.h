#pragma once

#include "../HousesFixture.h"
#include "ScreenFixture.h"

#include "IMChat/qximlib/QXIMDatabase.h"
#include "houses/detail/QXPostDetailNew.h"
#include "houses/photos/ImageOperController.h"
#include "houses/photos/ImagePickerView.h"
#include "houses/photos/ImageScrollPageController.h"
#include "houses/photos/QXFCHouseSourceInfoBottomView.h"
#include "houses/photos/QXFCHouseSourceInfoDetailView.h"
#include "houses/shared/ChatScreenOpener.h"
#include "houses/shared/HousesHost.h"
#include "net/QXDESCode.h"
#include "platform/foundation/notification_center.h"
#include "platform/uikit/alert_view.h"
#include "platform/uikit/application.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/photo_album.h"
#include "platform/uikit/scroll_view.h"
#include "standin/SamplePeople.h"
#include "ui/image/ImageLoader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <map>

// The app as the photo screens see it: Wi-Fi or not, the drag-back switch, known cities.
class PhotoHost final : public HousesHost {
public:
    bool wifi = true;
    bool dragBack = true;
    std::map<QString, int> cities{{QStringLiteral("上海"), 100}};

    [[nodiscard]] bool useWifi() const override { return wifi; }
    void setDragBackGesture(bool enabled) override { dragBack = enabled; }
    [[nodiscard]] std::optional<int> cityIndexWithName(const QString& name) const override {
        const auto found = cities.find(name);
        return found == cities.end() ? std::nullopt : std::optional<int>(found->second);
    }
};

// A chat screen that shows the talk it was made for.
class ChatScreen final : public ui::ViewController {
public:
    ChatScreen(QVariantMap talk, QString title) : talk(std::move(talk)) { setTitle(title); }
    QVariantMap talk;
};

class ChatScreens final : public ChatScreenOpener {
public:
    std::vector<std::shared_ptr<ChatScreen>> made;
    std::vector<std::pair<bool, bool>> flags;  // hidden broker bar, broker

    [[nodiscard]] std::shared_ptr<ui::ViewController> makeChatScreen(const QVariantMap& talkInfo,
                                                                     const QString& title,
                                                                     bool hiddenAgentView,
                                                                     bool agentTag) override {
        made.push_back(std::make_shared<ChatScreen>(talkInfo, title));
        flags.emplace_back(hiddenAgentView, agentTag);
        return made.back();
    }
    [[nodiscard]] QString talkIdShownBy(const ui::ViewController& screen) const override {
        const auto* chat = dynamic_cast<const ChatScreen*>(&screen);
        return chat ? chat->talk.value("t_id").toString() : QString();
    }
};

// A post detail in a window's navigation stack, against the stand-in, with a user whose
// favourites live in the message store.
class PhotoPagerFixture : public ScreenFixture<HousesFixture> {
protected:
    static constexpr qint64 kOwnId = 7001;

    void SetUp() override {
        ScreenFixture::SetUp();
        context().setLogonState({.loginID = kOwnId, .userId = kOwnId});
        ASSERT_TRUE(QXIMDatabase::shared().openDatabase(QString::number(kOwnId)));
        HousesHost::install(host_);
        ChatScreenOpener::install(chats_);
        // No picture of an earlier test stays in the pages' memory cache.
        ns::NotificationCenter::defaultCenter().post(
            ui::kApplicationDidReceiveMemoryWarningNotification);
        showStack();
        detail_ = std::make_shared<QXPostDetailNew>(post(), 7, 1);
        navigation_->setViewControllers({detail_}, false);
        settle();
    }
    void TearDown() override {
        ui::PhotoAlbum::setAuthorizationStatus(std::nullopt);
        dismissAlerts();
        closeScreens();
        detail_.reset();
        ChatScreenOpener::install(nullptr);
        HousesHost::install(nullptr);
        QXIMDatabase::forceRelease();
        ScreenFixture::TearDown();
    }

    // A photo of the image host at the list's size, "<id>_100-75_3-0.jpg".
    [[nodiscard]] QString photo(int n) const {
        return const_cast<PhotoPagerFixture*>(this)->server().url(
            QStringLiteral("/img/posts/%1_100-75_3-0.jpg").arg(5000 + n));
    }
    [[nodiscard]] QStringList photos(int count) const {
        QStringList urls;
        for (int i = 0; i < count; ++i) urls << photo(i);
        return urls;
    }
    // A broker's rent post of the sample city.
    [[nodiscard]] static QVariantMap post() {
        return {{"puid", "100001005"},
                {"id", 4294970000LL},
                {"title", "浦东 两居室 精装修 近地铁"},
                {"major_category", 1},
                {"city", "上海"},
                {"user_id", "8000012301"},
                {"person", "王伟"},
                {"agent", "经纪人"},
                // Several numbers come enciphered.
                {"phone", QXDESCode::encryptStr("021888888,13912345678")},
                {"xiaoqu", "金桥新村"},
                {"xiaoqu_address", "浦东新区金桥路1000弄"},
                {"district_name", "浦东"},
                {"street_name", "金桥"},
                {"price", QVariantMap{{"v", 4500}, {"u", "元/月"}}},
                {"huxing_shi", QVariantMap{{"v", "2"}, {"u", "室"}}},
                {"huxing_ting", QVariantMap{{"v", "1"}, {"u", "厅"}}},
                {"huxing_wei", QVariantMap{{"v", "1"}, {"u", "卫"}}},
                {"area", QVariantMap{{"v", 78}, {"u", "㎡"}}},
                {"chaoxiang", QVariantMap{{"t", "南"}}}};
    }

    // Presents a pager over the detail as the strip would, and waits until it shows.
    std::shared_ptr<ImageScrollPageController> openPager(
        const QStringList& urls, int page,
        const std::function<void(ImageScrollPageController&)>& configure) {
        auto pager = std::make_shared<ImageScrollPageController>(urls, page);
        configure(*pager);
        auto stack = std::make_shared<ui::NavigationController>();
        stack->setViewControllers({pager}, false);
        detail_->presentViewController(stack, false);
        settle();
        return pager;
    }
    // Takes the pager down as the app shell does, without its back button.
    void closePager() {
        navigation_->dismissViewControllerAnimated(false);
        settle();
    }
    // A post pager whose post was put up by a broker of the sample city.
    std::shared_ptr<ImageScrollPageController> openBrokersPostPager(
        const QStringList& urls, const standin::SampleBroker& broker) {
        QVariantMap brokers = post();
        brokers["user_id"] = QString::number(broker.userId);
        return openPager(urls, 0, [&](ImageScrollPageController& pager) {
            pager.setShouldShowHouseInfoView(true);
            pager.setHouseInfoFromQXPostDetailNew(brokers);
        });
    }
    [[nodiscard]] static standin::SampleBroker sampleBroker() {
        return standin::SamplePeople::brokersOfCity(100).front();
    }
    std::shared_ptr<ImageScrollPageController> openPostPager(const QStringList& urls, int page) {
        return openPager(urls, page, [](ImageScrollPageController& pager) {
            pager.setShouldShowHouseInfoView(true);
            pager.setHouseInfoFromQXPostDetailNew(post());
            pager.setAgentInfoFromQXPostDetailNew({{"creditRate", 4}, {"userHead", "h.jpg"}});
        });
    }

    // Waits for the page's photo (or its failure).
    bool waitForPhoto(ImageOperController& page) {
        return waitFor([&] {
            const ui::View* retry = page.view()->viewWithTag(ImageOperController::kRetryTag);
            return page.imageView()->image() || (retry && !retry->isHidden());
        });
    }
    // Swipes from page `from` to the next (`forward`) or the previous page.
    void swipe(bool forward) {
        if (forward) {
            driver_->drag({300, 200}, {40, 200}, 0.2, 8);
        } else {
            driver_->drag({20, 200}, {280, 200}, 0.2, 8);
        }
        settle(1);
    }

    [[nodiscard]] static QString shown(const ui::Label* label) {
        return label ? label->text() : QString();
    }
    // The message of the alert on screen, if any.
    [[nodiscard]] QString alertMessage() const {
        auto* alert = driver_->find<ui::AlertView>();
        return alert ? alert->message() : QString();
    }
    void dismissAlerts() {
        while (auto* alert = driver_->find<ui::AlertView>()) {
            alert->dismissWithClickedButtonIndex(0, false);
            settle();
        }
    }

    std::shared_ptr<PhotoHost> host_ = std::make_shared<PhotoHost>();
    std::shared_ptr<ChatScreens> chats_ = std::make_shared<ChatScreens>();
    std::shared_ptr<QXPostDetailNew> detail_;
};
