#include "ui/richtext/RichTextView.h"

#include "ui/richtext/RichTextTags.h"

#include "platform/uikit/graphics_context.h"
#include "platform/uikit/image.h"

#include <QDebug>

#include <cmath>
#include <limits>
#include <stdexcept>

namespace {}  // namespace

void RichTextViewDelegate::coreTextViewReceivedTouchOnData(RichTextView&,
                                                           const RichTextTouchData&) {}
void RichTextViewDelegate::coreTextViewfinishedRendering(RichTextView&) {}

RichTextView::RichTextView(const ui::Rect& frame,
                           std::optional<ui::AttributedString> attributedString)
    : ui::View(frame) {
    if (attributedString) attributedString_ = std::move(*attributedString);
    setOpaque(true);
    setBackgroundColor(ui::Color::clearColor());
    setContentMode(ui::ContentMode::Redraw);
    setUserInteractionEnabled(true);
    for (const QString& key : {RichTextTags::kDefault, RichTextTags::kLink, RichTextTags::kImage,
                               RichTextTags::kPage, RichTextTags::kBullet}) {
        defaultsTags_.insert(key, key);
    }
    const auto defaultStyle = RichTextStyle::styleWithName(RichTextTags::kDefault);
    auto linkStyle = defaultStyle->copy();
    linkStyle->setColor(ui::Color::blueColor());
    linkStyle->setName(RichTextTags::kLink);
    styles_[defaultStyle->name()] = defaultStyle;
    styles_[linkStyle->name()] = linkStyle;
}

RichTextView::~RichTextView() = default;

QString RichTextView::ownerDescription() const {
    return QStringLiteral("<RichTextView: 0x%1>").arg(quintptr(this), 0, 16);
}

void RichTextView::redrawIfShown() {
    // Asked for in or out of a superview, so that a view added later never shows a
    // drawing of its old text.
    setNeedsDisplay();
}

void RichTextView::addStyle(const RichTextStyle& style) {
    styles_[style.name()] = style.copy();
    didMakeChanges();
    redrawIfShown();
}

void RichTextView::addStyles(const std::vector<std::shared_ptr<RichTextStyle>>& styles) {
    for (const auto& style : styles) {
        if (style) styles_[style->name()] = style->copy();
    }
    didMakeChanges();
    redrawIfShown();
}

void RichTextView::removeAllStyles() {
    styles_.clear();
    didMakeChanges();
    redrawIfShown();
}

std::shared_ptr<RichTextStyle> RichTextView::styleForName(const QString& name) const {
    const auto found = styles_.find(name);
    return found != styles_.end() ? found->second : nullptr;
}

std::vector<std::shared_ptr<RichTextStyle>> RichTextView::styles() const {
    std::vector<std::shared_ptr<RichTextStyle>> all;
    for (const auto& [name, style] : styles_) all.push_back(style);
    return all;
}

void RichTextView::changeDefaultTag(const QString& key, const QString& tagName) {
    if (!defaultsTags_.contains(key)) {
        throw std::invalid_argument(
            QStringLiteral("%1 is not a default tag of RichTextView. Use the constant "
                           "RichTextTag constants.")
                .arg(key)
                .toStdString());
    }
    defaultsTags_.insert(key, tagName);
    // A text is parsed again with the new tag, as if it were set anew.
    if (!text_.isNull()) {
        textChangesMade_ = true;
        didMakeChanges();
        redrawIfShown();
    }
}

std::optional<QString> RichTextView::defaultTagNameForKey(const QString& key) const {
    const auto found = defaultsTags_.find(key);
    if (found == defaultsTags_.end()) return std::nullopt;
    return *found;
}

void RichTextView::setText(const QString& text) {
    // The same text again (a reused row given its message once more) keeps its layout and its
    // drawing; a first text, even an empty one, still replaces an attributed string given
    // at construction.
    if (!text_.isNull() && text == text_) return;
    text_ = text;
    textChangesMade_ = true;
    didMakeChanges();
    redrawIfShown();
}

