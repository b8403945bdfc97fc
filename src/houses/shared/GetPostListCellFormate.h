#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

// A post as the server sends it (the list never changes it).
using PostRecord = QVariantMap;
// The display dictionary of one list row: "image", "left1", "left2", "left3", "right2",
// "right3" (texts), "zhiding", "haveImage", "YanFlag", "FangFlag", "quotation", "hasRead"
// (booleans), "masterId", "majorId" (numbers).
using PostCellContent = QVariantMap;

// Turns posts into list rows as the resource `QXListFormat` says, and gives the value texts
// of post keys (prices and areas with their units, time since posting, phone, price per
// area). Which key goes into which text is data, not code: the format names the keys.
class GetPostListCellFormate {
public:
    [[nodiscard]] static GetPostListCellFormate& shareFormate();
    // Drops the shared formatter; the next shareFormate() makes a new one.
    static void releseFormate();

    [[nodiscard]] PostCellContent returnDictionaryForCellWithContent(const PostRecord& post,
                                                                     int masterId,
                                                                     int majorId) const;

    // The display text of one key of a post; the empty text when nothing applies.
    [[nodiscard]] static QString getValueByKey(const QString& key, const QVariantMap& post);
    // The text of a value/unit pair {"v", "u"}: prices in 元 above 10000 scaled to 万 with one
    // decimal ("2.5万元/月"), prices in 万 as they stand, other units only with a number
    // that is not 0. A number keeps its fraction ("85.5万元").
    [[nodiscard]] static QString unitValueText(const QVariantMap& pair);
    // "N分钟前", "N小时前", "N天前" or "MM-dd" for seconds since 1970 given as text.
    [[nodiscard]] static QString timeToNow(const QString& seconds);
    // "<whole 元 per area unit>元/<area unit>", or the empty text when price or area is 0.
    [[nodiscard]] static QString calculatePricePerM2WithContent(const QVariantMap& post);

    // The row of a post as the formats of `root` (the format file's shape) say.
    [[nodiscard]] static PostCellContent cellWithFormats(const QVariantMap& root,
                                                         const PostRecord& post, int masterId,
                                                         int majorId);

    // The format file as read from the bundle (read once: the bundle does not change while
    // the app runs).
    [[nodiscard]] static const QVariantMap& listFormat();

    // --- Further operations; the housing lists reach none of them.

    // Whether the category's format asks for the nearby filter; NO without a format.
    [[nodiscard]] bool returnNearbyFilter(int masterId, int majorId) const;
    // The category's quick-filter settings of the resource `QuicklyFilterStyle` (by major id,
    // else "default"); an empty list when it has none.
    [[nodiscard]] QVariantList returnQuickFilterWithMasterId(int masterId, int majorId) const;
    // The row of a job post: "left1" to "left4", "middle2", "middle3", "right2" to "right4"
    // (the rating), "zhiding", "haveImage", "YanFlag", "IsZhiJieFlag", "hasRead", "masterId",
    // "majorId". The `from` form leaves out "haveImage" and "IsZhiJieFlag".
    [[nodiscard]] PostCellContent returnDictionaryForCellWithContentForZhaoPin(
        const PostRecord& post, int masterId, int majorId) const;
    [[nodiscard]] PostCellContent returnDictionaryForCellWithContentForZhaoPin(
        const PostRecord& post, int masterId, int majorId, bool from) const;
    // The row of an expired post: its raw title, "此帖子已过期" and its read mark.
    [[nodiscard]] PostCellContent returnDictionaryForCellWithContentForGuoQiTieZi(
        const PostRecord& post) const;
    // The settings file as read from the bundle.
    [[nodiscard]] static const QVariantMap& quickFilterStyle();
};
