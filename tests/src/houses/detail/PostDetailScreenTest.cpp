// The post detail against the stand-in: loading, its calls, the sections it lays out, the
// bottom bar, and paging through the list that opened it.
#include "DetailScreenFixture.h"
#include "ReferenceImage.h"

#include "houses/community/QXCommunityDetailController.h"
#include "houses/detail/QXPostDetailPriceView.h"
#include "houses/photos/ImagePickerView.h"
#include "net/QXDESCode.h"
#include "platform/foundation/property_list.h"
#include "platform/uikit/application.h"
#include "platform/uikit/image.h"
#include "platform/uikit/string_drawing.h"
#include "standin/FormFields.h"
#include "standin/SamplePeople.h"
#include "ui/image/ImageView.h"
#include "ui/widgets/LoadingOverlay.h"

using namespace standin;

namespace {

bool hasLoneSurrogate(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate()) {
            if (i + 1 >= text.size() || !text[i + 1].isLowSurrogate()) return true;
            ++i;
        } else if (text[i].isLowSurrogate()) {
            return true;
        }
    }
    return false;
}

}  // namespace

class PostDetailScreenTest : public DetailScreenFixture {
protected:
    // The labels of the page that show `text`.
    [[nodiscard]] std::vector<ui::Label*> labelsShowing(const QString& text) {
        std::vector<ui::Label*> found;
        for (const auto& view : detail_->pageContent()->subviews()) {
            if (auto* label = dynamic_cast<ui::Label*>(view.get()); label && label->text() == text)
                found.push_back(label);
        }
        return found;
    }
    // The labelled rows under a view, however deep.
    [[nodiscard]] static int rowsIn(const ui::View& view) {
        int rows = 0;
        for (const auto& subview : view.subviews()) {
            if (dynamic_cast<QXLabel*>(subview.get())) ++rows;
            rows += rowsIn(*subview);
        }
        return rows;
    }
    // Whether every photo of the strip has come.
    [[nodiscard]] bool photosShown() {
        auto* strip = dynamic_cast<ImagePickerView*>(
            detail_->pageContent()->viewWithTag(QXPostDetailNew::kPhotoStripTag));
        if (!strip) return true;
        for (const auto& photo : strip->imageViewArray()) {
            if (photo->isLoading() || photo->isDefaultImage()) return false;
        }
        return true;
    }
    [[nodiscard]] std::vector<double> lineTops() {
        std::vector<double> tops;
        const auto line = ui::Image::imageNamed(QStringLiteral("分割线"));
        for (const auto& view : detail_->pageContent()->subviews()) {
            auto* image = dynamic_cast<ui::ImageView*>(view.get());
            if (image && image->image() == line) tops.push_back(image->frame().origin.y);
        }
        return tops;
    }
};

