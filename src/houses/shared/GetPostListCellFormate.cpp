#include "houses/shared/GetPostListCellFormate.h"

#include "houses/shared/QXTools.h"
#include "houses/shared/ReadMarks.h"
#include "net/EndpointTable.h"
#include "net/QXDESCode.h"
#include "platform/foundation/clock.h"
#include "platform/foundation/property_list.h"
#include "platform/foundation/sandbox.h"
#include "util/categories/DecimalText.h"
#include "util/categories/Tolerant.h"
#include "util/categories/VariantKind.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

using variantKind::isDictionary;
using variantKind::isNumber;
using variantKind::isText;

bool isDigitsOnly(const QString& text) {
    if (text.isEmpty()) return false;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9') return false;
    }
    return true;
}

// A number's text: whole numbers as integers; a number with a fraction keeps it, written
// as short as it reads back ("85.5", never "85.500000").
QString numberText(const QVariant& value) {
    const double number = value.toDouble();
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
        if (std::isfinite(number) && number != std::trunc(number)) {
            return QString::number(number, 'g', 15);
        }
        if (!std::isfinite(number)) return QString();
        // Whole numbers beyond 64 bits are written out rather than converted.
        return std::fabs(number) < 9e18 ? QString::number(static_cast<qint64>(number))
                                        : QString::number(number, 'f', 0);
    }
    return QString::number(value.toLongLong());
}

QString valueWithUnitText(const QVariantMap& dictionary) {
    const QVariant v = dictionary.value(QStringLiteral("v"));
    QString number = isNumber(v) ? numberText(v) : isText(v) ? v.toString() : QString();
    QString unit = dictionary.value(QStringLiteral("u")).toString();
    if (unit.startsWith(u'元')) {
        const float tenThousands = number.toFloat() / 10000.0f;
        if (tenThousands > 1.0f) {
            number = DecimalText::fixed(double(tenThousands), 1);
            unit = QStringLiteral("万") + unit;
        }
        return number + unit;
    }
    if (unit.startsWith(u'万')) return number + unit;
    return !number.isEmpty() && Tolerant::intValueOfString(number) != 0 ? number + unit : QString();
}

// The whole part of a value dictionary's "v", however it is written.
qint64 wholePart(const QVariant& value) {
    if (isText(value)) {
        bool ok = false;
        const double parsed = value.toString().trimmed().toDouble(&ok);
        if (ok && std::isfinite(parsed) && std::fabs(parsed) < 9e15) {
            return static_cast<qint64>(parsed);
        }
        return Tolerant::intValueOfString(value.toString());
    }
    if (!isNumber(value)) return 0;
    const double number = value.toDouble();
    return std::isfinite(number) && std::fabs(number) < 9e15 ? static_cast<qint64>(number) : 0;
}

QStringList keysOf(const QVariant& slot) {
    return slot.toString().split(u',', Qt::SkipEmptyParts);
}

bool flagIsOne(const QVariant& value) {
    return (isNumber(value) || isText(value)) && Tolerant(value).intValue() == 1;
}

}  // namespace

namespace {
std::unique_ptr<GetPostListCellFormate>& sharedFormatter() {
    static std::unique_ptr<GetPostListCellFormate> shared;
    return shared;
}
}  // namespace

GetPostListCellFormate& GetPostListCellFormate::shareFormate() {
    auto& shared = sharedFormatter();
    if (!shared) shared = std::make_unique<GetPostListCellFormate>();
    return *shared;
}

void GetPostListCellFormate::releseFormate() {
    sharedFormatter().reset();
}

const QVariantMap& GetPostListCellFormate::listFormat() {
    static const QVariantMap format =
        ns::dictionaryWithContentsOfFile(
            ns::Bundle::pathForResource(QStringLiteral("QXListFormat"), QStringLiteral("plist")))
            .value_or(QVariantMap());
    return format;
}

