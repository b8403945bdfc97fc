// Reporting a post: the form's checks, the report as the service receives it, and what the
// screen does with each outcome.
#include "DetailScreenFixture.h"
#include "ReferenceImage.h"

#include "houses/detail/Report.h"
#include "houses/detail/tovikReport.h"
#include "platform/uikit/keyboard.h"
#include "platform/uikit/text_field.h"
#include "platform/uikit/text_view.h"
#include "standin/FormFields.h"
#include "ui/widgets/FloatView.h"

using namespace standin;

class ReportTest : public DetailScreenFixture {
protected:
    // The report screen of a sample post, opened from its detail's tip box.
    void openReport() {
        post_ = listPost(1);
        show(QXPostDetailNew::initWithContent(post_, 7, 1));
        // The detail's own calls are answered before any fault is set for the report.
        waitForDetail();
        ++detailsShown_;
        ASSERT_TRUE(waitFor([&] { return sent("PostPvStat").size() == detailsShown_; }));
        ui::View* button = detail_->pageContent()->viewWithTag(QXPostDetailNew::kReportButtonTag);
        ASSERT_NE(button, nullptr);
        detail_->mainScrollView()->setContentOffset(
            {0, detail_->mainScrollView()->contentSize().height -
                    detail_->mainScrollView()->frame().size.height});
        settle();
        ASSERT_TRUE(driver_->tap(button));
        settle();
        report_ = std::dynamic_pointer_cast<Report>(navigation_->topViewController());
        ASSERT_NE(report_, nullptr);
    }
    void fill(const QString& description, const QString& contact) {
        report_->contentField()->setText(description);
        report_->addressField()->setText(contact);
    }
    [[nodiscard]] std::vector<RecordedRequest> reports() { return sent("VotePost"); }
    [[nodiscard]] bool floatShows(const QString& text) {
        auto* message = window_->viewWithTag(FloatView::kFloatMessageTag);
        return message && driver_->textOf(message->subviews().front().get()) == text;
    }

    QVariantMap post_;
    std::shared_ptr<Report> report_;
    std::size_t detailsShown_ = 0;
};

TEST_F(ReportTest, TheFormIsCheckedByCharactersBeforeAnythingIsSent) {
    openReport();
    EXPECT_EQ(report_->title(), " 举报");
    EXPECT_EQ(report_->categoryId(), 7);
    EXPECT_EQ(report_->majorCategoryScriptIndex(), 1);
    EXPECT_EQ(report_->postId(), post_["puid"]);
    EXPECT_TRUE(report_->contentField()->isFirstResponder());

    const auto refused = [&](const QString& description, const QString& contact,
                             const QString& message) {
        fill(description, contact);
        report_->Submit();
        EXPECT_EQ(alertMessage(), message) << description.toStdString();
        EXPECT_EQ(alerts_->visibleAlert() ? alerts_->visibleAlert()->title() : QString(), "提示");
        dismissAlert();
    };
    refused("  四个字啊  ", "", "情况说明必须为5-200字！");
    EXPECT_EQ(report_->contentField()->text(), "四个字啊") << "trimmed in place";
    refused(QString(201, u'假'), "", "情况说明必须为5-200字！");
    // 200 characters of which some take two UTF-16 units are still 200.
    const QString house = QString::fromUtf8("\xF0\x9F\x8F\xA0");
    refused("房源是假的", "abc", "请输入有效的电话号码或邮箱！");
    refused("房源是假的", "010-6543210", "请输入有效的电话号码或邮箱！");
    EXPECT_TRUE(reports().empty());

    fill(QString(190, u'假') + QString(10, u' ').replace(" ", house), " 13912345678 ");
    report_->Submit();
    EXPECT_EQ(alerts_->visibleAlert(), nullptr);
    EXPECT_EQ(report_->addressField()->text(), "13912345678");
    ASSERT_TRUE(waitFor([&] { return reports().size() == 1; }));
}

