#pragma once

#include "../list/PostListScreenFixture.h"

#include "IMChat/qximlib/QXIMDatabase.h"
#include "houses/detail/QXPostDetailNew.h"
#include "houses/shared/ChatScreenOpener.h"
#include "houses/shared/QXLabel.h"
#include "map/QXMapView.h"
#include "platform/uikit/alert_view.h"
#include "standin/PostDetailCalls.h"
#include "standin/Posts.h"

#include <QJsonDocument>

// A chat screen as the tests' opener makes it: the talk it shows.
class TestChatScreen final : public ui::ViewController {
public:
    explicit TestChatScreen(QVariantMap talkInfo) : talkInfo(std::move(talkInfo)) {}
    QVariantMap talkInfo;
};

// Makes test chat screens and remembers what it was asked.
class RecordingChatOpener final : public ChatScreenOpener {
public:
    struct Made {
        QVariantMap talkInfo;
        QString title;
        bool hiddenAgentView = false;
        bool agentTag = false;
    };
    std::vector<Made> made;

    std::shared_ptr<ui::ViewController> makeChatScreen(const QVariantMap& talkInfo,
                                                       const QString& title, bool hiddenAgentView,
                                                       bool agentTag) override {
        made.push_back({talkInfo, title, hiddenAgentView, agentTag});
        return std::make_shared<TestChatScreen>(talkInfo);
    }
    [[nodiscard]] QString talkIdShownBy(const ui::ViewController& screen) const override {
        const auto* chat = dynamic_cast<const TestChatScreen*>(&screen);
        return chat ? chat->talkInfo.value("t_id").toString() : QString();
    }
};

// The post detail in a window over the test city, against the stand-in, with the message
// store of user 0 open and a chat opener that records.
class DetailScreenFixture : public PostListScreenFixture {
protected:
    void SetUp() override {
        PostListScreenFixture::SetUp();
        ASSERT_TRUE(QXIMDatabase::shared().openDatabase("0"));
        ChatScreenOpener::install(chats_);
    }
    void TearDown() override {
        detail_.reset();
        ChatScreenOpener::install(nullptr);
        QXIMDatabase::forceRelease();
        PostListScreenFixture::TearDown();
    }

    // A post of the test city as the list sends it; the first of the kind that `match` takes.
    [[nodiscard]] static QVariantMap listPost(
        int major, const std::function<bool(const standin::SamplePost&)>& match = {}) {
        for (const standin::SamplePost& post : standin::Posts::postsOf(100, major)) {
            if (!match || match(post)) return post.record.toVariantMap();
        }
        return {};
    }
    // The same post as the detail's calls send it.
    [[nodiscard]] QVariantMap detailPost(const QVariantMap& post) {
        return QJsonDocument(standin::PostDetailCalls::detailRecord(post["puid"].toLongLong(),
                                                                    server().root().toLatin1()))
            .toVariant()
            .toMap();
    }
    [[nodiscard]] static bool byBroker(const standin::SamplePost& post) {
        return post.record["agent"].toString() == QStringLiteral("经纪人");
    }

    // Shows the detail over a plain root screen and waits for its first build.
    void show(std::shared_ptr<QXPostDetailNew> detail) {
        detail_ = std::move(detail);
        navigation_->setViewControllers({std::make_shared<ui::ViewController>(), detail_}, false);
        settle();
    }
    // Waits for the detail's "GetPostByPuid" reply.
    void waitForDetail() {
        ASSERT_TRUE(waitFor([&] { return detail_->isGetDetailFinish(); }));
    }
    [[nodiscard]] ui::Label* barLabel(int tag) {
        return dynamic_cast<ui::Label*>(detail_->bottomView()->viewWithTag(tag));
    }
    [[nodiscard]] ui::Button* barButton(int tag) {
        return dynamic_cast<ui::Button*>(detail_->bottomView()->viewWithTag(tag));
    }
    // The rows of the page by label.
    [[nodiscard]] QXLabel* rowLabelled(const QString& label) {
        for (const auto& view : detail_->pageContent()->subviews()) {
            auto* row = dynamic_cast<QXLabel*>(view.get());
            if (row && row->key() == QXLabel::spreadLabel(label)) return row;
        }
        return nullptr;
    }
    // The detail's requests of one interface on a server, oldest first.
    [[nodiscard]] std::vector<standin::RecordedRequest> sent(
        const QByteArray& interface, const char* path = standin::paths::kDataShare) {
        std::vector<standin::RecordedRequest> found;
        for (auto& request : server().requests(path)) {
            if (request.header("interface") == interface) found.push_back(request);
        }
        return found;
    }

    std::shared_ptr<RecordingChatOpener> chats_ = std::make_shared<RecordingChatOpener>();
    std::shared_ptr<QXPostDetailNew> detail_;
};
