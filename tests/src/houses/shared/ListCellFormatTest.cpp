// List rows made from posts through the shipped list format and the read marks.
#include "SandboxTest.h"

#include "houses/shared/GetPostListCellFormate.h"
#include "houses/shared/ReadMarks.h"
#include "platform/foundation/property_list.h"

#include <QFile>

namespace {

PostRecord rentPost() {
    return {{"puid", "1001"},
            {"title", "望京 两居室 精装修"},
            {"district_name", "朝阳区"},
            {"street_name", "望京街道"},
            {"price", QVariantMap{{"v", 6500}, {"u", "元/月"}}},
            {"area", QVariantMap{{"v", 85}, {"u", "㎡"}}},
            {"huxing", "2室1厅"},
            {"fitment", "精装修"},
            {"thumb_img", "house/3.jpg"},
            {"icons", QVariantMap{{"ding", 0}, {"image", 1}, {"yan", 1}, {"quotation", 0}}},
            {"premier_status", 102}};
}

PostCellContent format(const PostRecord& post, int major, int master = 7) {
    return GetPostListCellFormate::shareFormate().returnDictionaryForCellWithContent(post, master,
                                                                                     major);
}

}  // namespace

class ListCellFormatTest : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        now_ = qint64(clock().timeIntervalSince1970());
    }
    qint64 now_ = 0;
};

TEST_F(ListCellFormatTest, ARentRowShowsTitlePlacePriceAreaAgeAndBadges) {
    PostRecord post = rentPost();
    post["postunixtime"] = now_ - 7200;
    const PostCellContent cell = format(post, 1);
    EXPECT_EQ(cell["left1"].toString(), "望京 两居室 精装修");
    EXPECT_EQ(cell["left2"].toString(), "朝阳区-望京街道-2室1厅 | 85㎡");
    EXPECT_EQ(cell["left3"].toString(), "3小时前-精装修");
    EXPECT_EQ(cell["right2"].toString(), "6500元/月");
    EXPECT_TRUE(cell["image"].toString().endsWith("/img/house/3.jpg"));
    EXPECT_TRUE(cell["FangFlag"].toBool());
    EXPECT_TRUE(cell["YanFlag"].toBool());
    EXPECT_TRUE(cell["haveImage"].toBool());
    EXPECT_FALSE(cell["zhiding"].toBool());
    EXPECT_FALSE(cell["quotation"].toBool());
    EXPECT_FALSE(cell["hasRead"].toBool());
    EXPECT_EQ(cell["masterId"].toInt(), 7);
    EXPECT_EQ(cell["majorId"].toInt(), 1);
    EXPECT_FALSE(cell.contains("right3"));
}

TEST_F(ListCellFormatTest, EmptyValuesDropWithTheirSeparators) {
    PostRecord post = rentPost();
    post["street_name"] = "";
    post["fitment"] = "";
    post["postunixtime"] = now_;
    post["area"] = QVariantMap{{"v", 0}, {"u", "㎡"}};
    const PostCellContent cell = format(post, 1);
    EXPECT_EQ(cell["left2"].toString(), "朝阳区-2室1厅 | ");
    EXPECT_EQ(cell["left3"].toString(), "1分钟前") << "the $ of the empty value and its - go";
}

TEST_F(ListCellFormatTest, ShareSaleAndOtherMajorsUseTheirFormats) {
    PostRecord post = rentPost();
    post["postunixtime"] = now_ - 30;
    post["share_type"] = "主卧";
    EXPECT_EQ(format(post, 3)["left2"].toString(), "朝阳区-望京街道-合租:主卧");
    post.remove("share_type");
    EXPECT_EQ(format(post, 3)["left2"].toString(), "朝阳区-望京街道") << "no share type, no label";

    post["price"] = QVariantMap{{"v", "85.5"}, {"u", "万元"}};
    const PostCellContent sale = format(post, 5);
    EXPECT_EQ(sale["right2"].toString(), "85.5万元");
    EXPECT_EQ(sale["left3"].toString(), "1分钟前 (10000元/㎡)");
    EXPECT_EQ(sale["right3"].toString(), "10000元/㎡");

    const PostCellContent other = format(post, 2);
    EXPECT_EQ(other["left2"].toString(), "朝阳区-望京街道-85㎡") << "the default format";
    EXPECT_TRUE(format(post, 1, 99).isEmpty()) << "no format for the master: nothing at all";
}