TEST_F(ReportTest, AReportGoesAsAFormAndTheScreenClosesWhenTheServiceTookIt) {
    openReport();
    fill("价格低得离谱 & 要求先付定金+押金", "");
    report_->Submit();
    EXPECT_NE(report_->loadingView()->superview(), nullptr) << "sending shows the loading layer";
    ASSERT_TRUE(waitFor([&] { return navigation_->topViewController() == detail_; }));
    const auto sentReports = reports();
    ASSERT_EQ(sentReports.size(), 1u);
    const FormFields form(sentReports[0].body);
    EXPECT_EQ(form.names(), (QList<QByteArray>{"categoryId", "majorCategoryScriptIndex",
                                               "cityScriptIndex", "phone", "email", "content",
                                               "reasonId", "postId", "agent", "description"}));
    EXPECT_EQ(form.text("content"), "价格低得离谱 & 要求先付定金+押金")
        << "the form is URL-encoded";
    EXPECT_EQ(form.text("description"), form.text("content"));
    EXPECT_EQ(form.text("phone"), Report::contactWithDevice(""));
    EXPECT_TRUE(form.text("phone").startsWith(";Phone OS,7.0,软件版本,2.3.0"));
    EXPECT_EQ(form.text("email"), "");
    EXPECT_EQ(form.text("cityScriptIndex"), "100");
    EXPECT_EQ(form.text("postId"), post_["puid"]);
    EXPECT_EQ(form.text("agent"), "0");
    EXPECT_EQ(sentReports[0].header("interface"), "VotePost");
    EXPECT_FALSE(sentReports[0].header("SeqId").isEmpty());
    EXPECT_TRUE(sentReports[0].header("cityScriptIndex").isEmpty());
    driver_->wait(1.2);
    EXPECT_TRUE(floatShows("提交成功！"));

    // An e-mail address goes in its own field.
    openReport();
    fill("联系后要求先转账", "me@example.org");
    report_->Submit();
    ASSERT_TRUE(waitFor([&] { return reports().size() == 2; }));
    EXPECT_EQ(FormFields(reports()[1].body).text("email"),
              Report::contactWithDevice("me@example.org"));
    EXPECT_EQ(FormFields(reports()[1].body).text("phone"), "");
    EXPECT_TRUE(report_->reportMail());
}

TEST_F(ReportTest, ARefusedOrFailedReportStaysWithItsReasonToBeSentAgain) {
    openReport();
    fill("这套房子已经租出去了", "13912345678");
    server().setFault({.prefix = paths::kDataShare,
                       .body = R"({"status":-1,"errDetail":"您已举报过该信息"})",
                       .times = 1});
    report_->Submit();
    ASSERT_TRUE(waitFor([&] { return alerts_->visibleAlert() != nullptr; }));
    EXPECT_EQ(alerts_->visibleAlert()->title(), "提交失败！");
    EXPECT_EQ(alertMessage(), "您已举报过该信息");
    dismissAlert();
    EXPECT_EQ(navigation_->topViewController(), report_);
    EXPECT_EQ(report_->contentField()->text(), "这套房子已经租出去了");
    EXPECT_EQ(report_->loadingView()->superview(), nullptr);

    server().setFault({.prefix = paths::kDataShare, .status = 500, .times = 1});
    report_->Submit();
    ASSERT_TRUE(waitFor([&] { return alerts_->visibleAlert() != nullptr; }));
    EXPECT_EQ(alertMessage(), "您的网络不稳定，请稍后再试");
    dismissAlert();
    EXPECT_EQ(navigation_->topViewController(), report_);

    // A reply that is no answer at all does not count as taken either.
    server().setFault({.prefix = paths::kDataShare, .body = "[]", .times = 1});
    report_->Submit();
    ASSERT_TRUE(waitFor([&] { return alerts_->visibleAlert() != nullptr; }));
    dismissAlert();
    EXPECT_EQ(navigation_->topViewController(), report_);

    report_->Submit();
    ASSERT_TRUE(waitFor([&] { return navigation_->topViewController() == detail_; }));
    EXPECT_EQ(reports().size(), 4u);
}

TEST_F(ReportTest, ALateReplyNeverReachesAScreenThatHasGone) {
    openReport();
    fill("图片与实际房屋不符", "");
    server().setFault({.prefix = paths::kDataShare, .hold = true, .times = 1});
    report_->Submit();
    std::weak_ptr<Report> gone = report_;
    report_->onBack();
    settle();
    report_.reset();
    ASSERT_TRUE(waitFor([&] { return gone.expired(); }));
    // The reply comes once the screen has gone: it reaches nobody.
    ASSERT_TRUE(letHeldRepliesArrive());
    driver_->wait(1.5);
    EXPECT_EQ(alerts_->visibleAlert(), nullptr);
    EXPECT_FALSE(floatShows("提交成功！"));
    EXPECT_EQ(navigation_->topViewController(), detail_) << "nothing popped the detail";
}

TEST_F(ReportTest, ReferenceScreen) {
    openReport();
    report_->contentField()->setText("房东要求先交一个月定金才能看房，不见面交易");
    report_->RemoveKeyboard();
    settle();
    EXPECT_EQ(report_->contentView()->frame().size.height, 345);
    EXPECT_TRUE(matchesReferenceImage(driver_->screenshot(2)->pixels(), "src/houses/reference",
                                      "report_form.png"));
}

