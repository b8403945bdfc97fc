#pragma once

#include "ui/richtext/RichTextNode.h"
#include "ui/richtext/RichTextStyle.h"

#include <QMap>
#include <QString>
#include <QUrl>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace ui {
class Image;
}

// The parse of rich-text markup, in one pass: tags are found left to right and cut
// out of (or replaced in) the text, so that every range of the result refers to the
// processed string.
class RichTextParser {
public:
    using StyleTable = std::map<QString, std::shared_ptr<RichTextStyle>>;
    using TagTable = QMap<QString, QString>;

    struct Result {
        QString processedString;
        std::shared_ptr<RichTextNode> rootNode;
        // Link ranges in their text form ("{5, 11}") to their addresses.
        QMap<QString, QUrl> URLs;
        // Image elements that made a picture, in text order.
        std::vector<std::shared_ptr<RichTextNode>> images;
    };

    // Inline images larger than these are refused rather than decoded.
    static constexpr qsizetype kMaximumBase64Length = 4 * 1024 * 1024;
    static constexpr qint64 kMaximumImagePixels = 2048 * 2048;

    // Makes the picture an image element names.
    using ImageMaker = std::function<std::shared_ptr<ui::Image>(const QString& name)>;

    // `owner` names the view in log lines, which are written only when `verbose`.
    RichTextParser(const StyleTable& styles, const TagTable& tags, bool verbose, QString owner,
                   ImageMaker makeImage = &RichTextParser::imageForName);

    // Nothing, with the reason logged, when the markup breaks the rules: an opening
    // tag inside a link or image, a closing tag that matches nothing, an element
    // left open.
    [[nodiscard]] std::optional<Result> parse(const QString& text);

    // The picture an image element names: "base64:" data, or a resource of the
    // bundle. Nothing when it cannot be made or is too large.
    [[nodiscard]] static std::shared_ptr<ui::Image> imageForName(const QString& name);

    // `text` cut at each page mark of `tag` ("<tag/>" or "<tag />"); the pages keep all
    // other markup.
    [[nodiscard]] static QStringList divideTextInPages(const QString& text, const QString& tag);

    // The pieces a tag is made of: split at every single space.
    [[nodiscard]] static QStringList componentsOfTag(const QString& tag);
    [[nodiscard]] static QString nameOfTag(const QString& tag);

private:
    [[nodiscard]] QString tag(const QString& key) const;
    [[nodiscard]] const RichTextStyle& styleNamed(const QString& name);
    void log(const QString& message) const;
    void shiftLinks(qsizetype from);

    const StyleTable& styles_;
    const TagTable& tags_;
    bool verbose_;
    QString owner_;
    ImageMaker makeImage_;
    RichTextStyle fallback_;
    Result result_;
};