QString GetPostListCellFormate::getValueByKey(const QString& key, const QVariantMap& post) {
    const QVariant value = post.value(key);
    if (key == QLatin1String("license_year")) return value.toString() + QStringLiteral("年");
    if (key == QLatin1String("road_haul")) {
        return DecimalText::fixed(value.toDouble(), 1) + QStringLiteral("万公里");
    }
    if (key == QLatin1String("air_displacement")) return value.toString() + QStringLiteral("L");
    if (key == QLatin1String("postunixtime")) {
        return timeToNow(QString::asprintf("%f", value.toDouble()));
    }
    if (key == QLatin1String("PhoneText")) {
        if (!isText(value)) return QString();
        const QString text = value.toString();
        return isDigitsOnly(text) ? text : QXDESCode::decryptStr(text);
    }
    if (isText(value)) {
        return value.toString() == QLatin1String("null") ? QString() : value.toString();
    }
    if (isDictionary(value)) {
        const QVariantMap dictionary = value.toMap();
        if (dictionary.contains(QStringLiteral("u"))) return valueWithUnitText(dictionary);
        return dictionary.value(QStringLiteral("t")).toString();
    }
    return QString();
}

QString GetPostListCellFormate::unitValueText(const QVariantMap& pair) {
    return valueWithUnitText(pair);
}

QString GetPostListCellFormate::timeToNow(const QString& seconds) {
    // Read as whole seconds, held to some 300000 years either side of 1970 so that a wild
    // value can neither overflow the difference nor the conversion.
    constexpr double kFarthest = 1e13;
    const double read = seconds.toDouble();
    const qint64 then =
        std::isfinite(read) ? static_cast<qint64>(std::clamp(read, -kFarthest, kFarthest)) : 0;
    const qint64 now = static_cast<qint64>(ns::Clock::shared().timeIntervalSince1970());
    const qint64 n = now - then;
    if (n < 1) return QStringLiteral("1分钟前");
    if (n <= 3600) return QStringLiteral("%1分钟前").arg(n / 60 + 1);
    if (n < 86401) return QStringLiteral("%1小时前").arg(n / 3600 + 1);
    if (n < 259201) return QStringLiteral("%1天前").arg(n / 86400 + 1);
    return QDateTime::fromSecsSinceEpoch(then).toLocalTime().toString(QStringLiteral("MM-dd"));
}

QString GetPostListCellFormate::calculatePricePerM2WithContent(const QVariantMap& post) {
    const QVariantMap price = post.value(QStringLiteral("price")).toMap();
    const QVariantMap area = post.value(QStringLiteral("area")).toMap();
    // Whole 元 in 64 bits: a price of some 亿元 overflows 32. A price that does not fit
    // even 64 bits cannot be divided and shows nothing.
    qint64 a = wholePart(price.value(QStringLiteral("v")));
    const QString unit = price.value(QStringLiteral("u")).toString();
    const qint64 scale = unit == QStringLiteral("万元")   ? 10000
                         : unit == QStringLiteral("亿元") ? 100000000
                                                          : 1;
    if (__builtin_mul_overflow(a, scale, &a)) return QString();
    const qint64 b = wholePart(area.value(QStringLiteral("v")));
    if (a == 0 || b == 0) return QString();
    return QStringLiteral("%1元/%2").arg(a / b).arg(area.value(QStringLiteral("u")).toString());
}

PostCellContent GetPostListCellFormate::returnDictionaryForCellWithContent(const PostRecord& post,
                                                                           int masterId,
                                                                           int majorId) const {
    return cellWithFormats(listFormat(), post, masterId, majorId);
}

