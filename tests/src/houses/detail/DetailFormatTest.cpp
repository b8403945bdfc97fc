// The detail's formatter, its shipped formats over the sample posts, and the labelled row and
// price line that draw what it makes.
#include "SandboxTest.h"

#include "houses/detail/QXDetailFormate.h"
#include "houses/detail/QXPostDetailPriceView.h"
#include "houses/shared/QXLabel.h"
#include "standin/PostDetailCalls.h"
#include "standin/Posts.h"

#include <QJsonDocument>

namespace {

// The text of one expression over `content`.
QString textOf(const QVariantMap& content, const QVariant& expression) {
    auto& formatter = QXDetailFormate::shareFormat();
    (void)formatter.getDetailInfoWithFormats({}, 7, 1, content);
    return formatter.itemFormate(expression);
}

QVariantMap pair(const QVariant& value, const QString& unit) {
    return {{"v", value}, {"u", unit}};
}

QVariantMap detailRow(const QString& label, const QVariant& value) {
    return {{"key", label}, {"value", value}};
}

QStringList labelsOf(const QVariant& rows) {
    QStringList labels;
    for (const QVariant& each : rows.toList()) labels << each.toMap().firstKey();
    return labels;
}

// A sample post of the kind as the detail's calls send it.
QVariantMap samplePost(int major, int index = 0) {
    const qint64 puid = standin::Posts::postsOf(100, major).at(std::size_t(index)).puid;
    return QJsonDocument(standin::PostDetailCalls::detailRecord(puid, "http://127.0.0.1:1"))
        .toVariant()
        .toMap();
}

}  // namespace

using DetailFormatTest = SandboxTest;

TEST_F(DetailFormatTest, FieldTextsScalePricesKeepUnitsAndSayNegotiable) {
    EXPECT_EQ(textOf({{"price", pair(10001, "元")}}, "price"), "1.0万元");
    EXPECT_EQ(textOf({{"price", pair(0, "元/月")}}, "price"), "面议");
    EXPECT_EQ(textOf({{"price", pair(10000, "元/月")}}, "price"), "10000元/月");
    EXPECT_EQ(textOf({{"price", pair(25000, "元/月")}}, "price"), "2.5万元/月");
    EXPECT_EQ(textOf({{"price", pair(80, "万元")}}, "price"), "80万元");
    EXPECT_EQ(textOf({{"price", pair(85.5, "万元")}}, "price"), "85.5万元")
        << "a sale price keeps its half, as the list shows it";
    EXPECT_EQ(textOf({{"area", pair(0, "㎡")}}, "area"), "");
    EXPECT_EQ(textOf({{"area", pair("56", "㎡")}}, "area"), "56㎡");
    EXPECT_EQ(textOf({{"kind", QVariantMap{{"t", "整租"}}}}, "kind"), "整租");
    EXPECT_EQ(textOf({{"title", "null"}}, "title"), "");
    EXPECT_EQ(
        textOf({{"license_year", "2012"}, {"license_math", "6"}}, "license_year,license_math"),
        "2012年6月");
    EXPECT_EQ(textOf({{"member_num", "0"}}, "member_num"), "");
    EXPECT_EQ(textOf({{"need_num", "0"}, {"x", "人"}}, "need_num,x"), "若干人");
    EXPECT_EQ(textOf({{"need_num", "3"}, {"x", "人"}}, "need_num,x"), "3人");
    EXPECT_EQ(textOf({{"begindate", "3月"}, {"enddate", "5月"}}, "begindate,enddate"), "3月 5月 ");
    EXPECT_EQ(textOf({{"niandai", 12}}, "niandai"), "12年房龄");
    EXPECT_EQ(textOf({{"huxing", 3}}, "huxing"), "") << "other numbers show nothing";
    // Only a distance below one 万公里 reads as "less than one".
    EXPECT_EQ(textOf({{"road_haul", 0.5}}, "road_haul"), "<1.0万公里");
    EXPECT_EQ(textOf({{"road_haul", 1}}, "road_haul"), "1.0万公里");
    EXPECT_EQ(textOf({{"road_haul", 1.5}}, "road_haul"), "1.5万公里");
    EXPECT_EQ(textOf({{"road_haul", 3.5}}, "road_haul"), "3.5万公里");

    const QVariantList floor{"ceng", "/", "ceng_total"};
    EXPECT_EQ(textOf({{"ceng", pair(5, "层")}, {"ceng_total", "18"}}, floor), "5层/18层");
    EXPECT_EQ(textOf({{"ceng", pair(5, "层")}, {"ceng_total", "0"}}, floor), "5层/0");
    EXPECT_EQ(textOf({{"ceng", pair(5, "层")}}, floor), "5层");
    EXPECT_EQ(textOf({{"ceng_total", "18"}}, floor), "") << "no left side, no text";
    EXPECT_EQ(textOf({{"a", "1"}}, QVariantList{"a", "-"}), "") << "a join has three parts";
}

