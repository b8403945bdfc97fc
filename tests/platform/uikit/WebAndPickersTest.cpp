#include "StandinFixture.h"
#include "UIKitTest.h"

#include "platform/foundation/sandbox.h"
#include "platform/uikit/alert_test_driver.h"
#include "platform/uikit/alert_view.h"
#include "platform/uikit/application.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_picker_controller.h"
#include "platform/uikit/interactive_host.h"
#include "platform/uikit/keyboard.h"
#include "platform/uikit/label.h"
#include "platform/uikit/message_compose_view_controller.h"
#include "platform/uikit/photo_album.h"
#include "platform/uikit/test_driver.h"
#include "platform/uikit/text_layout.h"
#include "platform/uikit/text_view.h"
#include "platform/uikit/web_view.h"
#include "platform/uikit/window.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QStringList>

namespace {

using ui::Rect;

class PageLog : public ui::WebViewDelegate {
public:
    bool shouldStartLoadWithRequest(ui::WebView&, const ns::URLRequest& request,
                                    ui::WebViewNavigationType type) override {
        log << QString("should %1 %2").arg(request.url().scheme()).arg(int(type));
        return allow;
    }
    void webViewDidStartLoad(ui::WebView&) override { log << "start"; }
    void webViewDidFinishLoad(ui::WebView&) override { log << "finish"; }
    void didFailLoadWithError(ui::WebView&, const ns::Error& error) override {
        log << QString("fail %1").arg(error.code());
    }
    std::string take() { return std::exchange(log, {}).join(", ").toStdString(); }
    QStringList log;
    bool allow = true;
};

class WebAndPickersTest : public UIKitTest {
protected:
    void SetUp() override {
        UIKitTest::SetUp();
        ui::Application::reset();
        window_ = std::make_shared<ui::Window>();
        window_->makeKeyAndVisible();
        root_ = std::make_shared<ui::ViewController>();
        window_->setRootViewController(root_);
        web_ = std::make_shared<ui::WebView>(Rect(0, 64, 320, 416));
        web_->setDelegate(pages_);
        root_->view()->addSubview(web_);
        driver_ = std::make_unique<ui::TestDriver>(window_);
    }
    void TearDown() override {
        ui::Application::reset();
        UIKitTest::TearDown();
    }
    QUrl writePage(const QString& name, const QByteArray& html) {
        const QString path = sandboxPath() + '/' + name;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(html);
        return QUrl::fromLocalFile(path);
    }
    bool waitForLoad() {
        return runMainLoopUntil([&] { return !web_->isLoading(); });
    }

