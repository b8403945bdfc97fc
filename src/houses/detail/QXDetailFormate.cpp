#include "houses/detail/QXDetailFormate.h"

#include "platform/foundation/property_list.h"
#include "platform/foundation/sandbox.h"
#include "util/categories/Tolerant.h"
#include "util/categories/VariantKind.h"

#include <cmath>

namespace {

using variantKind::isDictionary;
using variantKind::isList;
using variantKind::isNumber;
using variantKind::isText;

// The integer value of a number or of a text's leading digits, in 64 bits; 0 for anything
// else and for a number beyond 64 bits.
qint64 wholeValue(const QVariant& value) {
    if (isText(value)) {
        bool ok = false;
        const double parsed = value.toString().trimmed().toDouble(&ok);
        if (ok && std::isfinite(parsed) && std::fabs(parsed) < 9e18) return qint64(parsed);
        return Tolerant::intValueOfString(value.toString());
    }
    if (!isNumber(value)) return 0;
    const double number = value.toDouble();
    if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int)
        return value.toLongLong();
    return std::isfinite(number) && std::fabs(number) < 9e18 ? qint64(number) : 0;
}

bool detailFlagIsOne(const QVariant& value) {
    return Tolerant(value).intValue() == 1;
}

QVariantMap oneRow(const QString& label, const QString& text) {
    return QVariantMap{{label, text}};
}

}  // namespace

std::unique_ptr<QXDetailFormate>& QXDetailFormate::sharedSlot() {
    static std::unique_ptr<QXDetailFormate> shared;
    return shared;
}

QXDetailFormate& QXDetailFormate::shareFormat() {
    std::unique_ptr<QXDetailFormate>& shared = sharedSlot();
    if (!shared) shared.reset(new QXDetailFormate());
    return *shared;
}

void QXDetailFormate::releseFormate() {
    sharedSlot().reset();
}

const QVariantMap& QXDetailFormate::detailFormat() {
    static const QVariantMap format =
        ns::dictionaryWithContentsOfFile(
            ns::Bundle::pathForResource(QStringLiteral("QXDetailFormat"), QStringLiteral("plist")))
            .value_or(QVariantMap());
    return format;
}

QVariantMap QXDetailFormate::getDetailInfoFormPlistWithMasterId(int masterId, int majorId,
                                                                const PostRecord& content) {
    return getDetailInfoWithFormats(detailFormat(), masterId, majorId, content);
}