TEST_F(DetailFormatTest, ThePricePerSquareMetreIsWorkedOutIn64Bits) {
    const auto perArea = [](const QVariant& price, const QString& unit, int area) {
        return QXDetailFormate::calculatePricePerM2WithInfoContent(
            {{"price", pair(price, unit)}, {"area", pair(area, "㎡")}});
    };
    EXPECT_EQ(perArea(120, "万元", 89), "13483元/平米");
    EXPECT_EQ(perArea(3000, "元/月", 30), "100元/平米");
    // 30 亿 is 3 × 10^9 元, past 32 bits: the square metre still costs what it does.
    EXPECT_EQ(perArea(30, "亿元", 100), "30000000元/平米");
    EXPECT_EQ(perArea(1000000000000LL, "亿元", 1), "") << "past 64 bits shows nothing";
    EXPECT_EQ(perArea(120, "万元", 0), "");
    EXPECT_EQ(perArea(0, "万元", 89), "");

    QVariantMap root{
        {"7", QVariantMap{
                  {"default", QVariantMap{
                                  {"info", QVariantList{detailRow(
                                               "售价", QVariantMap{{"outSide", "price"},
                                                                   {"inSide", "kehuduandanjia"}})}},
                              }}}}};
    auto& formatter = QXDetailFormate::shareFormat();
    const QVariantList withArea{QVariantMap{{"售价", "120万元(13483元/平米)"}}};
    const QVariantList withoutArea{QVariantMap{{"售价", "120万元"}}};
    EXPECT_EQ(formatter.getDetailInfoWithFormats(
                  root, 7, 5, {{"price", pair(120, "万元")}, {"area", pair(89, "㎡")}})["info"],
              withArea);
    EXPECT_EQ(formatter.getDetailInfoWithFormats(
                  root, 7, 5, {{"price", pair(120, "万元")}, {"area", pair(0, "㎡")}})["info"],
              withoutArea)
        << "without an area the outer text stands alone";
}

TEST_F(DetailFormatTest, FormatsAreChosenByCategoryAndRowsNeverStandEmpty) {
    auto& formatter = QXDetailFormate::shareFormat();
    const QVariantMap rent{
        {"image", true},
        {"info", QVariantList{detailRow("租金", "price"), detailRow("空", "missing"),
                              detailRow("", "price"), "image", 42}},
        {"detail", QVariantList{detailRow("详情", "description"), "image"}},
        {"map", true},
        {"tip", true}};
    const QVariantMap other{{"image", false}, {"info", QVariantList{detailRow("价格", "price")}}};
    const QVariantMap root{{"7", QVariantMap{{"1", rent}, {"default", other}}}};
    const QVariantMap post{{"price", pair(2500, "元/月")},
                           {"description", "近地铁"},
                           {"ThumbImageUrls", "a,b"},
                           {"latlng", "39.9,116.4"},
                           {"icons", QVariantMap{{"image", 1}}}};

    const QVariantMap shown = formatter.getDetailInfoWithFormats(root, 7, 1, post);
    EXPECT_EQ(shown["info"], (QVariantList{QVariantMap{{"租金", "2500元/月"}},
                                           QVariantMap{{"image11111", "image11111"}}}))
        << "no row without a text or a label; the strip's place only with photos";
    EXPECT_EQ(shown["image"], "a,b");
    EXPECT_TRUE(shown["IsShowTopImage"].toBool());
    EXPECT_TRUE(shown["haveImage"].toBool());
    EXPECT_EQ(shown["map"], "39.9,116.4");
    EXPECT_TRUE(shown["tip"].toBool());
    EXPECT_FALSE(shown.contains("address"));
    EXPECT_EQ(shown["link"], QVariantList());

    QVariantMap withoutPhotos = post;
    withoutPhotos.remove("ThumbImageUrls");
    EXPECT_EQ(labelsOf(formatter.getDetailInfoWithFormats(root, 7, 1, withoutPhotos)["detail"]),
              QStringList{"详情"});

    const QVariantMap fallback = formatter.getDetailInfoWithFormats(root, 7, 3, post);
    EXPECT_EQ(labelsOf(fallback["info"]), QStringList{"价格"}) << "the default format serves 3";
    EXPECT_EQ(fallback["image"], "");
    EXPECT_EQ(fallback["map"], "") << "the default format has no map";
    EXPECT_TRUE(formatter.getDetailInfoWithFormats(root, 9, 1, post).isEmpty());
    EXPECT_TRUE(formatter.getDetailInfoWithFormats({}, 7, 1, post).isEmpty());

    // Releasing the shared formatter lets the content it formatted last go with it.
    (void)formatter.getDetailInfoWithFormats(root, 7, 1, post);
    EXPECT_EQ(QXDetailFormate::shareFormat().getValueByKey("description"), "近地铁");
    QXDetailFormate::releseFormate();
    EXPECT_EQ(QXDetailFormate::shareFormat().getValueByKey("description"), "");
    EXPECT_EQ(labelsOf(QXDetailFormate::shareFormat()
                           .getDetailInfoWithFormats(root, 7, 1, withoutPhotos)
                           .value("detail")),
              QStringList{"详情"})
        << "the new one formats as the old did";
}

