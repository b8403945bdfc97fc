#include "chat/QXMessageTextAndMobileCell.h"

#include "chat/QXMessageTextCell.h"

#include "analytics/StatClick.h"
#include "ui/richtext/RichTextMarkup.h"
#include "ui/richtext/RichTextTags.h"
#include "util/TextChecks.h"

#include "platform/uikit/application.h"
#include "platform/uikit/pasteboard.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int kCellMobileLength = 11;
constexpr double kParagraphInset = 2;

struct LinkSpan {
    qsizetype start;
    qsizetype length;
    QString target;
};

// Every occurrence of `shown` in `text` (letter case ignored) that overlaps no span yet.
void addOccurrences(const QString& text, const QString& shown, const QString& target,
                    std::vector<LinkSpan>& spans) {
    for (qsizetype at = text.indexOf(shown, 0, Qt::CaseInsensitive); at >= 0;
         at = text.indexOf(shown, at + shown.size(), Qt::CaseInsensitive)) {
        const bool overlaps = std::any_of(spans.begin(), spans.end(), [&](const LinkSpan& span) {
            return at < span.start + span.length && span.start < at + shown.size();
        });
        if (!overlaps) spans.push_back({at, shown.size(), target});
    }
}

}  // namespace

QXMessageTextAndMobileCell::QXMessageTextAndMobileCell()
    : QXMessageCell(QStringLiteral("QXMessageTextAndMobileCell")) {
    textAndMobileLabel_ = std::make_shared<RichTextView>(ui::Rect(20, 10, 40, 20));
    textAndMobileLabel_->setBackgroundColor(ui::Color::clearColor());
    chatBgView_->addSubview(textAndMobileLabel_);
    auto link = RichTextStyle::styleWithName(RichTextTags::kLink);
    link->setFont(ui::Font::systemFontOfSize(QXMessageTextCell::kFontSize));
    link->setUnderlined(true);
    link->setColor(ui::Color::rgb(40, 110, 200));
    textAndMobileLabel_->addStyle(*link);
    registerStyles(ui::ParagraphAlignment::Left, false);
}

void QXMessageTextAndMobileCell::attach() {
    QXMessageCell::attach();
    textAndMobileLabel_->setDelegate(
        std::static_pointer_cast<RichTextViewDelegate>(sharedAs<QXMessageTextAndMobileCell>()));
}

double QXMessageTextAndMobileCell::heightByInfo(const QVariant& info, bool showTime) {
    return QXMessageTextCell::heightByInfo(info, showTime);
}

QString QXMessageTextAndMobileCell::linkedMarkup(const QString& text) {
    if (text.isEmpty()) return text;
    std::vector<LinkSpan> spans;
    QStringList handled;
    for (qsizetype at = 0; at + kCellMobileLength <= text.size();) {
        const QString window = text.mid(at, kCellMobileLength);
        if (!TextChecks::isMobileNumber(window)) {
            ++at;
            continue;
        }
        if (!handled.contains(window)) {
            handled << window;
            addOccurrences(text, window, QStringLiteral("tel://") + window, spans);
        }
        at += kCellMobileLength;
    }
    const QString web = TextChecks::firstWebUrl(text);
    if (!web.isEmpty()) {
        const bool bare = web.startsWith(QStringLiteral("www"), Qt::CaseInsensitive);
        addOccurrences(text, web, bare ? QStringLiteral("http://") + web : web, spans);
    }
    std::sort(spans.begin(), spans.end(),
              [](const LinkSpan& a, const LinkSpan& b) { return a.start < b.start; });
    QString markup;
    qsizetype done = 0;
    for (const LinkSpan& span : spans) {
        markup += RichTextMarkup::escaped(text.mid(done, span.start - done));
        markup += RichTextMarkup::linkElement(span.target, text.mid(span.start, span.length));
        done = span.start + span.length;
    }
    markup += RichTextMarkup::escaped(text.mid(done));
    return markup;
}

void QXMessageTextAndMobileCell::registerStyles(ui::ParagraphAlignment alignment, bool inset) {
    if (registered_ == alignment && inset) return;
    if (inset) registered_ = alignment;
    const ui::Font font = ui::Font::systemFontOfSize(QXMessageTextCell::kFontSize);
    auto base = RichTextStyle::styleWithName(RichTextTags::kDefault);
    base->setFont(font);
    base->setColor(QXMessageTextCell::textColor());
    base->setMinLineHeight(font.lineHeight());
    base->setTextAlignment(alignment);
    base->setParagraphInset(inset ? ui::EdgeInsets{0, kParagraphInset, 0, 0} : ui::EdgeInsets{});
    textAndMobileLabel_->addStyle(*base);
    if (auto link = textAndMobileLabel_->styleForName(RichTextTags::kLink)) {
        link->setTextAlignment(alignment);
        textAndMobileLabel_->addStyle(*link);
    }
}

void QXMessageTextAndMobileCell::setContents(const QVariant& contents) {
    textAndMobileLabel_->setText(linkedMarkup(QXMessageTextCell::shownText(contents.toString())));
    QXMessageCell::setContents(contents);
}

void QXMessageTextAndMobileCell::setMyself(bool myself) {
    QXMessageCell::setMyself(myself);
}

bool QXMessageTextAndMobileCell::showCopyMenu() const {
    isCopyMenuShow_ = true;
    return true;
}

void QXMessageTextAndMobileCell::copy() {
    isCopyMenuShow_ = false;
    ui::Pasteboard::generalPasteboard().setString(contents_.toString());
}

void QXMessageTextAndMobileCell::willHideEditMenu() {
    QXMessageCell::willHideEditMenu();
    isCopyMenuShow_ = false;
}

void QXMessageTextAndMobileCell::layoutSubviews() {
    const ui::Font font = ui::Font::systemFontOfSize(QXMessageTextCell::kFontSize);
    const ui::Size measured =
        QXMessageTextCell::measuredText(QXMessageTextCell::shownText(contents_.toString()), font);
    bool oneLine = true;
    const ui::Size size =
        QXMessageTextCell::bubbleSize(measured, QXMessageTextCell::lineHeight(font), &oneLine);
    registerStyles(oneLine ? ui::ParagraphAlignment::Center : ui::ParagraphAlignment::Left, true);
    ui::Rect bubble = chatBgView_->frame();
    bubble.size = size;
    chatBgView_->setFrame(bubble);
    textAndMobileLabel_->setFrame(QXMessageTextCell::textFrame(size, myself_, kParagraphInset));
    QXMessageCell::layoutSubviews();
}

void QXMessageTextAndMobileCell::coreTextViewReceivedTouchOnData(RichTextView&,
                                                                 const RichTextTouchData& data) {
    if (!data.url || isCopyMenuShow_) return;
    const QString address = data.url->toString();
    if (address.startsWith(QStringLiteral("tel"))) {
        // Only the numbers this bubble found are links; dial nothing else.
        const QString number =
            address.mid(address.indexOf(QLatin1Char(':')) + 1).remove(QLatin1Char('/'));
        if (!TextChecks::isMobileNumber(number)) return;
        StatClick::event(QStringLiteral("chat_Cmobilenumber_call"));
        ui::Application::sharedApplication().openURL(QUrl(QStringLiteral("tel://") + number));
        return;
    }
    StatClick::event(QStringLiteral("chat_bn_url"));
    if (auto delegate = delegate_.lock()) delegate->chatCellOpenWebLink(*this, address);
}