TEST_F(PostDetailScreenTest, APostFromTheListIsCompletedByItsDetailAndCountedOnce) {
    context().setCurrentCityId(1001);
    const QVariantMap post = listPost(1, byBroker);
    show(QXPostDetailNew::initWithContent(post, 7, 1));
    EXPECT_EQ(detail_->title(), "信息详情");
    EXPECT_EQ(detail_->viewTimes(), "") << "no count before the reply";
    EXPECT_FALSE(labelsShowing(post["title"].toString()).empty());
    waitForDetail();

    const QVariantMap full = detailPost(post);
    EXPECT_TRUE(detail_->viewTimes().startsWith("浏览:"));
    auto* views = dynamic_cast<ui::Label*>(
        detail_->pageContent()->viewWithTag(QXPostDetailNew::kViewCountTag));
    ASSERT_NE(views, nullptr);
    EXPECT_EQ(views->text(), detail_->viewTimes()) << "the rebuilt title shows the count";
    // The list's post had no description: the reply's, cut, becomes its detail row.
    EXPECT_EQ(detail_->post()["description"],
              QXPostDetailNew::cutDescription(full["description"].toString()));
    ASSERT_NE(rowLabelled("详情"), nullptr);
    EXPECT_EQ(detail_->agentInfo()["companyName"],
              SamplePeople::broker(post["user_id"].toLongLong())->shopName);
    EXPECT_EQ(barLabel(QXPostDetailNew::kNameLabelTag)->text(),
              post["person"].toString() + " (经纪人)");

    // The count and the poster's status go out beside the detail's request, and the page waits
    // for neither: the server may get them after the detail's answer came.
    ASSERT_TRUE(waitFor([&] {
        return !sent("PostPvStat").empty() && !sent("GetUserStatuss", paths::kBackend).empty();
    }));
    const auto byPuid = sent("GetPostByPuid");
    ASSERT_EQ(byPuid.size(), 1u);
    EXPECT_EQ(byPuid[0].header("puid"), post["puid"].toString().toLatin1());
    EXPECT_TRUE(byPuid[0].body.isEmpty()) << "a post without d_sign sends none";
    EXPECT_TRUE(byPuid[0].header("cityScriptIndex").isEmpty());
    EXPECT_TRUE(byPuid[0].header("SeqId").isEmpty());
    EXPECT_EQ(byPuid[0].header("customerId"), "710");
    const auto views_ = sent("PostPvStat");
    ASSERT_EQ(views_.size(), 1u);
    EXPECT_EQ(
        FormFields(views_[0].body).text("jsonArgs"),
        QString(R"({"puid":"%1","city":"1001","categoryId":"7","majorCategoryScriptIndex":"1"})")
            .arg(post["puid"].toString()));
    const auto status = sent("GetUserStatuss", paths::kBackend);
    ASSERT_EQ(status.size(), 1u);
    EXPECT_EQ(FormFields(status[0].body).text("jsonArgs"),
              QString(R"({"userids":"%1","mobiletype":"710"})").arg(post["user_id"].toString()));

    // Opening the same post again, now with its signature, leaves one read mark; the signature
    // goes with its detail call.
    QVariantMap signedPost = post;
    signedPost["d_sign"] = "5d41402abc4b2a76";
    show(QXPostDetailNew::initWithContent(signedPost, 7, 1));
    ASSERT_TRUE(waitFor([&] { return sent("GetPostByPuid").size() == 2; }));
    EXPECT_EQ(FormFields(sent("GetPostByPuid")[1].body).text("d_sign"), "5d41402abc4b2a76");
    const auto marks = ns::dictionaryWithContentsOfFile(ReadMarks::path());
    ASSERT_TRUE(marks.has_value());
    EXPECT_EQ(*marks, (QVariantMap{{post["puid"].toString(), "1"}}));
}

