// A renter's road through the whole app against the stand-in, from a fresh sandbox to a
// relaunch on the same sandbox: the screens are driven in this one process on the test clock,
// and every step checks what the screen shows, not only that it opened.
#include "AppShellFixture.h"

#include "IMChat/qximlib/QXIMDatabase.h"
#include "analytics/StatClick.h"
#include "app/home/QXMainViewController.h"
#include "chat/QXChatListController.h"
#include "chat/QXChatTextView.h"
#include "chat/QXMessageController.h"
#include "chat/VoiceHUD.h"
#include "houses/broker/PromotionListViewController.h"
#include "houses/broker/QXAgentInfoController.h"
#include "houses/community/QXCommunityDetailController.h"
#include "houses/community/QXLeisiFangList.h"
#include "houses/detail/QXAddSignController.h"
#include "houses/detail/QXPostDetailNew.h"
#include "houses/favourites/QXHistoryCell.h"
#include "houses/favourites/QXHistoryController.h"
#include "houses/list/QXPostList.h"
#include "houses/photos/ImageOperController.h"
#include "houses/photos/ImagePickerView.h"
#include "houses/photos/ImageScrollPageController.h"
#include "houses/photos/QXFCHouseSourceInfoBottomView.h"
#include "houses/photos/QXFCHouseSourceInfoDetailView.h"
#include "houses/query/QuickFilterView.h"
#include "houses/search/SearchListViewController.h"
#include "houses/search/SearchViewController.h"
#include "houses/shared/QXLabel.h"
#include "location/CityNode.h"
#include "location/SelectedCityState.h"
#include "needs/QXAgentIconView.h"
#include "needs/QXBrokerReplyViewController.h"
#include "needs/QXBrokersPopListView.h"
#include "needs/QXCustomMultiSelectView.h"
#include "needs/QXHouseSourceCell.h"
#include "needs/QXMessageValidationController.h"
#include "needs/QXNeedHistoryListController.h"
#include "needs/QXPublishHouseInfoViewController.h"
#include "ui/image/ImageView.h"
#include "ui/navigation/UIViewController+Navigation.h"
#include "ui/widgets/LoadingOverlay.h"

#include "MessagingStandin.h"
#include "ReferenceImage.h"
#include "standin/BrokerShops.h"

#include "platform/location/driven_position_source.h"
#include "platform/media/audio_device.h"
#include "platform/media/audio_session.h"
#include "platform/media/file_audio_device.h"
#include "platform/uikit/alert_test_driver.h"
#include "platform/uikit/alert_view.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image_picker_controller.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/text_field.h"
#include "platform/uikit/text_view.h"

#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

constexpr int kHomeTab = 0;
constexpr int kChatsTab = 1;
constexpr int kFavouritesTab = 2;
const QString kRemark = QStringLiteral("周六下午去看，记得带身份证");
const QString kPhone = QStringLiteral("13812345678");

// The drawn row labelled `key` among the children of `root`.
QXLabel* labelRow(ui::View& root, const QString& key) {
    const QString shown = QXLabel::spreadLabel(key);
    for (const auto& child : root.subviews()) {
        if (auto* row = dynamic_cast<QXLabel*>(child.get()); row && row->key() == shown) return row;
    }
    return nullptr;
}

// The value of a detail's information row labelled `key`.
QString infoRow(const QXPostDetailNew& detail, const QString& key) {
    for (const QVariant& row : detail.viewContentDict().value("info").toList()) {
        if (row.toMap().contains(key)) return row.toMap().value(key).toString();
    }
    return {};
}

}  // namespace

class RenterJourneyTest : public AppShellFixture {
protected:
    void SetUp() override {
        AppShellFixture::SetUp();
        // The renter stands in 上海's 黄浦区, speaks into the microphone and keeps one photo.
        loc::PositionSource::install(
            std::make_shared<loc::DrivenPositionSource>(standin::BrokerShops::samplePosition()));
        av::AudioSession::sharedInstance().reset();
        av::AudioDevice::install(std::make_shared<av::FileAudioDevice>(
            referenceImagePath("src/chat/data", "spoken-note.wav"),
            sandboxPath() + "/speaker.wav"));
        QDir().mkpath(sandboxPath() + "/library");
        QImage photo(64, 48, QImage::Format_RGB32);
        photo.fill(QColor(30, 120, 200));
        ASSERT_TRUE(photo.save(sandboxPath() + "/library/room.png"));
        ui::ImagePickerController::setLibraryPath(sandboxPath() + "/library");
    }
    void TearDown() override {
        alerts_.reset();
        AppShellFixture::TearDown();
        ui::ImagePickerController::setLibraryPath(QString());
        av::AudioDevice::install(nullptr);
        av::AudioSession::sharedInstance().reset();
        loc::PositionSource::install(nullptr);
    }

    void launchApp() {
        launch();
        alerts_ = std::make_unique<ui::AlertTestDriver>(driver());
    }

