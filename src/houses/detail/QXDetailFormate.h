#pragma once

#include "houses/shared/GetPostListCellFormate.h"

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <memory>

// Turns a post into the display content of its detail: flags, the photo list and the labelled
// rows of the detail's sections ("info", "address", "detail", "link"), plus the facilities,
// the community, the map point and the anti-fraud tip passed on. Which rows a post shows, with
// which labels and how each text is composed from the post's fields is data: the resource
// `QXDetailFormat` names a format per category and major category (or "default"); this class
// supplies the rules that make a row description into text.
//
// A row is a one-entry dictionary {label: text}; rows are never made with an empty label or
// text. The photo strip's place among rows is the row {"image11111": "image11111"}.
//
// Main thread only: the content being formatted is one shared slot, read by every field
// look-up of the call.
class QXDetailFormate {
public:
    // The label and value of the row that places the photo strip.
    static inline const QString kImageRow = QStringLiteral("image11111");
    // The expression standing for the price per square metre.
    static inline const QString kPricePerArea = QStringLiteral("kehuduandanjia");

    // The shared formatter, made on first use. The reference holds until releseFormate().
    [[nodiscard]] static QXDetailFormate& shareFormat();
    // Lets the shared formatter and the content it last formatted go; the next shareFormat()
    // makes a new one.
    static void releseFormate();

    // The display content of `content` as the resource's formats say; empty when the resource
    // has no format for the category.
    [[nodiscard]] QVariantMap getDetailInfoFormPlistWithMasterId(int masterId, int majorId,
                                                                 const PostRecord& content);
    // The same with the formats of `root` (the resource's shape).
    [[nodiscard]] QVariantMap getDetailInfoWithFormats(const QVariantMap& root, int masterId,
                                                       int majorId, const PostRecord& content);

    // The formatter's steps over the current content.
    [[nodiscard]] QVariantList getValueArrayFormArray(const QVariant& rowList) const;
    [[nodiscard]] QString itemFormate(const QVariant& expression) const;
    [[nodiscard]] QString getValueByKey(const QString& key) const;
    [[nodiscard]] static QString calculatePricePerM2WithInfoContent(const QVariantMap& content);
    [[nodiscard]] QVariantList getValueArrayFormDictionary(const QVariant& welfare) const;

    // The resource as read from the bundle (read once: the bundle does not change while the
    // app runs).
    [[nodiscard]] static const QVariantMap& detailFormat();

private:
    QXDetailFormate() = default;
    [[nodiscard]] static std::unique_ptr<QXDetailFormate>& sharedSlot();
    [[nodiscard]] QString rowText(const QVariant& value) const;

    PostRecord current_;
};