QVariantMap QXDetailFormate::getDetailInfoWithFormats(const QVariantMap& root, int masterId,
                                                      int majorId, const PostRecord& content) {
    current_ = content;
    QVariantMap result;
    const QVariantMap category = root.value(QString::number(masterId)).toMap();
    if (category.isEmpty()) return result;
    QVariantMap format = category.value(QString::number(majorId)).toMap();
    if (format.isEmpty()) format = category.value(QStringLiteral("default")).toMap();

    const bool topImage = format.value(QStringLiteral("image")).toBool();
    const QVariant photos = content.value(QStringLiteral("ThumbImageUrls"));
    result[QStringLiteral("IsShowTopImage")] = topImage;
    result[QStringLiteral("image")] =
        topImage && photos.isValid() ? photos : QVariant(QStringLiteral(""));
    result[QStringLiteral("haveImage")] =
        detailFlagIsOne(Tolerant(QVariant(content))["icons"]["image"].value());
    result[QStringLiteral("ThumbImageUrls")] = photos.isValid() ? photos : QStringLiteral("");
    if (isList(format.value(QStringLiteral("info"))))
        result[QStringLiteral("info")] =
            getValueArrayFormArray(format.value(QStringLiteral("info")));
    if (format.value(QStringLiteral("peizhi")).toBool() &&
        content.contains(QStringLiteral("peizhi"))) {
        result[QStringLiteral("peizhi")] = content.value(QStringLiteral("peizhi"));
    }
    if (isList(format.value(QStringLiteral("address")))) {
        result[QStringLiteral("address")] =
            getValueArrayFormArray(format.value(QStringLiteral("address")));
    }
    if (format.value(QStringLiteral("xiaoqu")).toBool() &&
        content.contains(QStringLiteral("xiaoqu"))) {
        result[QStringLiteral("xiaoqu")] = content.value(QStringLiteral("xiaoqu"));
    }
    result[QStringLiteral("map")] = QStringLiteral("");
    const QString latlng = content.value(QStringLiteral("latlng")).toString();
    if (format.value(QStringLiteral("map")).toBool() && !latlng.isEmpty())
        result[QStringLiteral("map")] = latlng;
    result[QStringLiteral("detail")] =
        getValueArrayFormArray(format.value(QStringLiteral("detail")));
    if (isList(format.value(QStringLiteral("othersimilar"))))
        result[QStringLiteral("othersimilar")] = format.value(QStringLiteral("othersimilar"));
    result[QStringLiteral("link")] = getValueArrayFormArray(format.value(QStringLiteral("link")));
    if (format.contains(QStringLiteral("tip")))
        result[QStringLiteral("tip")] = format.value(QStringLiteral("tip"));

    if (masterId == 2 || masterId == 3) {
        // The job categories' own sections.
        if (isList(format.value(QStringLiteral("zhaopinDetailInfo")))) {
            result[QStringLiteral("zhaopinDetailInfo")] =
                getValueArrayFormArray(format.value(QStringLiteral("zhaopinDetailInfo")));
        }
        result[QStringLiteral("CompanyDescription")] =
            getValueArrayFormArray(format.value(QStringLiteral("CompanyDescription")));
        if (content.contains(QStringLiteral("comments")))
            result[QStringLiteral("comments")] = content.value(QStringLiteral("comments"));
        if (isList(format.value(QStringLiteral("welfare")))) {
            result[QStringLiteral("welfare")] =
                getValueArrayFormDictionary(format.value(QStringLiteral("welfare")));
        }
        if (isText(content.value(QStringLiteral("credibility"))))
            result[QStringLiteral("credibility")] = content.value(QStringLiteral("credibility"));
        const Tolerant icons = Tolerant(QVariant(content))["icons"];
        result[QStringLiteral("YanFlag")] = detailFlagIsOne(icons["yan"].value());
        result[QStringLiteral("IsZhiJieFlag")] = detailFlagIsOne(icons["iszhijie"].value());
    }
    return result;
}

QVariantList QXDetailFormate::getValueArrayFormArray(const QVariant& rowList) const {
    QVariantList rows;
    if (!isList(rowList)) return rows;
    for (const QVariant& spec : rowList.toList()) {
        if (isText(spec)) {
            if (spec.toString() == QLatin1String("image") &&
                current_.contains(QStringLiteral("ThumbImageUrls"))) {
                rows << oneRow(kImageRow, kImageRow);
            }
            continue;
        }
        if (!isDictionary(spec)) continue;
        const QVariantMap row = spec.toMap();
        const QString label = row.value(QStringLiteral("key")).toString();
        const QString text = rowText(row.value(QStringLiteral("value")));
        if (!label.isEmpty() && !text.isEmpty()) rows << oneRow(label, text);
    }
    return rows;
}

QString QXDetailFormate::rowText(const QVariant& value) const {
    if (isDictionary(value)) {
        const QVariantMap spec = value.toMap();
        if (spec.value(QStringLiteral("newType")).toBool()) {
            const QVariant context = spec.value(QStringLiteral("context"));
            if (!isList(context)) return QString();
            const QVariant mark = spec.value(QStringLiteral("splitMark"));
            QStringList parts;
            for (const QVariant& part : context.toList()) {
                const QString text = itemFormate(part);
                if (!text.isEmpty()) parts << text;
            }
            return parts.join(isText(mark) ? mark.toString() : QString());
        }
        const QString outer = itemFormate(spec.value(QStringLiteral("outSide")));
        const QVariant inSide = spec.value(QStringLiteral("inSide"));
        const QString inner = isText(inSide) && inSide.toString() == kPricePerArea
                                  ? calculatePricePerM2WithInfoContent(current_)
                                  : itemFormate(inSide);
        if (outer.isEmpty()) return inner;
        if (inner.isEmpty()) return outer;
        return outer + u'(' + inner + u')';
    }
    if (isText(value) && value.toString() == kPricePerArea)
        return calculatePricePerM2WithInfoContent(current_);
    if (isText(value) || isList(value)) return itemFormate(value);
    return QString();
}