TEST_F(PostDetailScreenTest, APostOpenedByItsPuidIsFetchedOrSaysWhyNot) {
    const QVariantMap post = listPost(5);
    auto detail = QXPostDetailNew::initWithPUID(post["puid"].toString());
    detail->setFromType(1);
    show(detail);
    ASSERT_TRUE(waitFor([&] { return !detail_->post().isEmpty(); }));
    EXPECT_EQ(detail_->majorIndex(), 5);
    EXPECT_EQ(detail_->masterIndex(), 7);
    EXPECT_EQ(detail_->view()->viewWithTag(LoadingOverlay::kTag), nullptr);
    const QString description = detailPost(post)["description"].toString();
    EXPECT_EQ(detail_->post()["description"], QXPostDetailNew::cutDescription(description));
    EXPECT_EQ(sent("GetPost").front().header("puid"), post["puid"].toString().toLatin1());
    EXPECT_EQ(sent("GetPost").front().method, "GET");
    waitForDetail();
    EXPECT_NE(rowLabelled("小区均价"), nullptr) << "a sale shows the community's price";
    ASSERT_TRUE(waitFor([&] { return sent("PostPvStat").size() == 1; }));

    // A puid no post has: the loading view goes and the notice says so.
    show(QXPostDetailNew::initWithPUID("999"));
    ASSERT_TRUE(waitFor([&] { return detail_->view()->viewWithTag(QXPostDetailNew::kErrorTag); }));
    EXPECT_EQ(driver_->textOf(detail_->view()->viewWithTag(QXPostDetailNew::kErrorLabelTag)),
              "加载信息出错，请稍后再试");
    EXPECT_EQ(detail_->view()->viewWithTag(LoadingOverlay::kTag), nullptr);

    // An empty post is none either: said once, and asked for again only by the user.
    server().setFault({.prefix = paths::kDataShare, .body = QByteArray(R"({"posts":[{}]})")});
    const auto before = sent("GetPost").size();
    show(QXPostDetailNew::initWithPUID(post["puid"].toString()));
    ASSERT_TRUE(waitFor([&] { return detail_->view()->viewWithTag(QXPostDetailNew::kErrorTag); }));
    EXPECT_EQ(driver_->textOf(detail_->view()->viewWithTag(QXPostDetailNew::kErrorLabelTag)),
              "加载信息出错，请稍后再试");
    settle();
    EXPECT_EQ(sent("GetPost").size(), before + 1);
    server().setFaults({});

    // A reply nested far past any real one is malformed like garbage: the same notice.
    server().setFault(
        {.prefix = paths::kDataShare,
         .body = "{\"posts\":[" + QByteArray(175000, '[') + QByteArray(175000, ']') + "]}",
         .times = 1});
    show(QXPostDetailNew::initWithPUID(post["puid"].toString()));
    ASSERT_TRUE(waitFor([&] { return detail_->view()->viewWithTag(QXPostDetailNew::kErrorTag); }));
    EXPECT_EQ(driver_->textOf(detail_->view()->viewWithTag(QXPostDetailNew::kErrorLabelTag)),
              "加载信息出错，请稍后再试");

    // A failed call tells of the network; so does a reply that never ends, once it has
    // brought more than any reply may.
    for (const auto& failing :
         {FaultRule{.prefix = paths::kDataShare, .status = 500, .times = 1},
          FaultRule{.prefix = paths::kDataShare, .endless = true, .times = 1}}) {
        server().setFault(failing);
        show(QXPostDetailNew::initWithPUID(post["puid"].toString()));
        ASSERT_TRUE(
            waitFor([&] { return detail_->view()->viewWithTag(QXPostDetailNew::kErrorTag); }));
        EXPECT_EQ(driver_->textOf(detail_->view()->viewWithTag(QXPostDetailNew::kErrorLabelTag)),
                  "您的网络不稳定，请稍后再试");
        EXPECT_EQ(detail_->view()->viewWithTag(LoadingOverlay::kTag), nullptr);
    }

    // No puid at all: told at once.
    show(QXPostDetailNew::initWithPUID(""));
    EXPECT_NE(detail_->view()->viewWithTag(QXPostDetailNew::kErrorTag), nullptr);
}

TEST_F(PostDetailScreenTest, EachLoadForgetsThePreviousPostersDataAndLateRepliesAreDropped) {
    const QVariantMap brokers = listPost(1, byBroker);
    const QVariantMap personal = listPost(1, [](const SamplePost& p) { return !byBroker(p); });
    show(QXPostDetailNew::initWithContent(brokers, 7, 1));
    waitForDetail();
    const QVariant brokersReply = QVariantMap{
        {"data", QVariantMap{{"view_times", "9"}, {"commentOwnerInfo", detail_->agentInfo()}}}};
    ASSERT_FALSE(detail_->agentInfo().isEmpty());

    // The server holds the next post's replies: meanwhile nothing of the broker stays.
    server().setFault({.prefix = paths::kDataShare, .hold = true});
    detail_->setContentDict(personal);
    detail_->refreshDataAndView();
    EXPECT_TRUE(detail_->agentInfo().isEmpty());
    EXPECT_TRUE(detail_->companyContentDict().isEmpty());
    EXPECT_FALSE(detail_->isGetDetailFinish());
    ASSERT_TRUE(driver_->tap(barButton(QXPostDetailNew::kChatButtonTag)));
    settle();
    ASSERT_EQ(chats_->made.size(), 1u);
    EXPECT_TRUE(chats_->made[0].talkInfo["o_user"].toString().contains(R"("companyName":"")"))
        << "the chat never names the previous poster's company";
    navigation_->popToViewController(detail_, false);

    // The broker's post answering late is not taken for this one.
    detail_->responseGetPostByPuid(brokersReply, brokers["puid"].toString());
    EXPECT_TRUE(detail_->agentInfo().isEmpty());
    EXPECT_EQ(detail_->viewTimes(), "");
    server().clearFaultsAndReleaseHeld();
    waitForDetail();
    EXPECT_TRUE(detail_->agentInfo().isEmpty()) << "a personal poster has no broker data";
}

