#include "IMChat/qximlib/QXIMMessageContent.h"

#include "net/transport/Json.h"

#include <gtest/gtest.h>

namespace {

QVariantList parsed(const QXIMMessageContent& content) {
    return json_JSON(QVariant(content.contentJSONString())).toList();
}

TEST(QXIMMessageContentTest, TextIsTheOnlyElementAndAReadyTextWins) {
    QXIMMessageTextContent text(QStringLiteral("你好 \"引号\""));
    EXPECT_EQ(parsed(text), QVariantList{"你好 \"引号\""});
    text.setContentJSONString(R"(["ready"])");
    EXPECT_EQ(text.contentJSONString(), R"(["ready"])");
}

TEST(QXIMMessageContentTest, TypedItemsCarryKindDataAndFallback) {
    const QXIMMessageAudioContent voice("http://v/1.amr", std::nullopt);
    const QVariantList sound = parsed(voice).value(0).toList();
    ASSERT_EQ(sound.size(), 3);
    EXPECT_EQ(sound[0], "sound");
    EXPECT_EQ(sound[1].toMap().value("duration").toInt(), 0);
    EXPECT_EQ(sound[2], "");

    QXIMMessageImageContent picture("http://p/1.jpg");
    picture.errorString = "有图片";
    const QVariantList pic = parsed(picture).value(0).toList();
    EXPECT_EQ(pic[1].toMap().value("success"), "1");
    EXPECT_EQ(pic[2], "有图片");

    QXIMMessageVcardContent card("p1", "两室", "http://post/1", QString());
    const QVariantList vcard = parsed(card).value(0).toList();
    EXPECT_EQ(vcard[1].toMap().keys(), (QStringList{"img", "puid", "src", "title"}));
    EXPECT_EQ(vcard[1].toMap().value("img"), "");
    EXPECT_EQ(vcard[2], "http://post/1");
    card.price = "4500";
    EXPECT_EQ(parsed(card).value(0).toList()[1].toMap().value("price"), "4500");
}

TEST(QXIMMessageContentTest, APostCardPrefersItsOwnFieldsOverTheOtherData) {
    const QXIMMessagePostContent card("http://post/1", "http://img/1", "p1", "标题",
                                      {{"title", "other"}, {"price", "4500"}});
    const QVariantMap data = parsed(card).value(0).toList().value(1).toMap();
    EXPECT_EQ(data.value("title"), "标题");
    EXPECT_EQ(data.value("price"), "4500");
    const QXIMMessagePostContent whole("http://post/1", QVariantMap{{"puid", "p9"}});
    EXPECT_EQ(parsed(whole).value(0).toList().value(1).toMap(), (QVariantMap{{"puid", "p9"}}));
}

}  // namespace