QString QXDetailFormate::itemFormate(const QVariant& expression) const {
    QString text;
    if (isText(expression)) {
        for (const QString& key : expression.toString().split(u',')) {
            text += getValueByKey(key);
            if (key == QLatin1String("begindate") || key == QLatin1String("enddate")) text += u' ';
            if (key == QLatin1String("need_num") && text.startsWith(u'0'))
                text = QStringLiteral("若干");
        }
    } else if (isList(expression) && expression.toList().size() == 3) {
        const QVariantList join = expression.toList();
        const QString left = itemFormate(join[0]);
        QString right = itemFormate(join[2]);
        if (isText(join[2]) && join[2].toString() == QLatin1String("ceng_total") &&
            Tolerant::intValueOfString(right) >= 1) {
            right += Tolerant(QVariant(current_))["ceng"]["u"].toString();
        }
        if (!left.isEmpty()) text = right.isEmpty() ? left : left + join[1].toString() + right;
    }
    if (text.startsWith(QStringLiteral("0元"))) return QStringLiteral("面议");
    return text;
}

QString QXDetailFormate::getValueByKey(const QString& key) const {
    const QVariant value = current_.value(key);
    QString text;
    if (isText(value) && value.toString() != QLatin1String("null")) {
        text = value.toString();
        if (key == QLatin1String("license_year")) {
            text += QStringLiteral("年");
        } else if (key == QLatin1String("license_math")) {
            text += QStringLiteral("月");
        } else if (key == QLatin1String("member_num") && Tolerant::intValueOfString(text) == 0) {
            text.clear();
        }
    } else if (isDictionary(value)) {
        const QVariantMap pair = value.toMap();
        text = pair.contains(QStringLiteral("u")) ? GetPostListCellFormate::unitValueText(pair)
                                                  : pair.value(QStringLiteral("t")).toString();
    } else if (isNumber(value)) {
        if (key == QLatin1String("road_haul")) {
            // Only a distance below one 万公里 reads as "less than one".
            const double distance = value.toDouble();
            text = distance < 1 ? QString::asprintf("<%.1f万公里", 1.0)
                                : QString::asprintf("%.1f万公里", distance);
        } else if (key == QLatin1String("niandai")) {
            text = QStringLiteral("%1年房龄").arg(wholeValue(value));
        }
    }
    return text.isEmpty() ? QString() : text;
}

QString QXDetailFormate::calculatePricePerM2WithInfoContent(const QVariantMap& content) {
    const Tolerant post{QVariant(content)};
    qint64 price = wholeValue(post["price"]["v"].value());
    const qint64 area = wholeValue(post["area"]["v"].value());
    if (price == 0 || area == 0) return QString();
    const QString unit = post["price"]["u"].toString();
    // 64 bits: a price of some 亿 times 10^8 passes 32 bits; one that passes 64 shows nothing.
    const qint64 scale = unit.startsWith(u'万') ? 10000 : unit.startsWith(u'亿') ? 100000000 : 1;
    if (__builtin_mul_overflow(price, scale, &price)) return QString();
    return QString::number(price / area) + QStringLiteral("元/平米");
}

QVariantList QXDetailFormate::getValueArrayFormDictionary(const QVariant& welfare) const {
    QVariantList rows;
    const QVariantMap texts = current_.value(QStringLiteral("welfare")).toMap();
    for (const QVariant& element : welfare.toList()) {
        if (!isDictionary(element)) continue;
        const QVariant code = element.toMap().value(QStringLiteral("value"));
        if (!isText(code)) continue;
        const QString found = texts.value(code.toString()).toString();
        const QString label = element.toMap().value(QStringLiteral("key")).toString();
        if (!found.isEmpty() && !label.isEmpty()) rows << oneRow(label, found);
    }
    return rows;
}