TEST_F(PostDetailScreenTest, TheBottomBarShowsTheNumberAndTheChatLookFollowsTheOnlineState) {
    // Every third post sends its phone enciphered; it is shown and called deciphered.
    const QVariantMap post = listPost(1, [](const SamplePost& p) { return p.puid % 3 == 0; });
    // The poster's real online state is held at the server, so that only the answers below
    // reach the screen and none arrives while a tap runs the loop.
    server().setFault({.prefix = paths::kBackend, .hold = true});
    auto detail = QXPostDetailNew::initWithPUID(post["puid"].toString());
    show(detail);
    ASSERT_TRUE(waitFor([&] { return !detail_->post().isEmpty(); }));
    EXPECT_NE(detail_->post()["phone"], post["phone"]) << "the service sent it enciphered";
    EXPECT_EQ(detail_->postPhone(), post["phone"]);
    EXPECT_EQ(detail_->phoneType(), 1);
    EXPECT_EQ(barLabel(QXPostDetailNew::kPhoneLabelTag)->text(),
              post["phone"].toString() + " (" + post["city"].toString() + ")");
    ASSERT_TRUE(driver_->tap(barButton(QXPostDetailNew::kCallButtonTag)));
    EXPECT_EQ(ui::Application::sharedApplication().openedURLs().back(),
              QUrl("tel://" + post["phone"].toString()));
    EXPECT_EQ(events().back(), "house_bn_calling");

    const auto chatIcon = [&] {
        return static_cast<ui::ImageView*>(barButton(QXPostDetailNew::kChatButtonTag)
                                               ->viewWithTag(QXPostDetailNew::kChatIconTag))
            ->image();
    };
    const QString poster = detail_->post()["user_id"].toString();
    detail_->responseGetUserStatuss(
        QVariantMap{{"params",
                     QVariantMap{{"errorno", 1},
                                 {"data", QVariantMap{{poster, QVariantMap{{"status", true}}}}}}}},
        poster);
    EXPECT_FALSE(detail_->onlineIm()) << "errorno 1 is no answer";
    detail_->responseGetUserStatuss(
        QVariantMap{{"params",
                     QVariantMap{{"errorno", 0},
                                 {"data", QVariantMap{{poster, QVariantMap{{"status", false}}}}}}}},
        poster);
    EXPECT_FALSE(detail_->onlineIm());
    EXPECT_EQ(chatIcon(), ui::Image::imageNamed("底栏留言.png"));
    detail_->responseGetUserStatuss(
        QVariantMap{{"params",
                     QVariantMap{{"errorno", 0},
                                 {"data", QVariantMap{{poster, QVariantMap{{"status", true}}}}}}}},
        "another");
    EXPECT_FALSE(detail_->onlineIm()) << "an answer about another poster";
    detail_->responseGetUserStatuss(
        QVariantMap{{"params",
                     QVariantMap{{"errorno", 0},
                                 {"data", QVariantMap{{poster, QVariantMap{{"status", true}}}}}}}},
        poster);
    EXPECT_TRUE(detail_->onlineIm());
    EXPECT_EQ(chatIcon(), ui::Image::imageNamed("底栏聊天.png"));

    // A post without a number: the label empties and the call button rests.
    QVariantMap silent = detail_->post();
    silent["phone"] = "123";
    detail_->setContentDict(silent);
    detail_->refreshDataAndView();
    EXPECT_EQ(barLabel(QXPostDetailNew::kPhoneLabelTag)->text(), "");
    EXPECT_FALSE(barButton(QXPostDetailNew::kCallButtonTag)->isEnabled());
    EXPECT_FALSE(detail_->onlineIm()) << "each load starts with the leave-a-message look";
}