TEST_F(DetailFormatTest, TheShippedFormatsShowEveryFieldOfTheSamplePosts) {
    auto& formatter = QXDetailFormate::shareFormat();
    const auto valuesOf = [](const QVariant& rows) {
        QStringList values;
        for (const QVariant& each : rows.toList()) values << each.toMap().first().toString();
        return values;
    };
    const struct {
        int major;
        QStringList info;
    } kinds[] = {
        {1, {"租金", "户型", "面积", "楼层", "朝向", "装修", "入住"}},
        {3, {"租金", "合租", "面积", "楼层", "朝向", "装修", "性别要求", "入住"}},
        {5, {"售价", "户型", "面积", "楼层", "朝向", "装修", "房龄"}},
    };
    for (const auto& kind : kinds) {
        for (int index = 0; index < 6; ++index) {
            const QVariantMap post = samplePost(kind.major, index);
            const QVariantMap shown =
                formatter.getDetailInfoFormPlistWithMasterId(7, kind.major, post);
            QStringList expected = kind.info;
            // A house whose community's completion is not known has no age.
            if (kind.major == 5 && !post.contains("niandai")) expected.removeOne("房龄");
            if (post["agent"] == "经纪人") expected << "经纪公司";
            EXPECT_EQ(labelsOf(shown["info"]), expected) << kind.major << " " << index;
            for (const QString& value : valuesOf(shown["info"])) EXPECT_FALSE(value.isEmpty());
            EXPECT_EQ(labelsOf(shown["address"]), (QStringList{"区域", "地址"}));
            EXPECT_EQ(labelsOf(shown["detail"]).first(), "详情");
            EXPECT_EQ(shown["xiaoqu"], post["xiaoqu"]);
            EXPECT_EQ(shown["map"], post["latlng"]);
            EXPECT_EQ(shown.contains("peizhi"), kind.major != 5);
            EXPECT_TRUE(shown["tip"].toBool());
            const QString price = valuesOf(shown["info"]).first();
            if (kind.major == 5) {
                EXPECT_TRUE(price.contains("万元(")) << price.toStdString();
            } else {
                EXPECT_TRUE(price.contains(post["fukuan"].toString())) << price.toStdString();
            }
        }
    }
    EXPECT_EQ(labelsOf(formatter.getDetailInfoFormPlistWithMasterId(7, 12, samplePost(1))["info"]),
              (QStringList{"价格", "面积"}))
        << "a housing kind without its own format reads the default one";
}

