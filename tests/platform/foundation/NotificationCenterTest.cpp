#include "platform/foundation/notification_center.h"

#include "platform/foundation/main_queue.h"

#include "SandboxTest.h"

#include <thread>

namespace {

class NotificationCenterTest : public SandboxTest {
protected:
    ns::NotificationCenter center;
};

TEST_F(NotificationCenterTest, DeliversByNameAndSenderWithUserInfo) {
    auto observer = std::make_shared<int>(0);
    int sender = 0;
    int other = 0;
    QVariantMap received;
    int calls = 0;
    center.addObserver(observer, "CityChanged", [&](const ns::Notification& n) {
        ++calls;
        received = n.userInfo;
    }, &sender);
    center.post("CityChanged", &other);
    center.post("SomethingElse", &sender);
    EXPECT_EQ(calls, 0);
    center.post("CityChanged", &sender, {{"id", 7}});
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(received.value("id").toInt(), 7);
}

TEST_F(NotificationCenterTest, ObserversAreHeldWeakly) {
    auto observer = std::make_shared<int>(0);
    int calls = 0;
    center.addObserver(observer, "refreshIcon", [&](const ns::Notification&) { ++calls; });
    center.post("refreshIcon");
    observer.reset();
    center.post("refreshIcon");
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(center.observerCount("refreshIcon"), 0u);
}

TEST_F(NotificationCenterTest, BlockObservationEndsWhenReleased) {
    int calls = 0;
    auto observation = center.addObserver("QXShowTableBar", [&](const ns::Notification&) { ++calls; });
    center.post("QXShowTableBar");
    observation.reset();
    center.post("QXShowTableBar");
    EXPECT_EQ(calls, 1);
}

TEST_F(NotificationCenterTest, HandlerMayRemoveAnotherObserverDuringAPost) {
    auto first = std::make_shared<int>(0);
    auto second = std::make_shared<int>(0);
    int secondCalls = 0;
    center.addObserver(first, "x", [&](const ns::Notification&) { center.removeObserver(second.get()); });
    center.addObserver(second, "x", [&](const ns::Notification&) { ++secondCalls; });
    center.post("x");
    EXPECT_EQ(secondCalls, 0);
}

TEST_F(NotificationCenterTest, PostsOnTheCallersThreadOrLaterOnTheMainQueue) {
    auto observer = std::make_shared<int>(0);
    std::thread::id deliveredOn;
    center.addObserver(observer, "kIMRecieveNotification",
                       [&](const ns::Notification&) { deliveredOn = std::this_thread::get_id(); });
    std::thread poster([&] { center.post("kIMRecieveNotification"); });
    const auto posterId = poster.get_id();
    poster.join();
    EXPECT_EQ(deliveredOn, posterId);

    std::thread asyncPoster([&] { center.postOnMainQueue({"kIMRecieveNotification"}); });
    asyncPoster.join();
    drainMainLoop();
    EXPECT_EQ(deliveredOn, std::this_thread::get_id());
}

TEST_F(NotificationCenterTest, CarriesAnObject) {
    auto observer = std::make_shared<int>(0);
    QString seen;
    center.addObserver(observer, "named", [&](const ns::Notification& n) { seen = n.objectAs<QString>(); });
    center.post(ns::Notification{"named", nullptr, QString("payload"), {}});
    EXPECT_EQ(seen, "payload");
}

}  // namespace