TEST_F(PostDetailScreenTest, TheWholeDescriptionOpensOnlyOnceTheReplyIsIn) {
    const QVariantMap post = listPost(1, [this](const SamplePost& p) {
        return detailPost(p.record.toVariantMap())["description"].toString().size() > 170;
    });
    ASSERT_FALSE(post.isEmpty());
    // The post comes at once; the server holds its whole data until the test lets it go.
    server().setFault({.prefix = paths::kDataShare, .hold = true});
    show(QXPostDetailNew::initWithPUID(post["puid"].toString()));
    ASSERT_TRUE(runMainLoopUntil([&] { return !calls("GetPost").empty(); }));
    server().releaseHeld();
    ASSERT_TRUE(waitFor([&] { return !detail_->post().isEmpty(); }));
    ASSERT_TRUE(detail_->post()["description"].toString().endsWith("..."));
    ASSERT_FALSE(detail_->isGetDetailFinish());
    ASSERT_NE(detail_->pageContent()->viewWithTag(QXPostDetailNew::kWholeDetailButtonTag), nullptr);
    detail_->detailOpenBtnEvent();
    EXPECT_FALSE(detail_->isClickAllDetailBtn()) << "nothing before the reply";
    server().clearFaultsAndReleaseHeld();
    waitForDetail();
    auto* button = detail_->pageContent()->viewWithTag(QXPostDetailNew::kWholeDetailButtonTag);
    ASSERT_NE(button, nullptr);
    detail_->mainScrollView()->scrollRectToVisible(button->frame(), false);
    settle();
    ASSERT_TRUE(driver_->tap(button));
    EXPECT_TRUE(detail_->isClickAllDetailBtn());
    EXPECT_EQ(detail_->pageContent()->viewWithTag(QXPostDetailNew::kWholeDetailButtonTag), nullptr);
    ASSERT_NE(rowLabelled("详情"), nullptr);
    EXPECT_EQ(rowLabelled("详情")->value(), detailPost(post)["description"]);
}

TEST_F(PostDetailScreenTest, TheCommunityRowOpensThatCommunitysPage) {
    const QVariantMap post = listPost(1, [](const SamplePost& p) {
        return !p.record.toVariantMap()["xiaoqu"].toString().isEmpty();
    });
    ASSERT_FALSE(post.isEmpty());
    show(QXPostDetailNew::initWithPUID(post["puid"].toString()));
    waitForDetail();
    auto* row = detail_->pageContent()->viewWithTag(QXPostDetailNew::kCommunityRowTag);
    ASSERT_NE(row, nullptr);
    detail_->mainScrollView()->scrollRectToVisible(row->frame(), false);
    settle();
    ASSERT_TRUE(driver_->tap(row));
    driver_->wait(1);
    auto page =
        std::dynamic_pointer_cast<QXCommunityDetailController>(navigation_->topViewController());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->cityKey(), detail_->post()["domain"].toString());
    EXPECT_EQ(page->communityPinyin(), detail_->post()["pinyin"].toString());
    EXPECT_FALSE(page->communityPinyin().isEmpty());
    EXPECT_TRUE(page->communityInArea().contains(detail_->post()["district_name"].toString()));
}

TEST_F(PostDetailScreenTest, TheFacilitiesGridsLastRowIsNeverCrossedAndTitlesSplitWhole) {
    QVariantMap post = detailPost(listPost(1));
    post["peizhi"] = QVariantMap{{"v", "chuang,kuandai,nuanqi"}};
    // A title that passes 300 points with an emoji where it is split.
    const QString house = QString::fromUtf8("\xF0\x9F\x8F\xA0");
    QString title;
    for (int i = 0; i < 40; ++i) title += i % 2 == 0 ? QStringLiteral("房") : house;
    post["title"] = title;
    show(QXPostDetailNew::initWithContent(post, 7, 1));

    auto headings = labelsShowing("房屋配置:");
    ASSERT_EQ(headings.size(), 1u);
    const double gridTop = headings[0]->frame().origin.y + 14;
    // Ten facilities: rows of 4, 4 and 2; the line under the grid lies below all three.
    const auto lines = lineTops();

    const auto below =
        std::find_if(lines.begin(), lines.end(), [&](double top) { return top > gridTop; });
    ASSERT_NE(below, lines.end());
    EXPECT_GE(*below, gridTop + 3 * 30);
    EXPECT_EQ(labelsShowing("宽带").size(), 1u);

    // The title's two lines hold every character, none cut in half.
    std::vector<ui::Label*> lines_;
    for (const auto& view : detail_->pageContent()->subviews()) {
        auto* label = dynamic_cast<ui::Label*>(view.get());
        if (label && label->font().pointSize() == 16) lines_.push_back(label);
    }
    ASSERT_EQ(lines_.size(), 2u);
    EXPECT_EQ(lines_[0]->text() + lines_[1]->text(), title);
    EXPECT_FALSE(hasLoneSurrogate(lines_[0]->text()));
    EXPECT_FALSE(hasLoneSurrogate(lines_[1]->text()));

    // A full stop that would pass the 300 points takes the character before it down with it.
    const ui::Font font = ui::Font::systemFontOfSize(16);
    QString stopped;
    while (ui::StringDrawing::sizeWithFont(stopped + QStringLiteral("房。"), font).width <= 300)
        stopped += QStringLiteral("房");
    stopped += QStringLiteral("房。整租");
    post["title"] = stopped;
    show(QXPostDetailNew::initWithContent(post, 7, 1));
    EXPECT_EQ(labelsShowing(QStringLiteral("房。整租")).size(), 1u) << "the second line";
}

