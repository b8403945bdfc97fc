#include "ui/richtext/RichTextParser.h"

#include "ui/richtext/NSData+RichTextAdditions.h"
#include "ui/richtext/RichTextMarkup.h"
#include "ui/richtext/RichTextTags.h"

#include "platform/uikit/image.h"
#include "platform/uikit/image_source.h"

#include <QDebug>

#include <algorithm>

namespace {

const QString kBase64Prefix = QStringLiteral("base64:");

// Where "." stops matching in the tag pattern: a tag never spans lines.
bool endsLine(QChar c) {
    switch (c.unicode()) {
        case 0x0A:
        case 0x0B:
        case 0x0C:
        case 0x0D:
        case 0x85:
        case 0x2028:
        case 0x2029:
            return true;
        default:
            return false;
    }
}

// The first tag at or after `from`: a "<" and the first ">" after it on its line.
// Returns the tag's first and one-past-last index, or nothing.
std::optional<std::pair<qsizetype, qsizetype>> findTag(const QString& text, qsizetype from) {
    qsizetype i = from;
    const qsizetype size = text.size();
    while (i < size) {
        if (text[i] != u'<') {
            ++i;
            continue;
        }
        qsizetype j = i + 1;
        while (j < size && text[j] != u'>' && !endsLine(text[j])) ++j;
        if (j < size && text[j] == u'>') return std::pair{i, j + 1};
        // No ">" on this line: no "<" before its end starts a tag either.
        i = j;
    }
    return std::nullopt;
}

}  // namespace

RichTextParser::RichTextParser(const StyleTable& styles, const TagTable& tags, bool verbose,
                               QString owner, ImageMaker makeImage)
    : styles_(styles),
      tags_(tags),
      verbose_(verbose),
      owner_(std::move(owner)),
      makeImage_(std::move(makeImage)) {}

QString RichTextParser::tag(const QString& key) const {
    return tags_.value(key);
}

const RichTextStyle& RichTextParser::styleNamed(const QString& name) {
    const auto found = styles_.find(name);
    if (found != styles_.end()) return *found->second;
    const auto fallback = styles_.find(tag(RichTextTags::kDefault));
    // With no default style registered the text is drawn in a style of the defaults.
    return fallback != styles_.end() ? *fallback->second : fallback_;
}

void RichTextParser::log(const QString& message) const {
    if (verbose_) qInfo().noquote() << QStringLiteral("RichTextView :%1 - %2").arg(owner_, message);
}

QStringList RichTextParser::componentsOfTag(const QString& tag) {
    return tag.split(u' ');
}

QString RichTextParser::nameOfTag(const QString& tag) {
    const QString first = tag.section(u' ', 0, 0);
    const auto trimmed = [](QChar c) { return c == u'<' || c == u' ' || c == u'/' || c == u'>'; };
    qsizetype start = 0;
    qsizetype end = first.size();
    while (start < end && trimmed(first[start])) ++start;
    while (end > start && trimmed(first[end - 1])) --end;
    return first.mid(start, end - start);
}

void RichTextParser::shiftLinks(qsizetype from) {
    QMap<QString, QUrl> shifted;
    for (auto it = result_.URLs.begin(); it != result_.URLs.end(); ++it) {
        ui::Range range = ui::rangeFromString(it.key());
        if (range.location >= from) ++range.location;
        shifted.insert(ui::stringFromRange(range), it.value());
    }
    result_.URLs = shifted;
}

QStringList RichTextParser::divideTextInPages(const QString& text, const QString& tag) {
    const QString joined = QStringLiteral("<%1/>").arg(tag);
    const QString spaced = QStringLiteral("<%1 />").arg(tag);
    QStringList pages;
    QString rest = text;
    qsizetype cut = 0;
    for (;;) {
        qsizetype mark = rest.indexOf(joined);
        qsizetype length = joined.size();
        if (mark < 0) {
            mark = rest.indexOf(spaced);
            length = spaced.size();
        }
        if (mark < 0) break;
        // A mark made by removing another one, before the cut, ends an empty page.
        pages << (mark >= cut ? rest.mid(cut, mark - cut) : QString());
        rest.remove(mark, length);
        cut = mark;
    }
    pages << rest.mid(cut);
    return pages;
}