TEST_F(ListCellFormatTest, PinnedPostsAndBidsReplaceTheAge) {
    PostRecord post = rentPost();
    post["postunixtime"] = now_ - 7200;
    post["icons"] = QVariantMap{{"ding", "1"}};
    PostCellContent cell = format(post, 1);
    EXPECT_EQ(cell["left3"].toString(), "刚刚");
    EXPECT_FALSE(cell["zhiding"].toBool()) << "housing posts never show the pinned badge";
    post["price"] = QVariantMap{{"v", 300}, {"u", "万元"}};
    EXPECT_EQ(format(post, 5)["left3"].toString(), "刚刚 (35294元/㎡)");
    post["bidNum"] = 12;
    EXPECT_EQ(format(post, 5)["left3"].toString(), "竞标量:12");
}

TEST_F(ListCellFormatTest, BadgesOfAnUnexpectedKindStayAbsentAndFormattingGoesOn) {
    PostRecord post = rentPost();
    post["icons"] = "broken";
    post["premier_status"] = 101;
    const PostCellContent cell = format(post, 1);
    EXPECT_FALSE(cell.contains("zhiding"));
    EXPECT_FALSE(cell.contains("FangFlag"));
    EXPECT_TRUE(cell.contains("hasRead"));
    EXPECT_EQ(cell["left1"].toString(), "望京 两居室 精装修");
    post["icons"] = QVariantMap{};
    EXPECT_FALSE(format(post, 1)["FangFlag"].toBool()) << "101 is no trusted house";
}

TEST_F(ListCellFormatTest, ThumbnailsOnlyWhereTheFormatWantsThem) {
    PostRecord post = rentPost();
    post["thumb_img"] = "";
    EXPECT_EQ(format(post, 1)["image"].toString(), "");
    post.remove("thumb_img");
    EXPECT_EQ(format(post, 1)["image"].toString(), "");
}

