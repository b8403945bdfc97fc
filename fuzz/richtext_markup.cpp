// Rich-text markup from any bytes: the parse gives a result or nothing, never a crash, every
// range it gives lies inside the processed string, and page splitting always gives a page.
#include "ui/richtext/RichTextParser.h"
#include "ui/richtext/RichTextTags.h"

#include "platform/uikit/image.h"

#include "offscreen_gui.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

RichTextParser::StyleTable styles() {
    RichTextParser::StyleTable table;
    const auto add = [&table](std::shared_ptr<RichTextStyle> style) {
        table[style->name()] = style;
    };
    add(RichTextStyle::styleWithName(RichTextTags::kDefault));
    add(RichTextStyle::styleWithName(RichTextTags::kLink));
    auto item = RichTextStyle::styleWithName(RichTextTags::kBullet);
    item->setParagraphInset({4, 16, 2, 0});
    add(item);
    auto line = RichTextStyle::styleWithName("p");
    line->setAppendedCharacter("\n");
    line->setParagraphInset({3, 0, 0, 0});
    add(line);
    // Appended text that is markup itself is parsed where it lands.
    auto marked = RichTextStyle::styleWithName("m");
    marked->setAppendedCharacter("<_link>tel://1|x</_link><p/>");
    marked->setBlock([](const RichTextStyle::SelfClosingTag& tag) {
        if (tag.range.location < 0 || tag.range.length < 0) std::abort();
    });
    add(marked);
    return table;
}

RichTextParser::TagTable tags() {
    RichTextParser::TagTable table;
    for (const QString& key : {RichTextTags::kDefault, RichTextTags::kLink, RichTextTags::kImage,
                               RichTextTags::kPage, RichTextTags::kBullet}) {
        table.insert(key, key);
    }
    return table;
}

const RichTextParser::StyleTable* gStyles = nullptr;
const RichTextParser::TagTable* gTags = nullptr;
const std::shared_ptr<ui::Image>* gPicture = nullptr;

// Pictures are decoded by the image decoders, not by the parse: image elements get a
// picture or none, cheaply, by the parity of their name's length.
std::shared_ptr<ui::Image> pictureFor(const QString& name) {
    return name.size() % 2 == 1 ? *gPicture : nullptr;
}

void checkInside(ui::Range range, qsizetype length) {
    if (range.location < 0 || range.length < 0 || range.end() > length) std::abort();
}

}  // namespace

// The system's font matching keeps caches it never frees; they are not the parse's leaks.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    startOffscreenGui(argc, argv);
    // Fonts and image decoders load once, here, not inside the first input.
    gStyles = new RichTextParser::StyleTable(styles());
    gTags = new RichTextParser::TagTable(tags());
    gPicture = new std::shared_ptr<ui::Image>(
        RichTextParser::imageForName("base64:R0lGODlhAQABAIAAAP///wAAACwAAAAAAQABAAACAkQBADs="));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString markup =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    RichTextParser parser(*gStyles, *gTags, false, QString(), pictureFor);
    const auto result = parser.parse(markup);
    if (result) {
        const qsizetype length = result->processedString.size();
        for (const auto& node : result->rootNode->allSubnodes()) {
            checkInside(node->styleRange(), length);
        }
        for (auto it = result->URLs.begin(); it != result->URLs.end(); ++it) {
            checkInside(ui::rangeFromString(it.key()), length);
        }
        for (const auto& image : result->images) {
            if (!image->picture() ||
                result->processedString[image->styleRange().location] != u'\n') {
                std::abort();
            }
        }
    }

    if (RichTextParser::divideTextInPages(markup, RichTextTags::kPage).isEmpty()) std::abort();
    return 0;
}