TEST_F(PostDetailScreenTest, APhotoRowEndsItsListOnlyWhereTheStripIsDrawn) {
    show(QXPostDetailNew::initWithContent(
        detailPost(listPost(1, [](const SamplePost& p) { return p.hasImage; })), 7, 12));
    const auto rowsAfter = [&](double from) {
        int rows = 0;
        for (const auto& view : detail_->pageContent()->subviews()) {
            if (dynamic_cast<QXLabel*>(view.get()) && view->frame().origin.y >= from) ++rows;
        }
        return rows;
    };
    const QVariantList rows{QVariantMap{{"image11111", "image11111"}},
                            QVariantMap{{"备注", "南北通透"}}};
    // Before the reply there are no photos to draw here: the next row still shows.
    double from = detail_->contentHeight();
    detail_->addArrayInfo(rows);
    EXPECT_EQ(rowsAfter(from), 1);
    waitForDetail();
    from = detail_->contentHeight();
    detail_->addArrayInfo(rows);
    EXPECT_EQ(rowsAfter(from), 0) << "with the strip drawn the list ends there";
}

TEST_F(PostDetailScreenTest, PagingWalksTheListAndLoadsItsNextPageAtTheEnd) {
    open(1);
    ASSERT_TRUE(driver_->tap(list_->listTbl()->cellForRowAtIndexPath({0, 0})));
    settle();
    detail_ = std::dynamic_pointer_cast<QXPostDetailNew>(navigation_->topViewController());
    ASSERT_NE(detail_, nullptr);
    const QVariantList& posts = list_->paging().contentArray;
    ASSERT_NE(detail_->headerRefreshView(), nullptr);
    EXPECT_EQ(detail_->headerRefreshView()->lastUpdatedLabel()->text(), "已经是第一条了");
    EXPECT_EQ(detail_->footerRefreshView()->lastUpdatedLabel()->text(),
              posts[1].toMap()["title"].toString());
    // The bar is the table's footer, at the bottom of the screen.
    ASSERT_NE(detail_->bottomView(), nullptr);
    EXPECT_EQ(detail_->bottomView()->convertRectToView(detail_->bottomView()->bounds(),
                                                       detail_->view().get()),
              ui::Rect(0, detail_->view()->bounds().size.height - 44, 320, 44));

    // A pull at the first post only lets go.
    detail_->pullRefreshTableDidTriggerRefresh(*detail_->headerRefreshView());
    settle();
    EXPECT_EQ(detail_->currentIndex(), 0);

    // Pulling up past the end of the page shows the next post.
    ui::ScrollView* page = detail_->mainScrollView();
    const double end = page->contentSize().height - page->frame().size.height;
    // Past the end the pull view names the next post: the boundary shows before the page turns.
    page->setContentOffset({0, end + 70});
    settle();
    EXPECT_TRUE(matchesReferenceImage(driver_->screenshot()->pixels(), "src/houses/reference",
                                      "detail_pull_next.png"));
    page->setContentOffset({0, end});
    driver_->drag({160, 420}, {160, 80}, 0.3, 12);
    ASSERT_TRUE(waitFor([&] { return detail_->currentIndex() == 1; }));
    driver_->wait(1.5);
    EXPECT_EQ(detail_->currentIndex(), 1);
    EXPECT_EQ(detail_->post()["puid"], posts[1].toMap()["puid"]);
    EXPECT_NE(detail_->mainScrollView(), page) << "the other page took over";
    EXPECT_EQ(detail_->mainScrollView()->frame().origin.y, 0);
    EXPECT_EQ(page->frame().origin.y, -page->frame().size.height);
    EXPECT_EQ(rowsIn(*page), 0) << "the old page was emptied";
    EXPECT_EQ(detail_->headerRefreshView()->lastUpdatedLabel()->text(),
              posts[0].toMap()["title"].toString());
    waitForDetail();

    // Pulled up to the last post loaded, the footer says that none follows it.
    detail_->setCurrentIndex(int(posts.size()) - 2);
    ui::ScrollView* shown = detail_->mainScrollView();
    shown->setContentOffset({0, shown->contentSize().height - shown->frame().size.height});
    driver_->drag({160, 420}, {160, 80}, 0.3, 12);
    ASSERT_TRUE(waitFor([&] { return detail_->currentIndex() == int(posts.size()) - 1; }));
    driver_->wait(1.5);
    EXPECT_EQ(detail_->footerRefreshView()->lastUpdatedLabel()->text(), "已经是最后一条了");
    waitForDetail();

    // At the last post of the page the list loads its next page and the first new post shows.
    detail_->setCurrentIndex(int(posts.size()) - 1);
    const std::size_t before = searches();
    const int count = int(posts.size());
    detail_->loadNextData();
    ASSERT_TRUE(waitFor([&] { return detail_->refreshViewLoading() == 0; }));
    driver_->wait(1.5);
    EXPECT_EQ(searches(), before + 1);
    EXPECT_EQ(detail_->currentIndex(), count);
    EXPECT_EQ(detail_->post()["puid"], list_->paging().contentArray[count].toMap()["puid"]);

    // Back in the list, it scrolls to the post shown last.
    detail_->goBack();
    settle();
    ASSERT_NE(list_->listTbl()->cellForRowAtIndexPath({0, count}), nullptr);
}