    [[nodiscard]] ui::NavigationController& stack(int tab) {
        return static_cast<ui::NavigationController&>(
            *app().tabBarController()->viewControllers().at(std::size_t(tab)));
    }
    template <class Screen>
    [[nodiscard]] std::shared_ptr<Screen> top(int tab = kHomeTab) {
        return std::dynamic_pointer_cast<Screen>(stack(tab).topViewController());
    }
    // The failure notice a screen shows, if any: the stand-in answers every call of the
    // journey, so a screen that shows one never comes to what the test waits for.
    [[nodiscard]] QString failureShown() {
        static const QStringList kNotices{QStringLiteral("您的网络不稳定，请稍后再试"),
                                          QStringLiteral("加载信息出错，请稍后再试"),
                                          QStringLiteral("网络不稳定,稍后再试吧..."),
                                          QStringLiteral("加载失败，重新点击试试！"),
                                          QStringLiteral("加载失败\n点击屏幕重新加载")};
        for (const QString& notice : kNotices) {
            if (driver().findByText(notice)) return notice;
        }
        return {};
    }
    // Waits for `done` while the stand-in answers, the clock standing still meanwhile, then
    // lets the screens finish their animations. A failure notice ends the wait at once.
    bool waitFor(const std::function<bool()>& done) {
        QString failure;
        const bool reached = runUntilAnswered(
            [&] {
                drainMainLoop();
                if (const auto window = app().window()) window->layoutIfNeeded();
                if (done()) return true;
                failure = failureShown();
                return !failure.isEmpty();
            },
            [&] { driver().wait(0.1); });
        driver().wait(0.5);
        if (!failure.isEmpty()) ADD_FAILURE() << "the screen shows " << failure.toStdString();
        return reached && failure.isEmpty();
    }
    // Waits until a screen of that kind is the top of the tab's stack; it.
    template <class Screen>
    std::shared_ptr<Screen> waitForTop(int tab = kHomeTab) {
        std::shared_ptr<Screen> shown;
        EXPECT_TRUE(waitFor([&] { return (shown = top<Screen>(tab)) != nullptr; }))
            << typeid(Screen).name();
        return shown;
    }
    void back(int tab = kHomeTab) {
        stack(tab).popViewControllerAnimated(true);
        driver().wait(1);
    }
    [[nodiscard]] std::shared_ptr<ImageScrollPageController> presentedPager() {
        auto* pagerStack = dynamic_cast<ui::NavigationController*>(
            app().tabBarController()->presentedViewController().get());
        return pagerStack ? std::dynamic_pointer_cast<ImageScrollPageController>(
                                pagerStack->viewControllers().front())
                          : nullptr;
    }
    [[nodiscard]] static QStringList events() {
        QStringList ids;
        for (const QVariant& record : StatClick::records()) {
            if (record.toMap()["kind"] == "event") ids << record.toMap()["id"].toString();
        }
        return ids;
    }
    [[nodiscard]] qint64 user() { return QXIMUser::shared().userId(); }
    // Waits for a detail's whole post and the answer about it.
    void waitForDetail(QXPostDetailNew& detail) {
        ASSERT_TRUE(waitFor([&] {
            return detail.isGetDetailFinish() && !detail.post().isEmpty() &&
                   !detail.view()->viewWithTag(LoadingOverlay::kTag);
        }));
    }
    // A detail that shows a whole post: its poster, its age, its rows.
    static void expectWholePost(const QXPostDetailNew& detail) {
        const QVariantMap post = detail.post();
        EXPECT_FALSE(post.value("user_id").toString().isEmpty()) << "a poster to talk to";
        EXPECT_FALSE(post.value("postunixtime").toString().isEmpty()) << "an age";
        EXPECT_GE(detail.viewContentDict().value("info").toList().size(), 3);
        EXPECT_FALSE(detail.viewTimes().isEmpty()) << "the view count";
    }
    // Taps thumbnail `index` of a photo strip and waits for the pager.
    std::shared_ptr<ImageScrollPageController> openPhotos(ImagePickerView& strip, int index = 0) {
        EXPECT_GT(strip.imageViewArray().size(), std::size_t(index));
        if (strip.imageViewArray().size() <= std::size_t(index)) return nullptr;
        EXPECT_TRUE(driver().tap(strip.imageViewArray()[std::size_t(index)].get()));
        std::shared_ptr<ImageScrollPageController> pager;
        EXPECT_TRUE(waitFor([&] { return (pager = presentedPager()) != nullptr; }));
        return pager;
    }
    void closePager(ImageScrollPageController& pager) {
        pager.back();
        ASSERT_TRUE(waitFor([&] { return !app().tabBarController()->presentedViewController(); }));
    }
    // Sends the library's first photo from a chat as the user does: ＋, 照片, the photo.
    void sendLibraryPhoto(QXMessageController& chat) {
        ASSERT_TRUE(driver().tap(chat.containerView()->imageButton()));
        driver().wait(0.5);
        ASSERT_TRUE(driver().tap(driver().findByAccessibilityLabel(QStringLiteral("照片"))));
        driver().wait(0.5);
        auto picker = std::dynamic_pointer_cast<ui::ImagePickerController>(
            app().tabBarController()->presentedViewController());
        ASSERT_TRUE(picker);
        picker->pickImageAtIndex(0);
    }
    // Whether the chat shows a sent message of the user that `mine` accepts.
    [[nodiscard]] bool shownSent(const QXMessageController& chat,
                                 const std::function<bool(const QVariant&)>& mine) {
        const QString own = QString::number(user());
        for (const QXIMMessage& message : chat.chatData()) {
            if (message.fromId == own && message.sendingState == QXIMMessage::kSent &&
                message.messageId > 0 && mine(message.contentsJson().toList().value(0)))
                return true;
        }
        return false;
    }
    // The messages of the other party the chat shows.
    [[nodiscard]] int answers(const QXMessageController& chat) {
        int count = 0;
        for (const QXIMMessage& message : chat.chatData())
            count += message.fromId != QString::number(user());
        return count;
    }
    // The messages of the talk `talkId` in the store, oldest first.
    [[nodiscard]] QXIMDatabase::Rows messagesOf(const QString& talkId) {
        return QXIMDatabase::shared().messagesListByTalkId(talkId, QString::number(user()),
                                                           4999999999, 10000);
    }