void RichTextView::setPath(std::optional<ui::BezierPath> path) {
    path_ = std::move(path);
    didMakeChanges();
    redrawIfShown();
}

void RichTextView::setShadowColor(const ui::Color& color) {
    shadowColor_ = color;
    redrawIfShown();
}

void RichTextView::setShadowOffset(ui::Size offset) {
    shadowOffset_ = offset;
    redrawIfShown();
}

void RichTextView::didMakeChanges() {
    updatedAttrString_ = false;
    updatedFramesetter_ = false;
}

void RichTextView::processText() {
    std::optional<RichTextParser::Result> result;
    if (!text_.isEmpty()) {
        RichTextParser parser(styles_, defaultsTags_, verbose_, ownerDescription());
        result = parser.parse(text_);
    }
    if (!result) {
        // Nothing of an empty or broken text is shown, nor of the text before it.
        processedString_.clear();
        rootNode_.reset();
        URLs_.clear();
        images_.clear();
        attributedString_ = ui::AttributedString();
        return;
    }
    processedString_ = std::move(result->processedString);
    rootNode_ = std::move(result->rootNode);
    URLs_ = std::move(result->URLs);
    images_ = std::move(result->images);
}

const ui::AttributedString& RichTextView::attributedString() {
    if (updatedAttrString_) return attributedString_;
    updatedAttrString_ = true;
    // A view given an attributed string and never a text keeps showing that string.
    if (textChangesMade_ || rootNode_) {
        textChangesMade_ = false;
        processText();
    }
    if (!rootNode_) return attributedString_;
    ui::AttributedString string(processedString_);
    for (const auto& node : rootNode_->allSubnodes()) {
        applyStyle(node->style(), node->styleRange(), string);
    }
    attributedString_ = std::move(string);
    return attributedString_;
}

void RichTextView::applyStyle(const RichTextStyle& style, ui::Range range,
                              ui::AttributedString& string) const {
    ui::StringAttributes attributes;
    attributes.custom.insert(RichTextTags::kDataNameAttribute, style.name());
    attributes.foregroundColor = style.color();
    attributes.underline = style.isUnderLined();
    attributes.font = ui::Font::fontWithName(style.font().fontName(), style.font().pointSize());

    const ui::EdgeInsets& inset = style.paragraphInset();
    ui::ParagraphStyle paragraph;
    paragraph.alignment = style.textAlignment();
    paragraph.maximumLineHeight = style.maxLineHeight();
    paragraph.minimumLineHeight = style.minLineHeight();
    paragraph.paragraphSpacingBefore = 0;
    paragraph.paragraphSpacing = inset.bottom;
    paragraph.firstLineHeadIndent = inset.left;
    paragraph.headIndent = inset.left;
    paragraph.tailIndent = inset.right;
    paragraph.lineSpacing = style.leading();

    const bool bulletItem = style.name() == defaultsTags_.value(RichTextTags::kBullet);
    if (style.name() == RichTextTags::kBulletMarkStyle) {
        paragraph.paragraphSpacing = 0;
        paragraph.firstLineHeadIndent = 0;
        paragraph.tailIndent = 0;
        // The item's text starts at the item's left inset, after the bullet and tab.
        paragraph.tabStops = {inset.right};
        attributes.paragraphStyle = paragraph;
    } else if (bulletItem || style.applyParagraphStyling()) {
        attributes.paragraphStyle = paragraph;
    }
    if (style.name().startsWith(RichTextTags::kTopSpacingStyle)) string.removeParagraphStyle(range);
    string.addAttributes(attributes, range);
}

void RichTextView::updateFramesetterIfNeeded() {
    // Rebuilt after every change, whoever built the attributed string first.
    if (updatedFramesetter_ && updatedAttrString_ && framesetter_) return;
    framesetter_ = std::make_shared<ui::Framesetter>(attributedString());
    updatedAttrString_ = true;
    updatedFramesetter_ = true;
}