PostCellContent GetPostListCellFormate::cellWithFormats(const QVariantMap& root,
                                                        const PostRecord& post, int masterId,
                                                        int majorId) {
    const QVariantMap master = root.value(QString::number(masterId)).toMap();
    if (master.isEmpty()) return {};
    QString formatName = master.value(QString::number(majorId)).toString();
    if (formatName.isEmpty()) formatName = master.value(QStringLiteral("default")).toString();
    const QVariantMap format = root.value(formatName).toMap();
    const auto V = [&post](const QString& key) { return getValueByKey(key, post); };

    PostCellContent cell;

    // Thumbnail.
    const QString thumb = post.value(QStringLiteral("thumb_img")).toString();
    const QString thumbUrl = EndpointTable::imageHost() +
                             (thumb.startsWith(u'/') ? QString() : QStringLiteral("/")) + thumb;
    QString image;
    if (format.value(QStringLiteral("image")).toBool() &&
        isText(post.value(QStringLiteral("thumb_img"))) && !thumb.isEmpty()) {
        image = thumbUrl;
    }
    if ((masterId == 4 || masterId == 5) && !thumb.isEmpty()) image = thumbUrl;
    cell.insert(QStringLiteral("image"), image);

    // left1: a key's raw value, or several value texts through a format.
    const QVariant left1 = format.value(QStringLiteral("left1"));
    if (isText(left1)) {
        cell.insert(QStringLiteral("left1"), post.value(left1.toString()));
    } else if (isDictionary(left1)) {
        const QVariantMap slot = left1.toMap();
        const QStringList keys = keysOf(slot.value(QStringLiteral("kongge")));
        const QString formatString = slot.value(QStringLiteral("formatString")).toString();
        if (!formatString.isEmpty()) {
            QStringList values;
            for (const QString& key : keys) values << V(key);
            cell.insert(QStringLiteral("left1"),
                        keys.size() >= 3 && keys.size() <= 5
                            ? QXTools::stringWithFormat(formatString, values)
                            : QString());
        }
    }

    // left2: district and street and what the format adds.
    const QVariant left2 = format.value(QStringLiteral("left2"));
    QString left2Text;
    if (isText(left2)) {
        const QStringList keys = keysOf(left2);
        if (keys.size() == 1) {
            left2Text = post.value(keys.first()).toString();
        } else {
            QStringList parts;
            for (const QString& key : keys) {
                QString value = V(key);
                if (masterId == 6 && key == QLatin1String("license_year") && value.size() >= 2) {
                    value = value.mid(2);
                }
                if (!value.isEmpty()) parts << value;
            }
            left2Text = parts.join(u'-');
        }
    } else if (isDictionary(left2)) {
        const QVariantMap slot = left2.toMap();
        QString a, b;
        for (auto it = slot.begin(); it != slot.end(); ++it) {
            if (it.key() == QLatin1String("zhengchang")) {
                const QStringList keys = keysOf(it.value());
                if (keys.size() == 1) {
                    a = post.value(keys.first()).toString();
                } else {
                    for (const QString& key : keys) {
                        const QString value = V(key);
                        if (!a.isEmpty() && !value.isEmpty()) a += u'-';
                        a += value;
                    }
                }
            } else if (it.key() == QLatin1String("maohao")) {
                const QStringList parts = it.value().toString().split(u',');
                const QString value = V(parts.value(1));
                b = value.isEmpty() ? QString() : b + parts.value(0) + u':' + value;
            } else if (it.key() == QLatin1String("kongge")) {
                const QStringList parts = it.value().toString().split(u',');
                b += V(parts.value(0)) + u' ' + parts.value(1) + u' ' + V(parts.value(2));
            }
        }
        const bool commaJoined = masterId == 12 && (majorId == 103 || majorId == 109);
        left2Text = b.isEmpty() ? a : a + (commaJoined ? u',' : u'-') + b;
    }
    cell.insert(QStringLiteral("left2"), left2Text);

    // left3: pinned posts read "刚刚"; otherwise the slot.
    const QVariantMap icons = post.value(QStringLiteral("icons")).toMap();
    const bool pinned = flagIsOne(icons.value(QStringLiteral("ding")));
    QString left3;
    if (pinned && (masterId == 7 || masterId == 14)) {
        left3 = QStringLiteral("刚刚");
        if (majorId == 5)
            left3 += QStringLiteral(" (%1)").arg(calculatePricePerM2WithContent(post));
    } else {
        const QVariant slotValue = format.value(QStringLiteral("left3"));
        if (!isDictionary(slotValue)) {
            left3 = V(slotValue.toString());
        } else {
            const QVariantMap slot = slotValue.toMap();
            const QString formatString = slot.value(QStringLiteral("formatString")).toString();
            if (slot.contains(QStringLiteral("zhengchang"))) {
                const QStringList keys = keysOf(slot.value(QStringLiteral("zhengchang")));
                if (!formatString.isEmpty()) {
                    QStringList values;
                    for (const QString& key : keys) {
                        const QString value = V(key);
                        values << (value.isEmpty() ? QStringLiteral("$") : value);
                    }
                    left3 = QXTools::stringWithFormat(formatString, values)
                                .remove(QStringLiteral("$-"))
                                .remove(QStringLiteral("-$"))
                                .remove(u'$');
                } else {
                    for (const QString& key : keys) {
                        const QString value = V(key);
                        if (!value.isEmpty()) left3 += u'-' + value;
                    }
                    if (left3.startsWith(u'-')) left3.remove(0, 1);
                }
            } else if (slot.contains(QStringLiteral("kongge")) &&
                       slot.contains(QStringLiteral("formatString"))) {
                left3 = QXTools::stringWithFormat(
                    formatString, {V(keysOf(slot.value(QStringLiteral("kongge"))).value(0)),
                                   calculatePricePerM2WithContent(post)});
            }
        }
        if (masterId == 6 && majorId == 1) {
            left3 = V(QStringLiteral("district_name")) + QStringLiteral("    ") + left3;
        }
    }
    if (post.contains(QStringLiteral("bidNum"))) {
        left3 = QStringLiteral("竞标量:%1").arg(Tolerant(post.value("bidNum")).intValue());
    }
    cell.insert(QStringLiteral("left3"), left3);
    cell.insert(QStringLiteral("right2"), V(format.value(QStringLiteral("right2")).toString()));
    if (format.contains(QStringLiteral("right3"))) {
        cell.insert(QStringLiteral("right3"), calculatePricePerM2WithContent(post));
    }

    // Badges: icons of another kind than a dictionary leave the badges unset.
    const QVariant iconsValue = post.value(QStringLiteral("icons"));
    if (!iconsValue.isValid() || isDictionary(iconsValue)) {
        cell.insert(QStringLiteral("zhiding"), pinned && masterId != 7);
        cell.insert(QStringLiteral("haveImage"), flagIsOne(icons.value(QStringLiteral("image"))));
        cell.insert(QStringLiteral("YanFlag"), flagIsOne(icons.value(QStringLiteral("yan"))));
        cell.insert(QStringLiteral("FangFlag"),
                    Tolerant(post.value(QStringLiteral("premier_status"))).intValue() == 102);
        cell.insert(QStringLiteral("quotation"),
                    flagIsOne(icons.value(QStringLiteral("quotation"))));
    }
    cell.insert(QStringLiteral("hasRead"),
                ReadMarks::isRead(post.value(QStringLiteral("puid")).toString()));
    cell.insert(QStringLiteral("masterId"), masterId);
    cell.insert(QStringLiteral("majorId"), majorId);
    return cell;
}