TEST_F(DetailFormatTest, ARowSpreadsTwoCharacterLabelsAndLaysOutByCharacters) {
    EXPECT_EQ(QXLabel::spreadLabel("面积"), "面       积");
    EXPECT_EQ(QXLabel::spreadLabel("联系人"), "联系人");
    EXPECT_EQ(QXLabel::typeForKey("详情"), QXLabel::kRunOn);
    EXPECT_EQ(QXLabel::typeForKey("房屋描述"), QXLabel::kRunOn);
    EXPECT_EQ(QXLabel::typeForKey("店铺介绍"), QXLabel::kRunOn);
    EXPECT_EQ(QXLabel::typeForKey("户型"), QXLabel::kBeside);

    EXPECT_EQ(QXLabel::calLblHeightwithKey("户型", "3室1厅", QXLabel::kBeside, 320), 25);
    EXPECT_EQ(QXLabel::calLblHeightwithKey("户型", "3室1厅", QXLabel::kBelow, 320), 50);
    EXPECT_EQ(QXLabel::calLblHeightwithKey("详情", "一\n\n二", QXLabel::kRunOn, 320), 50)
        << "a blank line collapses";
    // The spread label is measured as it is shown: a longer indent than the two characters.
    double bottom = 0;
    const auto spread =
        QXLabel::layout(QXLabel::spreadLabel("户型"), "甲", QXLabel::kBeside, 288, &bottom);
    const auto tight = QXLabel::layout("户型", "甲", QXLabel::kBeside, 288, &bottom);
    ASSERT_EQ(spread.size(), 1u);
    EXPECT_GT(spread[0].origin.x, tight[0].origin.x);

    // A line feed right where a line is full moves two lines down.
    QString full;
    std::vector<QXLabel::Placed> placed;
    do {
        full += QStringLiteral("字");
        placed = QXLabel::layout("", full + QStringLiteral("字"), QXLabel::kRunOn, 288, &bottom);
    } while (bottom == 0);
    (void)QXLabel::layout("", full + QStringLiteral("\n字"), QXLabel::kRunOn, 288, &bottom);
    EXPECT_EQ(bottom, 2 * QXLabel::kLinePitch);

    // Characters outside the basic plane are placed whole.
    const QString house = QString::fromUtf8("\xF0\x9F\x8F\xA0");
    placed = QXLabel::layout("详情", house + house + "a", QXLabel::kRunOn, 288, &bottom);
    ASSERT_EQ(placed.size(), 3u);
    EXPECT_EQ(placed[0].character, house);
    EXPECT_EQ(placed[1].character, house);
    EXPECT_LT(placed[0].origin.x, placed[1].origin.x);
}

// Whatever the text and wherever its lines fill, no line starts with closing punctuation or
// ends with an opening bracket: the character before moves down with it. The height the
// screen reserves is the one the drawing takes.
TEST_F(DetailFormatTest, ARowNeverStartsALineWithClosingPunctuation) {
    const QString closing = QStringLiteral("，。）】、；：！？");
    for (int lead = 0; lead < 24; ++lead) {
        for (const QString& mark : {QStringLiteral("，"), QStringLiteral("。"),
                                    QStringLiteral("】"), QStringLiteral("（")}) {
            const QString text = QString(lead, QChar(0x5B57)) + QStringLiteral("房") + mark +
                                 QStringLiteral("室厅 】一二三四五六七八九十（共14层）。");
            double bottom = 0;
            const auto placed =
                QXLabel::layout(QXLabel::spreadLabel("详情"), text, QXLabel::kRunOn, 288, &bottom);
            ASSERT_EQ(placed.size(), std::size_t(text.size())) << text.toStdString();
            for (std::size_t i = 1; i < placed.size(); ++i) {
                if (placed[i].origin.y == placed[i - 1].origin.y) continue;
                EXPECT_FALSE(closing.contains(placed[i].character))
                    << "line starts with " << placed[i].character.toStdString() << " in "
                    << text.toStdString();
                EXPECT_NE(placed[i - 1].character, QStringLiteral("（")) << text.toStdString();
                EXPECT_LT(placed[i - 1].origin.x, 288.0);
            }
            EXPECT_EQ(QXLabel::calLblHeightwithKey("详情", text, QXLabel::kRunOn, 320),
                      int(placed.back().origin.y + QXLabel::kLinePitch));
        }
    }
}

TEST_F(DetailFormatTest, ThePriceLineSplitsNumberUnitAndNote) {
    auto parts = QXPostDetailPriceView::partsOf({{"租金", "1200元/月(押一付三)"}});
    EXPECT_EQ(parts.label, "租       金:  ");
    EXPECT_EQ(parts.number, "1200");
    EXPECT_EQ(parts.unit, "元/月   ");
    EXPECT_EQ(parts.note, "(押一付三)");
    parts = QXPostDetailPriceView::partsOf({{"售价", "120万元"}});
    EXPECT_EQ(parts.number, "120") << "before 万元, not before its 元";
    EXPECT_EQ(parts.unit, "万元");
    parts = QXPostDetailPriceView::partsOf({{"租金", "面议"}});
    EXPECT_EQ(parts.number, "");
    EXPECT_EQ(parts.unit, "面议");
    parts = QXPostDetailPriceView::partsOf({{"租金", "(押一付三)元"}});
    EXPECT_EQ(parts.number, "(押一付三)");
    EXPECT_EQ(parts.unit, "元");
    EXPECT_TRUE(QXPostDetailPriceView::partsOf({}).label.isEmpty());
    EXPECT_TRUE(QXPostDetailPriceView::partsOf({{"租金", 3}}).unit.isEmpty()) << "not a text";
}