    std::shared_ptr<ui::Window> window_;
    std::shared_ptr<ui::ViewController> root_;
    std::shared_ptr<ui::WebView> web_;
    std::shared_ptr<PageLog> pages_ = std::make_shared<PageLog>();
    std::unique_ptr<ui::TestDriver> driver_;
};

TEST_F(WebAndPickersTest, WebViewShowsAPagesTitleAndTextAndGoesBack) {
    const QUrl first =
        writePage("first.html",
                  "<html><head><meta charset=\"utf-8\"><title>看房 &amp; 租房</title>"
                  "<style>p{color:red}</style></head><body><h1>标题</h1><p>采光好，交通方便</p></"
                  "body></html>");
    const QUrl second = writePage("second.html", "<html><body>第二页</body></html>");
    web_->loadRequest(ns::URLRequest(first));
    EXPECT_TRUE(web_->isLoading());
    EXPECT_EQ(pages_->take(), "should file 5, start") << "a load finishes later";
    ASSERT_TRUE(waitForLoad());
    EXPECT_EQ(pages_->take(), "finish");
    EXPECT_EQ(web_->pageTitle(), "看房 & 租房");
    EXPECT_EQ(web_->pageText(), "标题\n采光好，交通方便");
    EXPECT_EQ(web_->stringByEvaluatingJavaScriptFromString("document.title"), "看房 & 租房");
    EXPECT_NE(driver_->findByText("看房 & 租房"), nullptr);

    web_->loadRequest(ns::URLRequest(second));
    ASSERT_TRUE(waitForLoad());
    EXPECT_EQ(web_->pageText(), "第二页");
    EXPECT_TRUE(web_->canGoBack());
    web_->goBack();
    ASSERT_TRUE(waitForLoad());
    EXPECT_EQ(web_->pageTitle(), "看房 & 租房");
    EXPECT_TRUE(web_->canGoForward());
    EXPECT_EQ(pages_->take(), "should file 5, start, finish, should file 2, start, finish");

    // A missing file fails; a refused request loads nothing.
    web_->loadRequest(ns::URLRequest(QUrl::fromLocalFile(sandboxPath() + "/none.html")));
    ASSERT_TRUE(waitForLoad());
    EXPECT_EQ(pages_->take(), "should file 5, start, fail -1100");
    pages_->allow = false;
    web_->loadRequest(ns::URLRequest(second));
    EXPECT_FALSE(web_->isLoading());
    EXPECT_EQ(pages_->take(), "should file 5");
}

// A page's text breaks where the Unicode line-breaking rules allow, as a browser breaks it:
// never before closing punctuation, wherever the lines fill.
TEST_F(WebAndPickersTest, WebViewNeverStartsALineWithClosingPunctuation) {
    for (int lead = 0; lead < 20; ++lead) {
        const QString text = QString(lead, QChar(0x5B57)) +
                             QStringLiteral(
                                 "经纪人确认后，这笔成交会出现在您的记录里。【成交记录】"
                                 "联系手机：13812345678。");
        web_->loadHTMLString("<html><body><p>" + text + "</p></body></html>", QUrl());
        ASSERT_TRUE(waitForLoad());
        auto* label =
            driver_->find<ui::Label>([&](ui::Label& shown) { return shown.text() == text; });
        ASSERT_NE(label, nullptr);
        ui::TextLayout::Options options;
        options.width = label->bounds().size.width;
        options.mode = label->lineBreakMode();
        const QStringList lines = ui::TextLayout(text, label->font(), options).lineTexts();
        ASSERT_GT(lines.size(), 1) << "the text fills more than one line";
        for (const QString& line : lines.mid(1)) {
            EXPECT_FALSE(QStringLiteral("，。】：").contains(line.front()))
                << line.toStdString() << " of " << text.toStdString();
        }
    }
}

TEST_F(WebAndPickersTest, WebViewHandsCallsToTheApplicationAndReportsStops) {
    web_->loadRequest(ns::URLRequest(QUrl("tel:4008100")));
    EXPECT_EQ(pages_->take(), "should tel 5");
    ASSERT_EQ(ui::Application::sharedApplication().openedURLs().size(), 1u);
    EXPECT_EQ(ui::Application::sharedApplication().openedURLs()[0], QUrl("tel:4008100"));
    EXPECT_FALSE(web_->isLoading());

    web_->loadRequest(ns::URLRequest(QUrl("http://127.0.0.1:9/")));
    web_->stopLoading();
    EXPECT_EQ(pages_->take(), "should http 5, start, fail -999");
    drainMainLoop();
    EXPECT_EQ(pages_->take(), "") << "nothing more from the stopped load";
}

TEST_F(WebAndPickersTest, WebViewLoadsFromTheStandInServerAndFailsWhenItIsGone) {
    StandinProcess server;
    ASSERT_TRUE(server.start()) << server.error().toStdString();
    web_->loadRequest(ns::URLRequest(QUrl(server.url("/nowhere/page.html"))));
    ASSERT_TRUE(waitForLoad());
    EXPECT_EQ(pages_->take(), "should http 5, start, finish") << "an error page is a page";
    EXPECT_TRUE(web_->pageText().contains("no server at /nowhere/page.html"));
    server.stop();
    web_->reload();
    ASSERT_TRUE(waitForLoad());
    EXPECT_EQ(pages_->take(), "should http 3, start, fail -1004");
}

TEST_F(WebAndPickersTest, TheAlbumIsThePicturesFolderAndMayRefuseTheApp) {
    EXPECT_EQ(ui::PhotoAlbum::authorizationStatus(),
              ui::PhotoAlbum::AuthorizationStatus::Authorized);
    std::vector<QString> results;
    auto save = [&] {
        ui::PhotoAlbum::writeImageToSavedPhotosAlbum(
            ui::Image::imageWithColor(ui::Color::redColor(), {4, 4}),
            [&](const std::shared_ptr<ui::Image>& image, const auto& error) {
                results.push_back(error && image ? QString::number(error->code()) : QString("ok"));
            });
        drainMainLoop();
    };
    ui::PhotoAlbum::setAuthorizationStatus(ui::PhotoAlbum::AuthorizationStatus::Denied);
    EXPECT_EQ(ui::PhotoAlbum::authorizationStatus(), ui::PhotoAlbum::AuthorizationStatus::Denied);
    save();
    ui::PhotoAlbum::setAuthorizationStatus(std::nullopt);
    qputenv("HOUSING_PHOTO_ALBUM_ACCESS", "denied");
    EXPECT_EQ(ui::PhotoAlbum::authorizationStatus(), ui::PhotoAlbum::AuthorizationStatus::Denied);
    save();
    qunsetenv("HOUSING_PHOTO_ALBUM_ACCESS");
    save();
    ASSERT_EQ(results.size(), 3u);
    EXPECT_NE(results[0], "ok") << "refused, with the image handed back";
    EXPECT_NE(results[1], "ok");
    EXPECT_EQ(results[2], "ok");
    EXPECT_EQ(ui::PhotoAlbum::imageFiles().size(), 1);

    // Without a folder named for it, the album is the desktop's pictures folder.
    const QByteArray named = qgetenv("HOUSING_PHOTO_ALBUM");
    qunsetenv("HOUSING_PHOTO_ALBUM");
    EXPECT_EQ(ui::PhotoAlbum::path(),
              QStandardPaths::writableLocation(QStandardPaths::PicturesLocation));
    qputenv("HOUSING_PHOTO_ALBUM", named);
}

TEST_F(WebAndPickersTest, SavedPhotosGoToTheAlbumAndThePickerOffersThem) {
    std::vector<QString> results;
    auto save = [&](std::shared_ptr<ui::Image> image) {
        ui::PhotoAlbum::writeImageToSavedPhotosAlbum(
            std::move(image), [&](const std::shared_ptr<ui::Image>&, const auto& error) {
                results.push_back(error ? error->localizedDescription() : QString("ok"));
            });
    };
    save(ui::Image::imageWithColor(ui::Color::redColor(), {40, 30}));
    save(ui::Image::imageWithColor(ui::Color::blueColor(), {20, 20}));
    save(nullptr);
    EXPECT_TRUE(results.empty()) << "the completion comes later";
    drainMainLoop();
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0], "ok");
    EXPECT_NE(results[2], "ok");
    EXPECT_EQ(ui::PhotoAlbum::path(), ns::Sandbox::root() + "/Pictures");
    const QStringList files = ui::PhotoAlbum::imageFiles();
    ASSERT_EQ(files.size(), 2);
    EXPECT_TRUE(files[0].endsWith("IMG_0001.JPG"));
    EXPECT_TRUE(files[1].endsWith("IMG_0002.JPG"));

    struct Picked : ui::ImagePickerControllerDelegate {
        void didFinishPickingMediaWithInfo(ui::ImagePickerController& picker,
                                           const ui::ImagePickerMediaInfo& info) override {
            type = info.mediaType;
            size = info.originalImage ? info.originalImage->size() : ui::Size();
            picker.dismissViewControllerAnimated(false);
        }
        void imagePickerControllerDidCancel(ui::ImagePickerController&) override { ++cancels; }
        QString type;
        ui::Size size;
        int cancels = 0;
    };
    EXPECT_FALSE(ui::ImagePickerController::isSourceTypeAvailable(
        ui::ImagePickerControllerSourceType::Camera));
    auto picked = std::make_shared<Picked>();
    auto picker = std::make_shared<ui::ImagePickerController>();
    picker->setSourceType(ui::ImagePickerControllerSourceType::Camera);
    EXPECT_EQ(picker->sourceType(), ui::ImagePickerControllerSourceType::PhotoLibrary);
    picker->setPickerDelegate(picked);
    root_->presentViewController(picker, false);
    picker->view()->layoutIfNeeded();
    EXPECT_TRUE(driver_->tapText("取消"));
    EXPECT_EQ(picked->cancels, 1);
    EXPECT_TRUE(driver_->tap(driver_->findByAccessibilityLabel("IMG_0001.JPG")));
    EXPECT_EQ(picked->type, ui::kMediaTypeImage);
    EXPECT_EQ(picked->size, ui::Size(40, 30));
    EXPECT_EQ(root_->presentedViewController(), nullptr);
}