    std::unique_ptr<ui::AlertTestDriver> alerts_;
    MessagingStandin messaging_{server()};
    // What the journey carries from step to step.
    QVariantMap savedPost_;
    QString brokerTalk_;
    QString needId_;
};

TEST_F(RenterJourneyTest, ARenterFindsSavesTalksAndAsksFromAFreshSandboxToARelaunch) {
    // First launch: the guide, then the city chooser, then the home screen of the city.
    launchApp();
    ASSERT_TRUE(driver().tapText(QStringLiteral("开始找房")));
    ASSERT_TRUE(waitFor([&] { return !driver().findByClassName("QXNewGuidView"); }));
    ASSERT_TRUE(waitFor([&] { return app().hasUserId(); }));
    ASSERT_TRUE(app().tabBarController()->presentedViewController()) << "the city chooser";
    ASSERT_TRUE(driver().tapText(QStringLiteral("上海")));
    ASSERT_TRUE(waitFor([&] { return !app().tabBarController()->presentedViewController(); }));
    EXPECT_EQ(app().currentCityScript_index(), 0);
    ASSERT_TRUE(app().cityState()->cityData()->currentCity());
    EXPECT_TRUE(app().cityState()->cityData()->currentCity()->name().startsWith("上海"));
    const qint64 guest = user();
    ASSERT_GT(guest, 0);
    ASSERT_TRUE(waitFor([&] { return messaging_.openStreams(guest) == 1; }));

    // A rent list, narrowed by its price filter.
    ASSERT_TRUE(driver().tapText(QStringLiteral("好房子")));
    auto list = waitForTop<QXPostList>();
    ASSERT_TRUE(list);
    ASSERT_TRUE(waitFor([&] { return list->paging().nowListNum > 0; }));
    const std::size_t searches = calls("SearchPostsByJson2").size();
    QuickFilterView* bar = list->quickFilterView();
    ASSERT_TRUE(bar);
    ASSERT_TRUE(driver().tap(bar->button(1)));
    driver().wait(0.5);
    ui::TableView* choices = bar->dropDown(1)->column(0);
    ASSERT_TRUE(choices);
    ASSERT_TRUE(driver().tap(choices->cellForRowAtIndexPath({0, 3})));
    ASSERT_TRUE(waitFor([&] {
        return calls("SearchPostsByJson2").size() > searches && list->paging().nowListNum > 0 &&
               !list->view()->viewWithTag(LoadingOverlay::kTag);
    }));
    const QString narrowed = QString::fromUtf8(calls("SearchPostsByJson2").back().body);
    EXPECT_NE(narrowed, QString::fromUtf8(calls("SearchPostsByJson2").at(searches - 1).body))
        << "the choice went with the request";
    EXPECT_NE(bar->titleAtIndex(1), QStringLiteral("租金")) << "the button names the choice";

    // A post with photos and a community opens its detail.
    int row = -1;
    const QVariantList& posts = list->paging().contentArray;
    for (int i = 0; i < posts.size() && row < 0; ++i) {
        const QVariantMap post = posts[i].toMap();
        if (post.value("icons").toMap().value("image").toInt() == 1 && post.contains("pinyin"))
            row = i;
    }
    ASSERT_GE(row, 0);
    list->listTbl()->scrollToRowAtIndexPath({0, row}, ui::TableViewScrollPosition::Middle, false);
    app().window()->layoutIfNeeded();
    ASSERT_TRUE(driver().tap(list->listTbl()->cellForRowAtIndexPath({0, row})));
    auto detail = waitForTop<QXPostDetailNew>();
    ASSERT_TRUE(detail);
    ASSERT_NO_FATAL_FAILURE(waitForDetail(*detail));
    expectWholePost(*detail);
    savedPost_ = detail->post();
    EXPECT_EQ(detail->post().value("puid"), posts[row].toMap().value("puid"));
    EXPECT_TRUE(infoRow(*detail, "租金").contains("元/月")) << "the price line";
    auto* strip = dynamic_cast<ImagePickerView*>(detail->imagePicker());
    ASSERT_TRUE(strip) << "the photos strip";
    EXPECT_GE(strip->imageViewArray().size(), 3u);
    EXPECT_TRUE(detail->view()->viewWithTag(QXPostDetailNew::kCommunityRowTag))
        << "the community row";

    // The pager over its photos, and back.
    auto pager = openPhotos(*strip);
    ASSERT_TRUE(pager);
    EXPECT_EQ(pager->houseSourceInfoBottomView()->titleLbl()->text(),
              savedPost_.value("title").toString());
    EXPECT_FALSE(pager->houseSourceInfoBottomView()->priceLbl()->text().isEmpty());
    EXPECT_EQ(pager->numberOfSlots(), int(strip->theImageArray().size()) + 1) << "the info page";
    ASSERT_NO_FATAL_FAILURE(closePager(*pager));
    EXPECT_EQ(top<QXPostDetailNew>(), detail);

    // Saved with a remark.
    ASSERT_TRUE(driver().tap(detail->favBtn()));
    EXPECT_EQ(detail->favBtn()->currentTitle(), QStringLiteral("备注"));
    ASSERT_TRUE(driver().tap(detail->favBtn()));
    auto remark = waitForTop<QXAddSignController>();
    ASSERT_TRUE(remark);
    remark->inputView()->setText(kRemark);
    ASSERT_TRUE(driver().tap(remark->okButton()));
    ASSERT_EQ(waitForTop<QXPostDetailNew>(), detail);
    // The poster's chat from a post list's detail comes without the broker bar.
    app().window()->layoutIfNeeded();
    ASSERT_TRUE(driver().tap(detail->bottomView()->viewWithTag(QXPostDetailNew::kChatButtonTag)));
    auto listChat = waitForTop<QXMessageController>();
    ASSERT_TRUE(listChat);
    EXPECT_EQ(listChat->headerView(), nullptr) << "no broker bar";
    back();
    ASSERT_EQ(waitForTop<QXPostDetailNew>(), detail);
    // Its community page, with the community's house lists; a house there.
    detail->goToXiaoquInfo();
    auto community = waitForTop<QXCommunityDetailController>();
    ASSERT_TRUE(community);
    EXPECT_TRUE(community->showOtherListEntrance());
    QXLabel* countRow = nullptr;
    ASSERT_TRUE(waitFor([&] {
        for (const char* kind : {"出  租 房", "合  租 房", "二  手 房"}) {
            if ((countRow = labelRow(*community->mainScrollView(), QString::fromUtf8(kind))))
                return true;
        }
        return false;
    })) << "the community's count rows";
    community->mainScrollView()->setContentOffset({0, 0});
    driver().tapAt(countRow->convertPointToView(
        {countRow->bounds().width() / 2, countRow->bounds().height() / 2}, nullptr));
    auto houses = waitForTop<QXLeisiFangList>();
    ASSERT_TRUE(houses);
    ASSERT_TRUE(waitFor([&] { return houses->nowListNum() > 0 && !houses->isLoadingPage(); }));
    // A house of a broker, with photos.
    int brokerRow = -1;
    for (const bool withPhotos : {true, false}) {
        for (int i = 0; i < houses->nowListNum() && brokerRow < 0; ++i) {
            const QVariantMap candidate = houses->postDetailNewContentArray()[i].toMap();
            if (candidate.value("agent") == QStringLiteral("经纪人") &&
                (!withPhotos || candidate.value("icons").toMap().value("image").toInt() == 1))
                brokerRow = i;
        }
    }
    ASSERT_GE(brokerRow, 0);
    const QVariantMap listed = houses->postDetailNewContentArray()[brokerRow].toMap();
    houses->tableView()->scrollToRowAtIndexPath({0, brokerRow}, ui::TableViewScrollPosition::Middle,
                                                false);
    app().window()->layoutIfNeeded();
    ASSERT_TRUE(driver().tap(houses->tableView()->cellForRowAtIndexPath({0, brokerRow})));
    auto house = waitForTop<QXPostDetailNew>();
    ASSERT_TRUE(house);
    ASSERT_TRUE(waitFor([&] {
        return house->isGetDetailFinish() && house->post().contains("user_id") &&
               !calls("GetPost").empty();
    })) << "the whole post is fetched by its puid";
    EXPECT_EQ(calls("GetPost").back().header("puid"), listed.value("puid").toString().toUtf8());
    EXPECT_EQ(house->post().value("domain").toString(), houses->domainValue());
    EXPECT_FALSE(house->showOtherListEntrance());
    // Its community page offers no way back into the lists.
    house->goToXiaoquInfo();
    auto again = waitForTop<QXCommunityDetailController>();
    ASSERT_TRUE(again);
    EXPECT_FALSE(again->showOtherListEntrance());
    ASSERT_TRUE(waitFor([&] { return !again->detailData().isEmpty(); }));
    for (const char* kind : {"出  租 房", "合  租 房", "二  手 房"}) {
        EXPECT_FALSE(labelRow(*again->mainScrollView(), QString::fromUtf8(kind)))
            << "no loop back into the lists";
    }
    EXPECT_EQ(events().count("house_bn_xiaoqu2"), 1);
    back();

    // The poster's page from the pager's last page, and the broker's posts.
    auto* houseStrip = dynamic_cast<ImagePickerView*>(house->imagePicker());
    ASSERT_TRUE(houseStrip);
    auto housePager = openPhotos(*houseStrip);
    ASSERT_TRUE(housePager);
    ASSERT_TRUE(waitFor([&] {
        return !housePager->houseSourceInfoDetailView()->agentNameLbl()->text().isEmpty();
    })) << "the broker's card";
    housePager->scrollView()->setContentOffset(
        {housePager->scrollView()->frame().size.width * (housePager->numberOfSlots() - 1), 0},
        false);
    housePager->scrollViewDidEndDecelerating(*housePager->scrollView());
    driver().wait(0.5);
    ASSERT_TRUE(driver().tap(housePager->houseSourceInfoDetailView()->agentInfoView()));
    std::shared_ptr<QXAgentInfoController> broker;
    ASSERT_TRUE(waitFor([&] {
        broker = std::dynamic_pointer_cast<QXAgentInfoController>(
            housePager->navigationController()->topViewController());
        return broker && !broker->dataInfo().isEmpty();
    }));
    EXPECT_EQ(broker->agentId(), house->post().value("user_id").toString());
    EXPECT_FALSE(broker->nameLabel()->text().trimmed().isEmpty());
    ASSERT_TRUE(driver().tap(broker->enterButton(QXAgentInfoController::kRentTag)));
    std::shared_ptr<PromotionListViewController> brokerPosts;
    ASSERT_TRUE(waitFor([&] {
        brokerPosts = std::dynamic_pointer_cast<PromotionListViewController>(
            housePager->navigationController()->topViewController());
        return brokerPosts && brokerPosts->nowPostListCount() > 0 && !brokerPosts->isLoadingPage();
    }));
    const QVariantMap brokersListed = brokerPosts->postList().first().toMap();
    ASSERT_TRUE(driver().tap(brokerPosts->tableView()->cellForRowAtIndexPath({0, 0})));
    std::shared_ptr<QXPostDetailNew> brokerPost;
    ASSERT_TRUE(waitFor([&] {
        brokerPost = std::dynamic_pointer_cast<QXPostDetailNew>(
            housePager->navigationController()->topViewController());
        return brokerPost && brokerPost->isGetDetailFinish();
    }));
    EXPECT_EQ(calls("GetPost").back().header("puid"),
              brokersListed.value("puid").toString().toUtf8());
    expectWholePost(*brokerPost);
    EXPECT_FALSE(brokerPost->showOtherListEntrance());
    auto* brokerStrip = dynamic_cast<ImagePickerView*>(brokerPost->imagePicker());
    if (brokerStrip && !brokerStrip->imageViewArray().empty()) {
        ASSERT_TRUE(driver().tap(brokerStrip->imageViewArray()[0].get()));
        driver().wait(1);
        auto* over = dynamic_cast<ui::NavigationController*>(
            housePager->navigationController()->presentedViewController().get());
        ASSERT_TRUE(over);
        auto postPager =
            std::dynamic_pointer_cast<ImageScrollPageController>(over->viewControllers().front());
        ASSERT_TRUE(postPager);
        EXPECT_FALSE(postPager->houseSourceInfoBottomView()->priceLbl()->text().isEmpty())
            << "the price of the whole post";
        postPager->back();
        driver().wait(1);
    }
    ASSERT_NO_FATAL_FAILURE(closePager(*housePager));
    stack(kHomeTab).popToRootViewControllerAnimated(false);
    driver().wait(0.5);

    // 看房记 holds the saved post with its remark.
    ASSERT_TRUE(driver().tap(app().tabBarController()->button(kFavouritesTab)));
    auto history = std::dynamic_pointer_cast<QXHistoryController>(
        stack(kFavouritesTab).viewControllers().front());
    ASSERT_TRUE(history);
    ASSERT_TRUE(waitFor([&] { return history->listData().size() == 1; }));
    auto* saved = dynamic_cast<QXHistoryCell*>(history->listTable()->cellForRowAtIndexPath({0, 0}));
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->left1Lbl()->text(), savedPost_.value("title").toString());
    EXPECT_EQ(saved->bottomLabel()->text(), kRemark);
    ASSERT_TRUE(driver().tap(app().tabBarController()->button(kHomeTab)));
    driver().wait(0.5);

    // A keyword search to a result's detail.

    ASSERT_TRUE(driver().tap(driver().findByAccessibilityLabel(QStringLiteral("搜索"))));
    auto search = waitForTop<SearchViewController>();
    ASSERT_TRUE(search);
    // The place the saved post's title begins with.
    const QString keyword = savedPost_.value("title").toString().section(u' ', 0, 0);
    ASSERT_FALSE(keyword.isEmpty());
    search->mainTField()->setText(keyword);
    ASSERT_TRUE(driver().tap(search->searchButton()));
    auto results = waitForTop<SearchListViewController>();
    ASSERT_TRUE(results);
    ASSERT_TRUE(waitFor([&] {
        return !results->page().listArray.isEmpty() && !results->isLoading() &&
               !results->loadingShown();
    }));
    const QVariantMap found = results->page().listArray.first().toMap();
    EXPECT_EQ(results->keyword(), keyword);
    EXPECT_TRUE(found.value("title").toString().contains(keyword)) << "a house of that place";
    ASSERT_TRUE(driver().tap(results->mainTbl()->cellForRowAtIndexPath({0, 0})));
    auto foundDetail = waitForTop<QXPostDetailNew>();
    ASSERT_TRUE(foundDetail);
    ASSERT_NO_FATAL_FAILURE(waitForDetail(*foundDetail));
    EXPECT_EQ(foundDetail->post().value("puid"), found.value("puid"));
    expectWholePost(*foundDetail);

    // A chat from the detail: text, a picture and a voice, each answered by the broker.
    app().window()->layoutIfNeeded();
    ASSERT_TRUE(foundDetail->bottomView()) << "the bar under the post";
    ASSERT_TRUE(
        driver().tap(foundDetail->bottomView()->viewWithTag(QXPostDetailNew::kChatButtonTag)));
    auto chat = waitForTop<QXMessageController>();
    ASSERT_TRUE(chat);
    brokerTalk_ = chat->talkInfo().value("t_id").toString();
    EXPECT_TRUE(brokerTalk_.startsWith(foundDetail->post().value("user_id").toString() + "-"));
    const int before = int(chat->chatData().size());
    ASSERT_TRUE(driver().tap(chat->containerView()->textView()));
    ASSERT_TRUE(driver().type(QStringLiteral("请问这套房还在吗")));
    ASSERT_TRUE(driver().pressReturn());
    const auto kindIs = [](const char* kind) {
        return [kind](const QVariant& first) { return first.toList().value(0) == kind; };
    };
    int answered = answers(*chat);
    ASSERT_TRUE(waitFor([&] {
        return shownSent(*chat,
                         [](const QVariant& first) {
                             return first.toString() == QStringLiteral("请问这套房还在吗");
                         }) &&
               answers(*chat) > answered;
    })) << "sent, and answered by the broker";
    answered = answers(*chat);

    ASSERT_NO_FATAL_FAILURE(sendLibraryPhoto(*chat));
    ASSERT_TRUE(waitFor([&] {
        return shownSent(*chat, kindIs("pic")) && answers(*chat) > answered;
    })) << "the picture went out and was answered";
    answered = answers(*chat);

    ASSERT_TRUE(driver().tap(chat->containerView()->voiceButton()));
    driver().wait(0.3);
    ui::Button* talk = chat->containerView()->inputButton();
    const ui::Point at = talk->convertPointToView(
        {talk->bounds().width() / 2, talk->bounds().height() / 2}, nullptr);
    app().window()->touchDown(at);
    ASSERT_TRUE(chat->recordAudio()->isRecording());
    clock().advance(2s);
    app().window()->touchUp(at);
    ASSERT_TRUE(waitFor([&] {
        return shownSent(*chat, kindIs("sound")) && answers(*chat) > answered;
    })) << "the voice went out and was answered";
    const int talkSize = int(chat->chatData().size());
    EXPECT_GE(talkSize, before + 6) << "three sent, three answers";
    EXPECT_EQ(messagesOf(brokerTalk_).size(), talkSize) << "all kept";
    stack(kHomeTab).popToRootViewControllerAnimated(false);
    driver().wait(0.5);

    // A need with a voice note, as a guest: the number checked by an SMS code.
    std::dynamic_pointer_cast<QXMainViewController>(stack(kHomeTab).viewControllers().front())
        ->onClickPublish();
    driver().wait(1);
    ASSERT_TRUE(driver().tapText(QStringLiteral("租房")));
    auto form = waitForTop<QXPublishHouseInfoViewController>();
    ASSERT_TRUE(form);
    ASSERT_TRUE(waitFor([&] {
        return form->selectedHouseDoor() && !form->selectedHouseDoor()->buttons().empty();
    }));
    ASSERT_TRUE(driver().tap(form->selectedHouseDoor()->buttons().at(1).get()));
    ASSERT_TRUE(driver().tap(form->voiceButton()));
    driver().wait(0.2);
    ui::View* record = driver().findByText(QStringLiteral("开始录音"));
    ASSERT_TRUE(record);
    const ui::Point press = record->convertPointToView(
        {record->bounds().width() / 2, record->bounds().height() / 2}, nullptr);
    app().window()->touchDown(press);
    ASSERT_TRUE(form->recorder()->isRecording());
    clock().advance(2500ms);
    app().window()->touchUp(press);
    driver().wait(0.3);
    EXPECT_EQ(form->voiceButton()->currentTitle(), QStringLiteral("    3\""));
    ASSERT_TRUE(driver().tap(form->sendButton()));
    driver().wait(0.3);
    ASSERT_TRUE(alerts_->visibleAlert());
    ASSERT_TRUE(alerts_->pressButton(QStringLiteral("发送")));
    auto sms = waitForTop<QXMessageValidationController>();
    ASSERT_TRUE(sms) << "a guest confirms a number";
    ASSERT_TRUE(driver().tap(sms->mobileTextField()));
    ASSERT_TRUE(driver().type(kPhone));
    ASSERT_TRUE(driver().tap(sms->getCaptchaButton()));
    ASSERT_TRUE(waitFor([&] { return alerts_->visibleAlert() != nullptr; }));
    EXPECT_EQ(alerts_->visibleAlert()->title(), QStringLiteral("发送成功"));
    ASSERT_TRUE(alerts_->pressButton(QStringLiteral("确定")));
    const auto codes =
        QJsonDocument::fromJson(*server().control("GET", "sms?phone=" + kPhone.toUtf8())).object();
    const QString code = codes["codes"].toArray().last()["code"].toString();
    ASSERT_TRUE(driver().tap(sms->captchaTextField()));
    ASSERT_TRUE(driver().type(code));
    ASSERT_TRUE(driver().tap(sms->sendButton()));
    auto replies = waitForTop<QXBrokerReplyViewController>();
    ASSERT_TRUE(replies);
    needId_ = replies->needId();
    ASSERT_FALSE(needId_.isEmpty());
    EXPECT_FALSE(calls("UploadImages").empty());

    // The brokers' replies arrive; the recommended houses show.
    ASSERT_TRUE(waitFor([&] {
        return replies->brokerListViewBtn()->currentTitle().toInt() > 0 &&
               !replies->houseSourceArray().isEmpty();
    }));
    driver().wait(QXBrokerReplyViewController::kMatchingSeconds + 1);
    QVariantMap recommended;
    int houseRow = -1;
    for (int i = 0; i < replies->houseSourceArray().size() && houseRow < 0; ++i) {
        if (!replies->houseSourceArray()[i].toMap().value("houseImages").toList().isEmpty()) {
            houseRow = i;
            recommended = replies->houseSourceArray()[i].toMap();
        }
    }
    ASSERT_GE(houseRow, 0) << "a recommended house with photos";
    // The house's row, scrolled into view.
    const auto houseCell = [&] {
        replies->houseSourceTableView()->scrollToRowAtIndexPath(
            {0, houseRow}, ui::TableViewScrollPosition::Top, false);
        app().window()->layoutIfNeeded();
        return dynamic_cast<QXHouseSourceCell*>(
            replies->houseSourceTableView()->cellForRowAtIndexPath({0, houseRow}));
    };
    QXHouseSourceCell* cell = houseCell();
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->houseInfoTitleLbl()->text(), recommended.value("title").toString());

    // Its photos open the pager about the need: the house's title and price, its whole post's
    // photos at the page's size, the info page, and a chat about the need.
    auto needPager = openPhotos(*cell->houseImagePickerView());
    ASSERT_TRUE(needPager);
    EXPECT_EQ(needPager->postIdFromFindHouseRequestDetailPage(), needId_);
    EXPECT_EQ(needPager->houseSourceInfoBottomView()->titleLbl()->text(),
              recommended.value("title").toString());
    EXPECT_EQ(needPager->houseSourceInfoBottomView()->priceLbl()->text(),
              recommended.value("price").toString());
    ASSERT_TRUE(waitFor([&] { return !needPager->dictContainAllData().isEmpty(); }));
    EXPECT_TRUE(needPager->hasInfoPage());
    EXPECT_GE(needPager->imageNames().size(), 3);
    ASSERT_TRUE(needPager->pageAt(0));
    const QString shown = needPager->pageAt(0)->imageName();
    EXPECT_TRUE(shown.contains(
        QStringLiteral("_%1-").arg(int(needPager->scrollView()->frame().size.width))))
        << "the picture at the page's size, not the thumbnail enlarged: " << shown.toStdString();
    ASSERT_NO_FATAL_FAILURE(closePager(*needPager));

    // The house's detail is the whole post.
    ASSERT_TRUE((cell = houseCell()));
    ASSERT_TRUE(driver().tap(cell->houseDetailInfoView()));
    auto recommendedDetail = waitForTop<QXPostDetailNew>();
    ASSERT_TRUE(recommendedDetail);
    ASSERT_NO_FATAL_FAILURE(waitForDetail(*recommendedDetail));
    EXPECT_EQ(recommendedDetail->post().value("puid").toString(),
              recommended.value("puid").toString());
    expectWholePost(*recommendedDetail);
    EXPECT_TRUE(recommendedDetail->imagePicker()) << "its photos";
    back();

    // The house's broker's page talks about the need; so does the chat with a replier.
    ASSERT_TRUE((cell = houseCell()));
    ASSERT_TRUE(driver().tap(cell->brokerHeadView()));
    auto shop = waitForTop<QXAgentInfoController>();
    ASSERT_TRUE(shop);
    EXPECT_EQ(shop->postId(), needId_);
    back();
    ASSERT_TRUE((cell = houseCell()));
    ASSERT_TRUE(driver().tap(cell->chatBtn()));
    auto needChat = waitForTop<QXMessageController>();
    ASSERT_TRUE(needChat);
    EXPECT_EQ(needChat->talkInfo().value("r_id").toString(), needId_);
    ASSERT_TRUE(driver().tap(needChat->containerView()->textView()));
    ASSERT_TRUE(driver().type(QStringLiteral("这套什么时候能看")));
    ASSERT_TRUE(driver().pressReturn());
    const QString needTalk = needChat->talkInfo().value("t_id").toString();
    ASSERT_TRUE(waitFor([&] { return needChat->chatData().size() >= 2; }));
    back();
    ASSERT_TRUE(waitFor([&] {
        for (const QVariant& talk : replies->agentsInfoArray()) {
            if (talk.toMap().value("t_id").toString() == needTalk) return true;
        }
        return false;
    })) << "the broker counts among the need's replies";

    // The sheet of the brokers who answered, and the chat with one of them. Whatever the
    // chat leads to, the replies come back with the sheet in front, and once it is closed
    // the screen answers the user.
    const auto chatFromSheet = [&](const QString& talkId) {
        std::shared_ptr<QXMessageController> chat;
        EXPECT_TRUE(driver().tap(replies->brokerListViewBtn()));
        driver().wait(QXBrokersPopListView::kSlideDuration + 0.1);
        const auto sheet = QXBrokersPopListView::last();
        if (!sheet || !sheet->isShowing()) return chat;
        sheet->layoutIfNeeded();
        for (const auto& view : sheet->mainScrollView()->subviews()) {
            auto* tile = dynamic_cast<QXAgentIconView*>(view.get());
            const QVariantMap talk =
                tile ? sheet->mutableArray().value(tile->agentImage()->tag()).toMap()
                     : QVariantMap();
            if (talk.value("t_id").toString() == talkId) {
                EXPECT_TRUE(driver().tap(tile->agentImage()));
                chat = waitForTop<QXMessageController>();
            }
        }
        return chat;
    };
    const auto backToTheSheet = [&] {
        back();
        ASSERT_EQ(top<QXBrokerReplyViewController>(), replies);
        const auto sheet = QXBrokersPopListView::last();
        ASSERT_TRUE(sheet && sheet->isShowing());
        ASSERT_TRUE(driver().tap(sheet->closeBtn())) << "the sheet in front";
        driver().wait(QXBrokersPopListView::kSlideDuration + 0.1);
        EXPECT_FALSE(sheet->superview());
    };
    // The recommended house's broker sent its card: its detail, its photos in the pager.
    const QString cardTalk = recommended.value("userId").toString() + "-" + QString::number(user());
    ASSERT_TRUE(waitFor([&] {
        const auto kept = messagesOf(cardTalk);
        return std::any_of(kept.begin(), kept.end(),
                           [&](const QVariantMap& message) {
                               return message.value("m_content")
                                   .toString()
                                   .contains(recommended.value("puid").toString());
                           }) &&
               std::any_of(replies->agentsInfoArray().begin(), replies->agentsInfoArray().end(),
                           [&](const QVariant& talk) {
                               return talk.toMap().value("t_id").toString() == cardTalk;
                           });
    })) << "the broker of the recommended house sent its card";
    auto sheetChat = chatFromSheet(cardTalk);
    ASSERT_TRUE(sheetChat);
    int cardRow = -1;
    for (int i = 0; i < sheetChat->chatData().size(); ++i) {
        const QVariantList first =
            sheetChat->chatData()[i].contentsJson().toList().value(0).toList();
        if (first.value(0) == "url" &&
            first.value(1).toMap().value("puid") == recommended.value("puid"))
            cardRow = i + (sheetChat->hasMore() ? 1 : 0);
    }
    ASSERT_GE(cardRow, 0) << "the card of the recommended house";
    sheetChat->chatTable()->scrollToRowAtIndexPath({0, cardRow},
                                                   ui::TableViewScrollPosition::Middle, false);
    app().window()->layoutIfNeeded();
    ASSERT_TRUE(driver().tap(sheetChat->chatTable()->cellForRowAtIndexPath({0, cardRow})));
    auto cardDetail = waitForTop<QXPostDetailNew>();
    ASSERT_TRUE(cardDetail);
    ASSERT_NO_FATAL_FAILURE(waitForDetail(*cardDetail));
    auto cardPager = openPhotos(*dynamic_cast<ImagePickerView*>(cardDetail->imagePicker()));
    ASSERT_TRUE(cardPager);
    ASSERT_NO_FATAL_FAILURE(closePager(*cardPager));
    back();
    ASSERT_NO_FATAL_FAILURE(backToTheSheet());
    ASSERT_TRUE((cell = houseCell()));
    ASSERT_TRUE(driver().tap(cell->houseDetailInfoView()));
    ASSERT_TRUE(waitForTop<QXPostDetailNew>()) << "the replies answer after the pager";
    back();
    // A photo of the library sent to the broker.
    sheetChat = chatFromSheet(cardTalk);
    ASSERT_TRUE(sheetChat);
    ASSERT_NO_FATAL_FAILURE(sendLibraryPhoto(*sheetChat));
    ASSERT_TRUE(waitFor([&] { return shownSent(*sheetChat, kindIs("pic")); }));
    ASSERT_NO_FATAL_FAILURE(backToTheSheet());
    ASSERT_TRUE(
        driver().tap(app().window()->viewWithTag(UIViewControllerNavigation::kBackButtonTag)));
    ASSERT_TRUE(waitFor([&] { return !replies->navigationController(); }))
        << "the replies answer after the library";

    // The need history lists the need.
    stack(kHomeTab).popToRootViewControllerAnimated(false);
    driver().wait(0.5);
    ASSERT_TRUE(driver().tapText(QStringLiteral("找房意向")));
    auto needs = waitForTop<QXNeedHistoryListController>();
    ASSERT_TRUE(needs);
    ASSERT_TRUE(waitFor([&] { return needs->needHistoryArray().size() == 1; }));
    stack(kHomeTab).popToRootViewControllerAnimated(false);
    driver().wait(0.5);

    // A relaunch on the same sandbox keeps the talks, the favourite and the need, and new
    // messages still arrive.
    launchApp();
    ASSERT_TRUE(waitFor([&] { return messaging_.openStreams(guest) >= 1; }));
    EXPECT_EQ(user(), guest);
    EXPECT_EQ(messagesOf(brokerTalk_).size(), talkSize);
    EXPECT_GE(messagesOf(needTalk).size(), 2);
    auto talks =
        std::dynamic_pointer_cast<QXChatListController>(stack(kChatsTab).viewControllers().front());
    ASSERT_TRUE(talks);
    ASSERT_TRUE(driver().tap(app().tabBarController()->button(kChatsTab)));
    ASSERT_TRUE(waitFor([&] { return talks->chatData().size() >= 2; }));
    ASSERT_TRUE(driver().tap(app().tabBarController()->button(kFavouritesTab)));
    auto kept = std::dynamic_pointer_cast<QXHistoryController>(
        stack(kFavouritesTab).viewControllers().front());
    ASSERT_TRUE(kept);
    ASSERT_TRUE(waitFor([&] { return kept->listData().size() == 1; }));
    EXPECT_EQ(QXIMDatabase::shared()
                  .loadNeedInfoWithUserID(QString::number(guest), 100)
                  .front()
                  .value("n_id")
                  .toString(),
              needId_);
    const int talksBefore = int(talks->chatData().size());
    const QList<qint64> written =
        messaging_.write({{"to", guest}, {"text", "新房源到了，要看看吗"}});
    ASSERT_FALSE(written.isEmpty());
    ASSERT_TRUE(driver().tap(app().tabBarController()->button(kChatsTab)));
    ASSERT_TRUE(waitFor([&] {
        return messaging_.unacknowledged(guest) == 0 && int(talks->chatData().size()) > talksBefore;
    })) << "a new talk arrives after the relaunch";
}