// --- further operations ---

const QVariantMap& GetPostListCellFormate::quickFilterStyle() {
    static const QVariantMap style =
        ns::dictionaryWithContentsOfFile(
            ns::Bundle::pathForResource(QStringLiteral("QuicklyFilterStyle"),
                                        QStringLiteral("plist")))
            .value_or(QVariantMap());
    return style;
}

bool GetPostListCellFormate::returnNearbyFilter(int masterId, int majorId) const {
    const QVariant masterEntry = listFormat().value(QString::number(masterId));
    if (!isDictionary(masterEntry)) return false;
    const QVariantMap master = masterEntry.toMap();
    QString formatName = master.value(QString::number(majorId)).toString();
    if (formatName.isEmpty()) formatName = master.value(QStringLiteral("default")).toString();
    return listFormat().value(formatName).toMap().value(QStringLiteral("nearbyFilter")).toBool();
}

QVariantList GetPostListCellFormate::returnQuickFilterWithMasterId(int masterId,
                                                                   int majorId) const {
    const QVariantMap master = quickFilterStyle().value(QString::number(masterId)).toMap();
    QVariant settings = master.value(QString::number(majorId));
    if (!settings.isValid()) settings = master.value(QStringLiteral("default"));
    return settings.typeId() == QMetaType::QVariantList ? settings.toList() : QVariantList();
}

