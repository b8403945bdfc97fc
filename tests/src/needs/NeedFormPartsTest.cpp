// The need form's smaller parts: its own title view, the text of chosen items, the note that
// a city needs no validated number, and the records made from reply dictionaries.
#include "NeedFormFixture.h"

#include "needs/QXFindHouseModel.h"
#include "needs/QXPriceSortModel.h"

#include "platform/foundation/user_defaults.h"

namespace {

using NeedFormPartsTest = NeedFormFixture;

TEST_F(NeedFormPartsTest, TheFormsOwnTitleViewNamesTheKindAndItsButtonLeaves) {
    openForm(3);
    form_->initNavigationTitleView();
    ui::Label* title = form_->navigationTitleLabel();
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(), QStringLiteral("填写合租意向"));
    EXPECT_EQ(title->frame(), ui::Rect(0, 20, 320, 44)) << "under the status bar from version 7";
    EXPECT_EQ(title->textAlignment(), ui::TextAlignment::Center);
    EXPECT_EQ(title->superview(), form_->view().get());
    EXPECT_EQ(form_->closeButton()->frame(), ui::Rect(18, 29, 26, 26));
    ASSERT_TRUE(driver_->tap(form_->closeButton()));
    settle();
    EXPECT_EQ(navigation_->viewControllers().size(), 1u);

    const auto titleOf = [&](const QString& kind) {
        auto form = std::make_shared<QXPublishHouseInfoViewController>();
        form->qxInfoModel().publishInfoRentOrBuyString = kind;
        (void)form->view();
        form->initNavigationTitleView();
        return form->navigationTitleLabel()->text();
    };
    EXPECT_EQ(titleOf("1"), QStringLiteral("填写租房意向"));
    EXPECT_EQ(titleOf("5"), QStringLiteral("填写买房意向"));
    EXPECT_EQ(titleOf("7"), QString()) << "no title for another kind";

    EXPECT_EQ(QXPublishHouseInfoViewController::loadSelectedItems(
                  {QStringLiteral("一室"), 2, QStringLiteral("三室")}),
              QStringLiteral("一室2三室"));
    EXPECT_EQ(QXPublishHouseInfoViewController::loadSelectedItems({}), QString());
}

TEST_F(NeedFormPartsTest, ACityNeedsAValidatedNumberUntilItIsNotedForThatCityAlone) {
    EXPECT_TRUE(QXMessageValidationController::needValidationAtCity(0));
    QXMessageValidationController::setValidatedAtCity(0);
    EXPECT_FALSE(QXMessageValidationController::needValidationAtCity(0));
    EXPECT_TRUE(QXMessageValidationController::needValidationAtCity(100));
    EXPECT_TRUE(ns::UserDefaults::standardUserDefaults().boolForKey("0-kNeedNotValidation"));
    // A note of another kind than yes still asks for the number.
    ns::UserDefaults::standardUserDefaults().setObject(QStringLiteral("no"),
                                                       "100-kNeedNotValidation");
    EXPECT_TRUE(QXMessageValidationController::needValidationAtCity(100));
}

TEST_F(NeedFormPartsTest, RecordsAreMadeFromReplyDictionariesAndAFailureMakesNone) {
    const QXFindHouseModel broker = QXFindHouseModel::didLoadSuccessDictionary(QVariantMap{
        {"ucUserId", qint64(8000000101)}, {"image", "avatars/brokers/1.jpg"}, {"name", "王经理"}});
    EXPECT_EQ(broker.ucIdString, "8000000101");
    EXPECT_EQ(broker.urlImageString, "avatars/brokers/1.jpg");
    EXPECT_EQ(broker.nameString, QStringLiteral("王经理"));
    const QXFindHouseModel empty =
        QXFindHouseModel::didLoadSuccessDictionary(QVariantList{QStringLiteral("not a record")});
    EXPECT_TRUE(empty.ucIdString.isEmpty() && empty.nameString.isEmpty());
    EXPECT_FALSE(QXFindHouseModel::didLoadFailDictionary(QVariantMap{{"name", "x"}}));

    const QXPriceSortModel band = QXPriceSortModel::didLoadSuccessDictionary(
        QVariantMap{{"n", QStringLiteral("3000-5000元")}, {"v", "3"}});
    EXPECT_EQ(band.name, QStringLiteral("3000-5000元"));
    EXPECT_EQ(band.key, "3");
    EXPECT_FALSE(QXPriceSortModel::didLoadFailDictionary(QVariantMap{}));
}

}  // namespace