TEST_F(WebAndPickersTest, ThePickersLibraryIsTheFolderSetElseTheEnvironmentsElseTheAlbum) {
    EXPECT_EQ(ui::ImagePickerController::libraryPath(), ui::PhotoAlbum::path());
    qputenv(ui::ImagePickerController::kLibraryVariable, "/photos/of/mine");
    EXPECT_EQ(ui::ImagePickerController::libraryPath(), "/photos/of/mine");
    ui::ImagePickerController::setLibraryPath("/set/by/a/test");
    EXPECT_EQ(ui::ImagePickerController::libraryPath(), "/set/by/a/test");
    ui::ImagePickerController::setLibraryPath({});
    qunsetenv(ui::ImagePickerController::kLibraryVariable);
    EXPECT_EQ(ui::ImagePickerController::libraryPath(), ui::PhotoAlbum::path());
}

TEST_F(WebAndPickersTest,
       MessageComposerSaysAFailedSendBeforeTellingAndOnlyCancelsWithoutMessaging) {
    struct Result : ui::MessageComposeViewControllerDelegate {
        void didFinishWithResult(ui::MessageComposeViewController& composer,
                                 ui::MessageComposeResult result) override {
            results.push_back(result);
            composer.dismissViewControllerAnimated(false);
        }
        std::vector<ui::MessageComposeResult> results;
    };
    using Results = std::vector<ui::MessageComposeResult>;
    ui::AlertTestDriver alerts(*driver_);
    const auto compose = [&](const std::shared_ptr<Result>& result) {
        auto composer = std::make_shared<ui::MessageComposeViewController>();
        composer->setRecipients({"13800000000"});
        composer->setBody("您好，我对您的房源很感兴趣");
        composer->setMessageComposeDelegate(result);
        root_->presentViewController(composer, false);
        composer->view()->layoutIfNeeded();
        EXPECT_NE(driver_->findByText("收件人：13800000000"), nullptr);
        EXPECT_NE(driver_->findByText("您好，我对您的房源很感兴趣"), nullptr);
        return composer;
    };
    // A phone with a composer and nothing to carry the text says so over the composer; a
    // second send meanwhile adds nothing, and closing the notice tells the failure once.
    qunsetenv("HOUSING_SMS");
    EXPECT_TRUE(ui::MessageComposeViewController::canSendText());
    auto result = std::make_shared<Result>();
    auto composer = compose(result);
    EXPECT_TRUE(driver_->tapText("发送"));
    composer->send();
    ASSERT_EQ(ui::AlertOverlay::visibleOverlays().size(), 1u);
    ASSERT_NE(alerts.visibleAlert(), nullptr);
    EXPECT_EQ(alerts.visibleAlert()->title(), "信息未能发送");
    EXPECT_EQ(alerts.visibleAlert()->message(), "此电话没有可用的短信服务，信息没有发出。");
    EXPECT_TRUE(result->results.empty()) << "the composer stays while its notice shows";
    EXPECT_EQ(root_->presentedViewController(), composer);
    ASSERT_TRUE(alerts.pressButton("好"));
    EXPECT_EQ(result->results, Results{ui::MessageComposeResult::Failed});
    EXPECT_EQ(root_->presentedViewController(), nullptr);

    // Cancelled by its app while the notice shows, the composer's result is the cancel; the
    // notice closed after it tells nothing more, nor does one of a composer that is gone.
    result = std::make_shared<Result>();
    composer = compose(result);
    composer->send();
    composer->cancel();
    ASSERT_TRUE(alerts.pressButton("好"));
    EXPECT_EQ(result->results, Results{ui::MessageComposeResult::Cancelled});
    result = std::make_shared<Result>();
    composer = compose(result);
    composer->send();
    root_->dismissViewControllerAnimated(false);
    composer.reset();
    ASSERT_TRUE(alerts.pressButton("好"));
    EXPECT_TRUE(result->results.empty());

    // A phone that sends says nothing of its own.
    ui::MessageComposeViewController::setTextMessaging(ui::TextMessaging::Sends);
    result = std::make_shared<Result>();
    compose(result);
    EXPECT_TRUE(driver_->tapText("发送"));
    ui::MessageComposeViewController::setTextMessaging(std::nullopt);
    EXPECT_EQ(alerts.visibleAlert(), nullptr);
    EXPECT_EQ(result->results, Results{ui::MessageComposeResult::Sent});

    // A device without messaging: no composer is offered; shown anyway, it only cancels.
    qputenv("HOUSING_SMS", "none");
    EXPECT_FALSE(ui::MessageComposeViewController::canSendText());
    result = std::make_shared<Result>();
    compose(result);
    EXPECT_FALSE(driver_->tapText("发送") && !result->results.empty());
    EXPECT_TRUE(driver_->tapText("取消"));
    qunsetenv("HOUSING_SMS");
    EXPECT_EQ(result->results, Results{ui::MessageComposeResult::Cancelled});
    EXPECT_EQ(alerts.visibleAlert(), nullptr);
    EXPECT_EQ(root_->presentedViewController(), nullptr);
}