TEST_F(PostDetailScreenTest, ReferenceScreens) {
    const auto finished = [&] {
        return detail_->isGetDetailFinish() && photosShown() && detail_->mapView() &&
               detail_->mapView()->mapView() && !detail_->mapView()->mapView()->isLoadingTiles();
    };
    // The count a detail shows once its own view is counted: the stand-in counts the view and
    // answers the detail in whichever order the two calls come, so it is asked again until
    // the count includes it.
    const auto settleViewCount = [&] {
        const qint64 puid = detail_->puid().toLongLong();
        const QString expected = QStringLiteral("浏览:%1次").arg(100 + puid % 900 + 1);
        for (int attempt = 0; attempt < 20 && detail_->viewTimes() != expected; ++attempt) {
            detail_->GetPostByPuid();
            (void)runMainLoopUntil([&] { return detail_->viewTimes() == expected; }, 500ms);
        }
        ASSERT_EQ(detail_->viewTimes(), expected);
        // The map's region settles on the clock, then its tiles come.
        driver_->wait(2);
        ASSERT_TRUE(waitFor(finished));
    };

    const QVariantMap rent = listPost(1, [](const SamplePost& p) {
        return byBroker(p) && p.hasImage && p.record["premier_status"].toInt() != 102;
    });
    show(QXPostDetailNew::initWithContent(rent, 7, 1));
    ASSERT_TRUE(waitFor(finished));
    settleViewCount();
    EXPECT_TRUE(matchesReferenceImage(driver_->screenshot(2)->pixels(), "src/houses/reference",
                                      "detail_rent_top.png"));
    // Further down: the facilities and the description; at the end the community, the
    // address, the map and the tip.
    detail_->mainScrollView()->setContentOffset({0, 300});
    ASSERT_TRUE(waitFor(finished));
    EXPECT_TRUE(matchesReferenceImage(driver_->screenshot(2)->pixels(), "src/houses/reference",
                                      "detail_rent_middle.png"));
    ui::ScrollView* page = detail_->mainScrollView();
    page->setContentOffset({0, page->contentSize().height - page->frame().size.height});
    ASSERT_TRUE(waitFor(finished));
    EXPECT_TRUE(matchesReferenceImage(driver_->screenshot(2)->pixels(), "src/houses/reference",
                                      "detail_rent_bottom.png"));

    const QVariantMap sale = listPost(5, [](const SamplePost& p) { return byBroker(p); });
    show(QXPostDetailNew::initWithContent(sale, 7, 5));
    ASSERT_TRUE(waitFor(finished));
    settleViewCount();
    EXPECT_TRUE(matchesReferenceImage(driver_->screenshot(2)->pixels(), "src/houses/reference",
                                      "detail_sale.png"));
}