std::shared_ptr<ui::Image> RichTextParser::imageForName(const QString& name) {
    if (!name.startsWith(kBase64Prefix)) {
        // No file name holds a NUL: such a name is no resource, and the file system is
        // not asked (it would log a warning for each).
        return name.contains(QChar(0)) ? nullptr : ui::Image::imageNamed(name);
    }
    if (name.size() - kBase64Prefix.size() > kMaximumBase64Length) return nullptr;
    const auto bytes = rt_dataWithBase64EncodedString(name.mid(kBase64Prefix.size()));
    if (!bytes) return nullptr;
    const auto source = ui::ImageSource::createWithData(*bytes);
    if (!source || source->count() == 0) return nullptr;
    // The header tells the size; a picture too large to keep is never decoded.
    const ui::Size pixels = source->pixelSize();
    if (pixels.width <= 0 || pixels.height <= 0 ||
        qint64(pixels.width) * qint64(pixels.height) > kMaximumImagePixels) {
        return nullptr;
    }
    return source->createImageAtIndex(0);
}

std::optional<RichTextParser::Result> RichTextParser::parse(const QString& text) {
    result_ = Result{};
    const QString defaultTag = tag(RichTextTags::kDefault);
    const QString linkTag = tag(RichTextTags::kLink);
    const QString imageTag = tag(RichTextTags::kImage);
    const QString bulletTag = tag(RichTextTags::kBullet);

    auto root = std::make_shared<RichTextNode>(styleNamed(defaultTag));
    std::shared_ptr<RichTextNode> current = root;

    // The working text is `out` followed by `in` from `position`: `out` is the
    // processed string so far, `in` what is still to be searched.
    QString out;
    out.reserve(text.size());
    QString in = text;
    qsizetype position = 0;
    // Text inserted where the search goes on is searched too.
    const auto insertAhead = [&](const QString& inserted) {
        if (inserted.contains(u'<')) {
            in = inserted + in.mid(position);
            position = 0;
        } else {
            out += inserted;
        }
    };

    for (;;) {
        const auto found = findTag(in, position);
        if (!found) {
            out += QStringView(in).mid(position);
            break;
        }
        const auto [tagStart, tagEnd] = *found;
        out += QStringView(in).mid(position, tagStart - position);
        const qsizetype tagLocation = out.size();
        const QString tagText = in.mid(tagStart, tagEnd - tagStart);
        position = tagEnd;

        const QString name = nameOfTag(tagText);
        // Log lines are only written, and so only made, when verbose.
        if (verbose_ && styles_.find(name) == styles_.end()) {
            log(QStringLiteral("Couldn't find style for tag '%1'").arg(name));
        }
        const RichTextStyle& style = styleNamed(name);

        if (tagText.startsWith(QLatin1String("</"))) {
            if (!current) {
                // A closing tag closed the root before: the text has an unmatched tag.
                log(
                    QStringLiteral("Couldn't parse text because tag '(null)' at position 0 is "
                                   "not closed - aborting rendering"));
                return std::nullopt;
            }
            if (current->style().name() != defaultTag && current->style().name() != name) {
                log(QStringLiteral("Closing tag '%1' at range %2 doesn't match open tag '%3' - "
                                   "aborting rendering")
                        .arg(tagText, ui::stringFromRange({tagLocation, tagText.size()}),
                             current->style().name()));
                return std::nullopt;
            }
            const auto node = current;
            node->setClosed(true);
            const qsizetype start = node->startLocation();
            const QString content = out.mid(start);
            bool recorded = false;
            if (node->isLink()) {
                const qsizetype bar = content.indexOf(u'|');
                // Content without an address shows as it is and records no link.
                if (bar >= 0) {
                    const QString shown = content.mid(bar + 1);
                    const QUrl url(RichTextMarkup::unescaped(content.left(bar)).trimmed(),
                                   QUrl::StrictMode);
                    out.truncate(start);
                    out += shown;
                    node->setStyleRange({start, shown.size()});
                    if (url.isValid() && !url.isEmpty()) {
                        result_.URLs.insert(ui::stringFromRange(node->styleRange()), url);
                    }
                    recorded = true;
                }
            } else if (node->isImage()) {
                auto picture = makeImage_(RichTextMarkup::unescaped(content));
                if (picture) {
                    node->style().setLeading(picture->size().height);
                    node->setImageName(content);
                    node->setPicture(std::move(picture));
                    out.truncate(start);
                    out += u'\n';
                    result_.images.push_back(node);
                    node->setStyleRange({start, 1});
                    recorded = true;
                } else if (verbose_) {
                    log(QStringLiteral("Couldn't find image '%1' in main bundle").arg(content));
                }
            }
            if (!recorded) node->setStyleRange({start, content.size()});

            const QString& appended = node->style().appendedCharacter();
            if (!appended.isEmpty()) {
                out += appended;
                ui::Range range = node->styleRange();
                range.length += appended.size();
                node->setStyleRange(range);
            }

            const auto parent = node->supernode();
            const double topInset = style.paragraphInset().top;
            if (topInset > 0 && parent) {
                const auto previous = node->previousNode();
                if (style.name() != bulletTag ||
                    (previous && previous->style().name() == bulletTag)) {
                    out.insert(start, u'\n');
                    RichTextStyle spacing;
                    spacing.setName(RichTextTags::kTopSpacingStyle + u'_' + node->style().name());
                    spacing.setMinLineHeight(topInset);
                    spacing.setMaxLineHeight(topInset);
                    auto spacer = std::make_shared<RichTextNode>(spacing);
                    spacer->setStartLocation(start);
                    spacer->setStyleRange({start, 1});
                    parent->insertSubnodeBeforeNode(spacer, node.get());
                    node->adjustStylesAndSubstylesRangesByRange({start, 1});
                    shiftLinks(start);
                }
            }
            current = parent;
        } else if (tagText.contains(QLatin1String("/>"))) {
            auto node = std::make_shared<RichTextNode>(style);
            const QString appended = style.appendedCharacter();
            node->setStartLocation(tagLocation);
            node->setStyleRange({tagLocation, appended.size()});
            if (current) current->addSubnode(node);
            // The callback may register styles again, replacing this one: it runs from a
            // copy, and the style is not read after it.
            if (const RichTextStyle::Block block = style.block()) {
                block({componentsOfTag(tagText), node->styleRange()});
            }
            insertAhead(appended);
        } else {
            if (current && (current->isLink() || current->isImage())) {
                log(QStringLiteral("You can't open a new tag inside a '%1' tag - aborting "
                                   "rendering")
                        .arg(current->isLink() ? linkTag : imageTag));
                return std::nullopt;
            }
            auto node = std::make_shared<RichTextNode>(style);
            node->setStartLocation(tagLocation);
            if (name == linkTag) {
                node->setLink(true);
            } else if (name == bulletTag) {
                node->setBullet(true);
                const QString bullet = node->style().bulletCharacter() + u'\t';
                RichTextStyle bulletStyle;
                bulletStyle.setName(RichTextTags::kBulletMarkStyle);
                bulletStyle.setFont(node->style().bulletFont());
                bulletStyle.setColor(node->style().bulletColor());
                bulletStyle.setApplyParagraphStyling(false);
                bulletStyle.setParagraphInset({0, 0, 0, node->style().paragraphInset().left});
                auto mark = std::make_shared<RichTextNode>(bulletStyle);
                mark->setStartLocation(tagLocation);
                mark->setStyleRange({tagLocation, bullet.size()});
                node->addSubnode(mark);
                insertAhead(bullet);
            } else if (name == imageTag) {
                node->setImage(true);
            }
            if (current) current->addSubnode(node);
            current = node;
        }
    }

    if (current != root && (!current || !current->isClosed())) {
        log(QStringLiteral("Couldn't parse text because tag '%1' at position %2 is not closed - "
                           "aborting rendering")
                .arg(current ? current->style().name() : QStringLiteral("(null)"))
                .arg(current ? current->startLocation() : 0));
        return std::nullopt;
    }
    root->setStyleRange({0, out.size()});
    // A self-closing tag's range is its appended text as inserted; when that text held
    // markup it came out shorter, so no range may reach past the processed string.
    for (const auto& node : root->_allSubnodes()) {
        const ui::Range range = node->styleRange();
        const qsizetype location = std::min(range.location, out.size());
        node->setStyleRange({location, std::min(range.length, out.size() - location)});
    }
    result_.rootNode = root;
    result_.processedString = RichTextMarkup::unescaped(out);
    return std::move(result_);
}