PostCellContent GetPostListCellFormate::returnDictionaryForCellWithContentForZhaoPin(
    const PostRecord& post, int masterId, int majorId) const {
    PostCellContent cell =
        returnDictionaryForCellWithContentForZhaoPin(post, masterId, majorId, true);
    const QVariantMap icons = post.value(QStringLiteral("icons")).toMap();
    cell.insert(QStringLiteral("haveImage"), flagIsOne(icons.value(QStringLiteral("image"))));
    cell.insert(QStringLiteral("IsZhiJieFlag"), flagIsOne(icons.value(QStringLiteral("iszhijie"))));
    return cell;
}

PostCellContent GetPostListCellFormate::returnDictionaryForCellWithContentForZhaoPin(
    const PostRecord& post, int masterId, int majorId, bool) const {
    const auto V = [&post](const char* key) {
        return getValueByKey(QString::fromLatin1(key), post);
    };
    PostCellContent cell;
    cell.insert(QStringLiteral("left1"), V("title"));
    QString place = V("district_name");
    if (!V("street_name").isEmpty())
        place += u'-' + post.value(QStringLiteral("street_name")).toString();
    cell.insert(QStringLiteral("middle2"), place);
    cell.insert(QStringLiteral("left2"), V("postunixtime"));
    cell.insert(QStringLiteral("right2"), V("price"));
    cell.insert(QStringLiteral("middle3"), QStringLiteral("经验") + V("work_years"));
    cell.insert(QStringLiteral("left4"), V("CompanyNameText"));
    const QString need = V("need_num");
    cell.insert(
        QStringLiteral("left3"),
        QStringLiteral("招聘%1人").arg(need.startsWith(u'0') ? QStringLiteral("若干") : need));
    cell.insert(QStringLiteral("right3"), QStringLiteral("学历") + V("degree"));
    cell.insert(QStringLiteral("right4"), V("credibility"));
    const QVariantMap icons = post.value(QStringLiteral("icons")).toMap();
    cell.insert(QStringLiteral("zhiding"), flagIsOne(icons.value(QStringLiteral("ding"))));
    cell.insert(QStringLiteral("YanFlag"), flagIsOne(icons.value(QStringLiteral("yan"))));
    cell.insert(QStringLiteral("hasRead"),
                ReadMarks::isRead(post.value(QStringLiteral("puid")).toString()));
    cell.insert(QStringLiteral("masterId"), masterId);
    cell.insert(QStringLiteral("majorId"), majorId);
    return cell;
}

PostCellContent GetPostListCellFormate::returnDictionaryForCellWithContentForGuoQiTieZi(
    const PostRecord& post) const {
    return PostCellContent{{QStringLiteral("left1"), post.value(QStringLiteral("title"))},
                           {QStringLiteral("left3"), QStringLiteral("此帖子已过期")},
                           {QStringLiteral("hasRead"),
                            ReadMarks::isRead(post.value(QStringLiteral("puid")).toString())}};
}
