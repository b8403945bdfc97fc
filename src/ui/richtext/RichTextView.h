#pragma once

#include "ui/richtext/RichTextNode.h"
#include "ui/richtext/RichTextParser.h"
#include "ui/richtext/RichTextStyle.h"
#include "ui/richtext/RichTextTouchData.h"

#include "platform/uikit/attributed_string.h"
#include "platform/uikit/bezier_path.h"
#include "platform/uikit/framesetter.h"
#include "platform/uikit/view.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>
#include <optional>
#include <vector>

class RichTextView;

// Optional callbacks of a rich-text view; the defaults do nothing.
class RichTextViewDelegate {
public:
    virtual ~RichTextViewDelegate() = default;
    // A finger lifted, without moving, from a place that holds a link.
    virtual void coreTextViewReceivedTouchOnData(RichTextView& view, const RichTextTouchData& data);
    // The end of every drawing pass.
    virtual void coreTextViewfinishedRendering(RichTextView& view);
};

// Shows text written in the rich-text markup: tags name the styles registered with
// the view, "<_link>address|text</_link>" makes a link that reports taps, images
// come from the bundle or from "base64:" data. Text from outside goes in through
// RichTextMarkup::escaped.
class RichTextView : public ui::View {
public:
    explicit RichTextView(const ui::Rect& frame = {},
                          std::optional<ui::AttributedString> attributedString = std::nullopt);
    ~RichTextView() override;

    // Styles: the table holds copies.
    void addStyle(const RichTextStyle& style);
    void addStyles(const std::vector<std::shared_ptr<RichTextStyle>>& styles);
    void removeAllStyles();
    // The registered style itself; change it, then add it again to be seen.
    [[nodiscard]] std::shared_ptr<RichTextStyle> styleForName(const QString& name) const;
    [[nodiscard]] std::vector<std::shared_ptr<RichTextStyle>> styles() const;
    [[nodiscard]] std::vector<std::shared_ptr<RichTextStyle>> stylesArray() const {
        return styles();
    }
    // Maps a reserved key (RichTextTags) to the tag name that plays its role; throws
    // std::invalid_argument for any other key, changing nothing.
    void changeDefaultTag(const QString& key, const QString& tagName);
    // Nothing for a key that is not reserved.
    [[nodiscard]] std::optional<QString> defaultTagNameForKey(const QString& key) const;