TEST_F(ReportTest, FeedbackGoesAsYJJYInEitherContactFormAndItsAnswerReachesTheScreen) {
    struct Screen final : TovikReportResponder {
        void newNetWorkForTovikReport(tovikReport&) override { ++answered; }
        void newNetWorkForTovikReportError(const QVariantMap&) override { ++failed; }
        int answered = 0;
        int failed = 0;
    };
    auto screen = std::make_shared<Screen>();
    context().setLogonState({.loginID = 4321, .sessionID = "s", .userId = 4321});
    auto feedback = std::make_shared<tovikReport>(screen, QString());
    feedback->SendFeedbackWithContent("列表加载太慢 & 希望+筛选", "13912345678", false);
    ASSERT_TRUE(waitFor([&] { return screen->answered == 1; }));
    auto sentFeedback = sent("YJJY");
    ASSERT_EQ(sentFeedback.size(), 1u);
    EXPECT_TRUE(sentFeedback[0].body.startsWith(
        "categoryScriptIndex=100&phone=13912345678&email=&contents="));
    EXPECT_TRUE(sentFeedback[0].body.endsWith("&loginId=4321"));
    EXPECT_EQ(FormFields(sentFeedback[0].body).text("contents"), "列表加载太慢 & 希望+筛选")
        << "the text is URL-encoded";
    EXPECT_EQ(sentFeedback[0].header("interface"), "YJJY");
    EXPECT_EQ(sentFeedback[0].header("userId"), context().userId().toUtf8());
    EXPECT_EQ(sentFeedback[0].header("contentformat"), "json2");
    EXPECT_FALSE(sentFeedback[0].hasHeader("SeqId")) << "feedback carries no sequence id";
    EXPECT_FALSE(sentFeedback[0].hasHeader("cityScriptIndex"));

    feedback->SendFeedbackWithContent("地图打不开", "me@example.org", true);
    ASSERT_TRUE(waitFor([&] { return screen->answered == 2; }));
    const FormFields form(sent("YJJY").back().body);
    EXPECT_EQ(form.names(),
              (QList<QByteArray>{"categoryScriptIndex", "phone", "email", "contents", "loginId"}));
    EXPECT_EQ(form.text("phone"), "");
    EXPECT_EQ(form.text("email"), "me@example.org");

    // Whatever the service answers counts as sent; a call that fails is told nobody.
    feedback->SendFeedbackWithContent("", "", false);
    ASSERT_TRUE(waitFor([&] { return screen->answered == 3; }));
    server().setFault({.prefix = paths::kDataShare, .status = 500, .times = 1});
    feedback->SendFeedbackWithContent("闪退", "", false);
    ASSERT_TRUE(waitFor([&] { return sent("YJJY").size() == 4; }));
    settle();
    EXPECT_EQ(screen->answered, 3);
    EXPECT_EQ(screen->failed, 0);
}

TEST_F(ReportTest, AnAlertOfTheClosingTagClosesTheScreenAndOthersDoNot) {
    const auto alertOver = [&](int tag) {
        auto alert = std::make_shared<ui::AlertView>(
            "", "提示", std::static_pointer_cast<ui::AlertViewDelegate>(report_), "确定");
        alert->setTag(tag);
        alert->show();
        settle();
        return alert;
    };
    openReport();
    report_->setReportTitle("举报虚假信息");
    EXPECT_EQ(report_->reportTitle(), "举报虚假信息");
    EXPECT_EQ(report_->title(), " 举报") << "the screen keeps its own title";
    alertOver(5);
    ASSERT_TRUE(alerts_->pressButtonAtIndex(0));
    settle();
    EXPECT_EQ(navigation_->topViewController(), report_);
    alertOver(Report::kCloseAlertTag);
    ASSERT_TRUE(alerts_->pressButtonAtIndex(0));
    settle();
    EXPECT_EQ(navigation_->topViewController(), detail_);

    openReport();
    auto other = alertOver(7);
    report_->hideAlert(*other);
    settle();
    EXPECT_EQ(alerts_->visibleAlert(), nullptr);
    EXPECT_EQ(navigation_->topViewController(), report_);
    auto closing = alertOver(Report::kCloseAlertTag);
    report_->hideAlert(*closing);
    settle();
    EXPECT_EQ(alerts_->visibleAlert(), nullptr);
    EXPECT_EQ(navigation_->topViewController(), detail_);

    openReport();
    report_->Report_returnCenter();
    settle();
    EXPECT_EQ(navigation_->topViewController(), detail_);
}