TEST_F(ListCellFormatTest, ReadMarksShowAtOnceAndSurviveARestart) {
    const PostRecord post = rentPost();
    EXPECT_FALSE(format(post, 1)["hasRead"].toBool()) << "no file: nothing read";
    ReadMarks::markRead("1001");
    EXPECT_TRUE(format(post, 1)["hasRead"].toBool()) << "the cached marks follow the write";
    PostRecord other = post;
    other["puid"] = "1002";
    EXPECT_FALSE(format(other, 1)["hasRead"].toBool());
    other.remove("puid");
    EXPECT_FALSE(format(other, 1)["hasRead"].toBool()) << "a post without puid";

    // Another process (the app of an earlier run) wrote the file: the marks are read anew.
    ASSERT_TRUE(ns::writeToFile(QVariantMap{{"1002", "1"}}, ReadMarks::path(), true));
    EXPECT_TRUE(format(PostRecord{{"puid", "1002"}}, 1)["hasRead"].toBool());
    EXPECT_FALSE(format(post, 1)["hasRead"].toBool());

    QFile file(ReadMarks::path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("not a property list at all");
    file.close();
    EXPECT_FALSE(format(post, 1)["hasRead"].toBool()) << "an unreadable file marks nothing";
}

TEST_F(ListCellFormatTest, SlotRulesOfFormatsTheShippedFileDoesNotUse) {
    const QVariantMap root{
        {"3", QVariantMap{{"1", "joined"}, {"2", "plain"}, {"default", "counted"}}},
        {"4", QVariantMap{{"default", "plain"}}},
        {"6", QVariantMap{{"default", "cars"}}},
        {"12", QVariantMap{{"default", "labelled"}}},
        {"joined",
         QVariantMap{{"left1", QVariantMap{{"kongge", "a,b,c"}, {"formatString", "%@/%@/%@"}}},
                     {"left2", "district_name,street_name"},
                     {"left3", QVariantMap{{"zhengchang", "a,b,c"}, {"formatString", "%@-%@-%@"}}},
                     {"right2", "price"}}},
        {"counted",
         QVariantMap{{"left1", QVariantMap{{"kongge", "a,b"}, {"formatString", "%@/%@"}}},
                     {"left2", QVariantMap{{"zhengchang", "district_name"}, {"kongge", "a,到,c"}}},
                     {"left3", QVariantMap{{"zhengchang", "a,b,c"}}}}},
        {"plain", QVariantMap{{"image", false},
                              {"left1", QVariantMap{{"kongge", "a,b,c"}}},
                              {"left2", "street_name"},
                              {"left3", "a"}}},
        {"cars", QVariantMap{{"left2", "license_year,a"}, {"left3", "c"}}},
        {"labelled",
         QVariantMap{{"left2", QVariantMap{{"zhengchang", "a,b"}, {"maohao", "标,c"}}}}}};
    const PostRecord post{{"a", "甲"},
                          {"b", ""},
                          {"c", "丙"},
                          {"district_name", "朝阳区"},
                          {"street_name", ""},
                          {"license_year", "2008"},
                          {"thumb_img", "car/1.jpg"},
                          {"price", QVariantMap{{"t", "面议"}}}};
    const auto cell = [&](int master, int major) {
        return GetPostListCellFormate::cellWithFormats(root, post, master, major);
    };

    const PostCellContent joined = cell(3, 1);
    EXPECT_EQ(joined["left1"].toString(), "甲//丙");
    EXPECT_EQ(joined["left2"].toString(), "朝阳区") << "an empty street goes with its -";
    EXPECT_EQ(joined["left3"].toString(), "甲-丙") << "the empty middle value and one - go";
    EXPECT_EQ(joined["right2"].toString(), "面议");

    const PostCellContent counted = cell(3, 9);
    EXPECT_EQ(counted["left1"].toString(), "") << "two keys are too few for a formatted left1";
    EXPECT_TRUE(counted.contains("left1"));
    EXPECT_EQ(counted["left2"].toString(), "朝阳区-甲 到 丙");
    EXPECT_EQ(counted["left3"].toString(), "甲-丙") << "joined by - without a leading one";

    const PostCellContent plain = cell(3, 2);
    EXPECT_FALSE(plain.contains("left1")) << "no format text, no left1";
    EXPECT_EQ(plain["left2"].toString(), "") << "one key gives its raw value";
    EXPECT_EQ(plain["left3"].toString(), "甲");
    EXPECT_EQ(plain["image"].toString(), "") << "the format wants no thumbnail";
    EXPECT_TRUE(cell(4, 1)["image"].toString().endsWith("car/1.jpg"))
        << "master 4 shows its thumbnail whatever the format says";

    EXPECT_EQ(cell(6, 1)["left2"].toString(), "08年-甲") << "the year loses its century";
    EXPECT_EQ(cell(6, 1)["left3"].toString(), "朝阳区    丙");
    EXPECT_EQ(cell(6, 2)["left3"].toString(), "丙");

    EXPECT_EQ(cell(12, 103)["left2"].toString(), "甲,标:丙");
    EXPECT_EQ(cell(12, 104)["left2"].toString(), "甲-标:丙");
    PostRecord noLabel = post;
    noLabel["c"] = "";
    EXPECT_EQ(GetPostListCellFormate::cellWithFormats(root, noLabel, 12, 103)["left2"].toString(),
              "甲")
        << "an empty labelled value leaves the label out";
}