    // The markup shown. An empty text, or one that does not parse, shows nothing:
    // a view reused for another message never keeps the last one's text.
    [[nodiscard]] const QString& text() const { return text_; }
    void setText(const QString& text);
    // Lays the text out in `path` instead of the bounds; nothing: the bounds.
    [[nodiscard]] const std::optional<ui::BezierPath>& path() const { return path_; }
    void setPath(std::optional<ui::BezierPath> path);
    [[nodiscard]] const ui::Color& shadowColor() const { return shadowColor_; }
    void setShadowColor(const ui::Color& color);
    [[nodiscard]] ui::Size shadowOffset() const { return shadowOffset_; }
    void setShadowOffset(ui::Size offset);
    [[nodiscard]] bool verbose() const { return verbose_; }
    void setVerbose(bool verbose) { verbose_ = verbose; }
    [[nodiscard]] bool highlightTouch() const { return highlightTouch_; }
    void setHighlightTouch(bool highlight) { highlightTouch_ = highlight; }
    [[nodiscard]] std::shared_ptr<RichTextViewDelegate> delegate() const {
        return delegate_.lock();
    }
    void setDelegate(std::weak_ptr<RichTextViewDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    // Results of the parse.
    [[nodiscard]] const QString& processedString() const { return processedString_; }
    void setProcessedString(const QString& text) { processedString_ = text; }
    [[nodiscard]] const std::shared_ptr<RichTextNode>& rootNode() const { return rootNode_; }
    void setRootNode(std::shared_ptr<RichTextNode> node) { rootNode_ = std::move(node); }
    [[nodiscard]] const QMap<QString, QUrl>& URLs() const { return URLs_; }
    void setURLs(QMap<QString, QUrl> urls) { URLs_ = std::move(urls); }
    [[nodiscard]] const std::vector<std::shared_ptr<RichTextNode>>& images() const {
        return images_;
    }
    void setImages(std::vector<std::shared_ptr<RichTextNode>> images) {
        images_ = std::move(images);
    }

    // Parses the text into the results above; a failure clears them.
    void processText();
    // The processed string with every style's attributes, built when needed.
    [[nodiscard]] const ui::AttributedString& attributedString();
    void setAttributedString(ui::AttributedString string) { attributedString_ = std::move(string); }
    // Marks the text for parsing and layout again on next use.
    void didMakeChanges();
    void applyStyle(const RichTextStyle& style, ui::Range range,
                    ui::AttributedString& string) const;

    // The layout object of the current attributed string; shared, so a holder keeps
    // it valid after the view has moved on to another.
    [[nodiscard]] const std::shared_ptr<ui::Framesetter>& framesetter() const {
        return framesetter_;
    }
    void setFramesetter(std::shared_ptr<ui::Framesetter> framesetter) {
        framesetter_ = std::move(framesetter);
    }
    void updateFramesetterIfNeeded();
    // The size the whole text needs within `size`, rounded up to whole points.
    [[nodiscard]] ui::Size suggestedSizeConstrainedToSize(ui::Size size);
    void fitToSuggestedHeight();

    void drawRect(const ui::Rect& rect) override;
    void drawImages();

    // Touches and lookups.
    [[nodiscard]] RichTextTouchData dataForPoint(ui::Point point);
    // Fills `activeRects` (text forms of rectangles, one per line of the link) when a
    // link was hit and highlightTouch is on.
    [[nodiscard]] RichTextTouchData dataForPoint(ui::Point point, QStringList* activeRects);
    void touchesBegan(const ui::TouchSet& touches, const ui::Event* event) override;
    void touchesMoved(const ui::TouchSet& touches, const ui::Event* event) override;
    void touchesEnded(const ui::TouchSet& touches, const ui::Event* event) override;
    void touchesCancelled(const ui::TouchSet& touches, const ui::Event* event) override;
    [[nodiscard]] const std::vector<std::shared_ptr<ui::View>>& selectionsViews() const {
        return selectionsViews_;
    }

    [[nodiscard]] std::shared_ptr<RichTextNode> getNodeThatContainLocationFormNSRange(
        ui::Range range) const;
    [[nodiscard]] QString getIndexingForNode(const RichTextNode& node) const;
    [[nodiscard]] QString getNodeIndexThatContainLocationFormNSRange(ui::Range range) const;
    [[nodiscard]] qsizetype getCorrectLocationFromNSRange(ui::Range range) const;
    // Nothing when no line lies at `y`.
    [[nodiscard]] std::optional<QString> getNodeIndexYCoordinate(double y);
    [[nodiscard]] ui::Range getLineRangeForYCoordinate(double y);
    [[nodiscard]] ui::Rect getLineRectFromNSRange(ui::Range range);
    [[nodiscard]] QString getTextInLineByRange(ui::Range range);

    // The processed string a fresh view makes of `text`; nothing when it is empty or
    // does not parse.
    [[nodiscard]] static std::optional<QString> stripTagsForString(const QString& text);
    [[nodiscard]] static QStringList pagesFromText(const QString& text);
    // `text` cut at each page mark; the pages keep all other markup.
    [[nodiscard]] QStringList divideTextInPages(const QString& text) const;

    [[nodiscard]] QString shownText() const override { return processedString_; }

private:
    [[nodiscard]] QString ownerDescription() const;
    void redrawIfShown();
    // The frame of the current layout, in the path or the bounds; nothing before
    // any layout exists.
    [[nodiscard]] std::shared_ptr<const ui::TextFrame> currentFrame();
    void clearPendingTouch();
    [[nodiscard]] RichTextTouchData touchDataAt(ui::Point point,
                                                std::vector<ui::Rect>* activeRects);
    // One rectangle per line of the link found on line `lineIndex`.
    [[nodiscard]] std::vector<ui::Rect> activeRectsForLink(const ui::TextFrame& frame,
                                                           std::size_t lineIndex,
                                                           ui::Range link) const;
    // The first line that holds the whole of `range`.
    [[nodiscard]] const ui::TextLine* lineHolding(const ui::TextFrame& frame,
                                                  ui::Range range) const;

    RichTextParser::StyleTable styles_;
    RichTextParser::TagTable defaultsTags_;
    bool textChangesMade_ = false;
    bool updatedAttrString_ = false;
    bool updatedFramesetter_ = false;
    bool verbose_ = true;
    bool highlightTouch_ = true;
    QString text_;
    QString processedString_;
    ui::AttributedString attributedString_;
    std::optional<ui::BezierPath> path_;
    QMap<QString, QUrl> URLs_;
    std::vector<std::shared_ptr<RichTextNode>> images_;
    std::weak_ptr<RichTextViewDelegate> delegate_;
    ui::Color shadowColor_;
    std::shared_ptr<ui::Framesetter> framesetter_;
    std::shared_ptr<RichTextNode> rootNode_;
    std::optional<RichTextTouchData> touchedData_;
    std::vector<std::shared_ptr<ui::View>> selectionsViews_;
    ui::Size shadowOffset_;
};
