// Touch handling and line lookups of RichTextView.
#include "ui/richtext/RichTextView.h"

#include "ui/richtext/RichTextTags.h"

#include "platform/uikit/layer.h"
#include "platform/uikit/touch.h"

namespace {

constexpr double kHighlightCornerRadius = 3.0;
constexpr double kHighlightAlpha = 0.25;

double lineTop(const ui::TextLine& line) {
    return line.origin().y - line.ascent();
}

// The whole of `inner` lies in `outer`.
bool holds(ui::Range outer, ui::Range inner) {
    return outer.location <= inner.location && inner.end() <= outer.end();
}

// Within the line's characters, both ends included.
bool reaches(ui::Range line, qsizetype index) {
    return line.location <= index && index <= line.end();
}

}  // namespace

RichTextTouchData RichTextView::dataForPoint(ui::Point point) {
    return dataForPoint(point, nullptr);
}

RichTextTouchData RichTextView::dataForPoint(ui::Point point, QStringList* activeRects) {
    std::vector<ui::Rect> rects;
    RichTextTouchData data = touchDataAt(point, activeRects ? &rects : nullptr);
    if (activeRects) {
        for (const ui::Rect& rect : rects) activeRects->append(ui::stringFromRect(rect));
    }
    return data;
}

RichTextTouchData RichTextView::touchDataAt(ui::Point point, std::vector<ui::Rect>* activeRects) {
    RichTextTouchData data;
    const auto frame = currentFrame();
    if (!frame) return data;
    const auto& lines = frame->lines();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const ui::TextLine& line = lines[i];
        const ui::Rect area(line.origin().x, lineTop(line), line.width(),
                            line.ascent() + line.descent());
        if (!area.contains(point)) continue;
        const qsizetype index = line.characterIndexForPosition(point.x - line.origin().x);
        for (auto it = URLs_.begin(); it != URLs_.end(); ++it) {
            const ui::Range range = ui::rangeFromString(it.key());
            if (index < range.location || index >= range.end()) continue;
            data.url = it.value();
            if (activeRects && highlightTouch_) *activeRects = activeRectsForLink(*frame, i, range);
            break;
        }
        // Any link run of the touched line describes the touch, the last one in the line's
        // order: a tap on plain text beside a link reports that run without an address.
        for (const ui::GlyphRun& run : line.glyphRuns()) {
            if (run.attributes.custom.value(RichTextTags::kDataNameAttribute).toString() !=
                RichTextTags::kLink)
                continue;
            data.dataName = RichTextTags::kLink;
            data.dataAttributes = run.attributes;
            data.dataFrame = ui::stringFromRect(
                {this->frame().origin.x + line.origin().x + run.offset,
                 line.origin().y - run.ascent, run.width, run.ascent + run.descent});
        }
        if (!data.isEmpty()) break;
    }
    return data;
}

std::vector<ui::Rect> RichTextView::activeRectsForLink(const ui::TextFrame& frame,
                                                       std::size_t lineIndex,
                                                       ui::Range link) const {
    const auto& lines = frame.lines();
    const qsizetype start = link.location;
    const qsizetype end = link.end();
    std::size_t first = lineIndex;
    for (std::size_t i = lineIndex + 1; i-- > 0;) {
        if (reaches(lines[i].stringRange(), start)) {
            first = i;
            break;
        }
    }
    std::size_t last = first;
    for (std::size_t i = lineIndex; i < lines.size(); ++i) {
        if (reaches(lines[i].stringRange(), end)) {
            last = i;
            break;
        }
    }
    std::vector<ui::Rect> rects;
    for (std::size_t i = first; i <= last && i < lines.size(); ++i) {
        const ui::TextLine& line = lines[i];
        const ui::Range range = line.stringRange();
        const double left = range.location < start
                                ? line.origin().x + line.offsetForStringIndex(start)
                                : line.origin().x;
        const double right = range.end() > end ? line.origin().x + line.offsetForStringIndex(end)
                                               : line.origin().x + line.width();
        rects.push_back(
            {left, lineTop(line) - 1, right - left, line.ascent() + line.descent() + 2});
    }
    return rects;
}

void RichTextView::clearPendingTouch() {
    touchedData_.reset();
    for (const auto& highlight : selectionsViews_) highlight->removeFromSuperview();
    selectionsViews_.clear();
}