std::shared_ptr<const ui::TextFrame> RichTextView::currentFrame() {
    updateFramesetterIfNeeded();
    if (!framesetter_) return nullptr;
    if (path_) return framesetter_->createFrame(*path_);
    return framesetter_->createFrame(ui::Rect(0, 0, bounds().size.width, bounds().size.height));
}

ui::Size RichTextView::suggestedSizeConstrainedToSize(ui::Size size) {
    updateFramesetterIfNeeded();
    if (!framesetter_) return {};
    const ui::Size needed = framesetter_->suggestFrameSize(size);
    return {std::ceil(needed.width), std::ceil(needed.height)};
}

void RichTextView::fitToSuggestedHeight() {
    const ui::Rect current = frame();
    const ui::Size suggested = suggestedSizeConstrainedToSize(
        {current.size.width, double(std::numeric_limits<float>::max())});
    setFrame({current.origin, {current.size.width, suggested.height}});
}

void RichTextView::drawRect(const ui::Rect& rect) {
    ui::GraphicsContext* context = ui::GraphicsContext::current();
    if (!context) return;
    if (!backgroundColor().isInvisible()) {
        context->setFillColor(backgroundColor());
        context->fillRect(rect);
    }
    const auto frame = currentFrame();
    if (frame && !frame->lines().empty()) {
        // Images first, so that the text's shadow never falls on them.
        if (!images_.empty()) drawImages();
        context->saveGState();
        if (shadowColor_.isValid()) context->setShadow(shadowOffset_, 0, shadowColor_);
        frame->draw(*context);
        context->restoreGState();
    } else if (verbose_ && !processedString_.isEmpty()) {
        qInfo().noquote() << QStringLiteral("f: %1").arg(processedString_);
    }
    if (auto delegate = delegate_.lock()) delegate->coreTextViewfinishedRendering(*this);
}

void RichTextView::drawImages() {
    ui::GraphicsContext* context = ui::GraphicsContext::current();
    const auto frame = currentFrame();
    if (!context || !frame || images_.empty()) return;
    const double width = this->frame().size.width;
    std::size_t current = 0;
    for (const ui::TextLine& line : frame->lines()) {
        const RichTextNode& node = *images_[current];
        if (node.styleRange().location >= line.stringRange().location) continue;
        // The picture was made once, when the text was parsed.
        if (const auto& picture = node.picture()) {
            const ui::Size size = picture->size();
            const RichTextStyle& style = node.style();
            const ui::EdgeInsets& inset = style.paragraphInset();
            double x = width - size.width - inset.right;
            if (style.textAlignment() == ui::ParagraphAlignment::Center) {
                x = std::trunc((width - size.width) * 0.5);
            } else if (style.textAlignment() == ui::ParagraphAlignment::Left) {
                x = inset.left;
            }
            const double y = line.origin().y - line.ascent() - size.height + inset.top;
            const double drawnWidth =
                inset.left + inset.right + size.width <= width ? size.width : width;
            context->drawImage(ui::Rect(x, y, drawnWidth, size.height).integral(), *picture);
        }
        if (++current == images_.size()) break;
    }
}

QStringList RichTextView::divideTextInPages(const QString& text) const {
    return RichTextParser::divideTextInPages(text, defaultsTags_.value(RichTextTags::kPage));
}

std::optional<QString> RichTextView::stripTagsForString(const QString& text) {
    if (text.isEmpty()) return std::nullopt;
    const auto view = std::make_shared<RichTextView>();
    view->setText(text);
    view->processText();
    if (!view->rootNode()) return std::nullopt;
    return view->processedString();
}

QStringList RichTextView::pagesFromText(const QString& text) {
    return std::make_shared<RichTextView>()->divideTextInPages(text);
}