// The composer's body is the user's to edit, as on the phone: a tap puts the caret where it
// lands and shows it, the keyboard comes up, and the desktop's keys and input method type
// at the caret, which the arrows, Home and End move. Closed, the composer takes the
// keyboard away.
TEST_F(WebAndPickersTest, TheComposersBodyTakesTheCaretWhereTappedAndTheKeys) {
    auto composer = std::make_shared<ui::MessageComposeViewController>();
    composer->setRecipients({"13800000000"});
    composer->setBody("您好，我对您的房源很感兴趣");
    root_->presentViewController(composer, false);
    composer->view()->layoutIfNeeded();
    auto* body = driver_->find<ui::TextView>();
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body->text(), "您好，我对您的房源很感兴趣");
    EXPECT_FALSE(driver_->type("x")) << "nothing takes the keys before a tap";
    // The body's look: text of 17 points, its first line from (15, 108) of the screen, where
    // the characters' ink runs from 110 to 125.5 about their baseline at 124.
    EXPECT_EQ(body->font().pointSize(), 17);
    const ui::Point firstLine =
        body->convertPointToView(body->caretRectForPosition(0).origin, nullptr);
    EXPECT_NEAR(firstLine.x, 15, 0.01);
    EXPECT_NEAR(firstLine.y, 108, 0.01);
    const QImage screen = driver_->screenshot(2)->pixels();
    int inkTop = -1;
    int inkBottom = -1;
    for (int y = 2 * 100; y < 2 * 140; ++y) {
        for (int x = 2 * 10; x < 2 * 310; ++x) {
            if (screen.pixelColor(x, y).lightness() >= 128) continue;
            if (inkTop < 0) inkTop = y;
            inkBottom = y;
        }
    }
    EXPECT_NEAR(inkTop / 2.0, 110, 1);
    EXPECT_NEAR(inkBottom / 2.0, 125.5, 1);

    // Whether the caret's blue shows at `position` of the body's first line.
    const auto caretShowsAt = [&](qsizetype position) {
        const ui::Rect caret = body->caretRectForPosition(position);
        const ui::Point middle = body->convertPointToView(caret.center(), nullptr);
        const QColor shown =
            driver_->screenshot(2)->pixels().pixelColor(int(middle.x * 2), int(middle.y * 2));
        return shown.blue() > 200 && shown.red() < 80;
    };
    EXPECT_FALSE(caretShowsAt(2));
    const ui::Rect afterGreeting = body->caretRectForPosition(2);
    driver_->tapAt(
        body->convertPointToView({afterGreeting.origin.x + 2, afterGreeting.center().y}, nullptr));
    ASSERT_TRUE(body->isFirstResponder());
    EXPECT_EQ(body->selectedRange(), (ui::Range{2, 0}));
    EXPECT_TRUE(caretShowsAt(2));
    clock().advance(std::chrono::milliseconds(250));
    EXPECT_TRUE(ui::Keyboard::shared().isVisible());
    EXPECT_LE(body->frame().origin.y + body->frame().size.height,
              ui::Keyboard::shared().frame().origin.y)
        << "the body ends above the keys";

    EXPECT_TRUE(driver_->type("王先生"));
    EXPECT_EQ(body->text(), "您好王先生，我对您的房源很感兴趣");
    EXPECT_TRUE(driver_->pressCaretKey(ui::CaretMovement::LineEnd));
    EXPECT_TRUE(driver_->pressBackspace());
    EXPECT_TRUE(driver_->compose({"q", "qu"}, "趣！"));
    EXPECT_EQ(body->text(), "您好王先生，我对您的房源很感兴趣！");
    EXPECT_TRUE(driver_->pressCaretKey(ui::CaretMovement::LineStart));
    EXPECT_TRUE(driver_->pressCaretKey(ui::CaretMovement::Right));
    EXPECT_TRUE(driver_->pressCaretKey(ui::CaretMovement::Right));
    EXPECT_TRUE(driver_->pressBackspace());
    EXPECT_EQ(body->text(), "您王先生，我对您的房源很感兴趣！");
    EXPECT_TRUE(caretShowsAt(1));

    // With the caret in the body and the keyboard up, a desktop window showing the composer
    // draws nothing and the clock runs nothing.
    ui::InteractiveHost host(window_);
    host.show();
    clock().advance(std::chrono::seconds(1));
    drainMainLoop();
    const int asked = host.framesAsked();
    const std::uint64_t actions = clock().actionsRun();
    clock().advance(std::chrono::seconds(10));
    drainMainLoop();
    EXPECT_EQ(host.framesAsked(), asked);
    EXPECT_EQ(clock().actionsRun(), actions);
    host.close();

    root_->dismissViewControllerAnimated(false);
    clock().advance(std::chrono::milliseconds(250));
    EXPECT_FALSE(ui::Keyboard::shared().isVisible());
    EXPECT_FALSE(driver_->type("x"));
}

}  // namespace