void RichTextView::touchesBegan(const ui::TouchSet& touches, const ui::Event* event) {
    if (delegate_.lock() && !touches.empty()) {
        const ui::Point point = (*touches.begin())->locationInView(this);
        std::vector<ui::Rect> activeRects;
        RichTextTouchData data = touchDataAt(point, &activeRects);
        if (!data.isEmpty()) {
            // A touch still pending (its finger never lifted) gives way to this one.
            clearPendingTouch();
            for (const ui::Rect& rect : activeRects) {
                auto highlight = std::make_shared<ui::View>(rect);
                highlight->layer()->setCornerRadius(kHighlightCornerRadius);
                highlight->setClipsToBounds(true);
                highlight->setBackgroundColor(ui::Color::colorWithWhite(0, kHighlightAlpha));
                addSubview(highlight);
                selectionsViews_.push_back(std::move(highlight));
            }
            touchedData_ = std::move(data);
        }
    }
    ui::View::touchesBegan(touches, event);
}

void RichTextView::touchesMoved(const ui::TouchSet& touches, const ui::Event* event) {
    clearPendingTouch();
    ui::View::touchesMoved(touches, event);
}

void RichTextView::touchesEnded(const ui::TouchSet& touches, const ui::Event* event) {
    if (touchedData_) {
        // The delegate may set another text: the data and the view stay valid.
        const RichTextTouchData data = *touchedData_;
        const auto keepAlive = sharedAs<RichTextView>();
        if (auto delegate = delegate_.lock())
            delegate->coreTextViewReceivedTouchOnData(*this, data);
        clearPendingTouch();
    }
    ui::View::touchesEnded(touches, event);
}

void RichTextView::touchesCancelled(const ui::TouchSet& touches, const ui::Event* event) {
    // A list that starts scrolling takes the finger: the tap is off.
    clearPendingTouch();
    ui::View::touchesCancelled(touches, event);
}

std::shared_ptr<RichTextNode> RichTextView::getNodeThatContainLocationFormNSRange(
    ui::Range range) const {
    auto node = rootNode_;
    while (node) {
        std::shared_ptr<RichTextNode> inner;
        for (const auto& child : node->subnodes()) {
            const ui::Range own = child->styleRange();
            const bool inside = own.location <= range.location && range.location < own.end();
            if (inside || (range.length == 0 && own.location == range.location)) {
                inner = child;
                break;
            }
        }
        if (!inner) return node;
        node = inner;
    }
    return nullptr;
}

QString RichTextView::getIndexingForNode(const RichTextNode& node) const {
    QString path = QString::number(node.nodeIndex());
    for (auto parent = node.supernode(); parent; parent = parent->supernode()) {
        path = QString::number(parent->nodeIndex()) + u'/' + path;
    }
    return path;
}

QString RichTextView::getNodeIndexThatContainLocationFormNSRange(ui::Range range) const {
    const auto node = getNodeThatContainLocationFormNSRange(range);
    return node ? getIndexingForNode(*node) : QString();
}

qsizetype RichTextView::getCorrectLocationFromNSRange(ui::Range range) const {
    auto node = rootNode_;
    if (!node) return range.location;
    for (;;) {
        std::shared_ptr<RichTextNode> inner;
        for (const auto& child : node->subnodes()) {
            const ui::Range own = child->styleRange();
            if (own.location <= range.location && range.location < own.end()) {
                inner = child;
                break;
            }
        }
        if (!inner) break;
        node = inner;
    }
    return range.location - node->styleRange().location;
}

std::optional<QString> RichTextView::getNodeIndexYCoordinate(double y) {
    const auto frame = currentFrame();
    if (!frame) return std::nullopt;
    for (const ui::TextLine& line : frame->lines()) {
        const double top = lineTop(line);
        if (top <= y && y < top + line.ascent() + line.descent()) {
            return getNodeIndexThatContainLocationFormNSRange(line.stringRange());
        }
    }
    return std::nullopt;
}

ui::Range RichTextView::getLineRangeForYCoordinate(double y) {
    const auto frame = currentFrame();
    if (frame) {
        for (const ui::TextLine& line : frame->lines()) {
            const double top = lineTop(line);
            if (top <= y && y <= top + line.ascent() + line.descent()) return line.stringRange();
        }
    }
    return {ui::Range::kNotFound, 0};
}

const ui::TextLine* RichTextView::lineHolding(const ui::TextFrame& frame, ui::Range range) const {
    for (const ui::TextLine& line : frame.lines()) {
        if (holds(line.stringRange(), range)) return &line;
    }
    return nullptr;
}

ui::Rect RichTextView::getLineRectFromNSRange(ui::Range range) {
    const auto frame = currentFrame();
    const ui::TextLine* line = frame ? lineHolding(*frame, range) : nullptr;
    if (!line) return {-1, -1, -1, -1};
    return {line->origin().x, lineTop(*line) - 1, line->width(),
            line->ascent() + line->descent() + 1};
}

QString RichTextView::getTextInLineByRange(ui::Range range) {
    const auto frame = currentFrame();
    const ui::TextLine* line = frame ? lineHolding(*frame, range) : nullptr;
    if (!line) return QString();
    return processedString_.mid(line->stringRange().location, line->stringRange().length);
}
