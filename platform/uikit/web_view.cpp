#include "platform/uikit/web_view.h"

#include "platform/foundation/main_queue.h"
#include "platform/foundation/url_connection.h"
#include "platform/uikit/application.h"
#include "platform/uikit/label.h"
#include "platform/uikit/scroll_view.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <cmath>

namespace ui {

namespace {

constexpr double kWebMargin = 8;

bool loadsItself(const QString& scheme) {
    return scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
           scheme == QLatin1String("file") || scheme == QLatin1String("about");
}

QString decode(const QByteArray& body, QString encoding) {
    if (encoding.isEmpty()) {
        // A page may name its encoding in a meta element.
        static const QRegularExpression meta(
            QStringLiteral("charset\\s*=\\s*[\"']?([A-Za-z0-9_-]+)"),
            QRegularExpression::CaseInsensitiveOption);
        const auto match = meta.match(QString::fromLatin1(body.left(2048)));
        if (match.hasMatch()) encoding = match.captured(1);
    }
    const QByteArray name = encoding.isEmpty() ? QByteArray("UTF-8") : encoding.toLatin1();
    QStringDecoder decoder(name.constData());
    if (!decoder.isValid()) decoder = QStringDecoder(QStringDecoder::Utf8);
    return decoder.decode(body);
}

}  // namespace

// Collects one load on the network thread and hands the result to the main
// thread, where it reaches the web view if the view and the load still stand.
class WebView::Loader : public ns::URLConnectionDelegate {
public:
    Loader(std::weak_ptr<View> view, std::uint64_t load) : view_(std::move(view)), load_(load) {}

    void didReceiveResponse(ns::URLConnection&,
                            const std::shared_ptr<const ns::URLResponse>& response) override {
        mimeType_ = response->mimeType();
        encoding_ = response->textEncodingName();
    }
    void didReceiveData(ns::URLConnection&, const QByteArray& data) override { body_ += data; }
    void didFinishLoading(ns::URLConnection&) override {
        ns::MainQueue::post(
            [view = view_, load = load_, body = body_, mime = mimeType_, encoding = encoding_] {
                if (auto self = std::static_pointer_cast<WebView>(view.lock()))
                    self->finished(load, body, mime, encoding);
            });
    }
    void didFailWithError(ns::URLConnection&, const ns::Error& error) override {
        ns::MainQueue::post([view = view_, load = load_, error] {
            if (auto self = std::static_pointer_cast<WebView>(view.lock()))
                self->failed(load, error);
        });
    }

private:
    std::weak_ptr<View> view_;
    std::uint64_t load_;
    QByteArray body_;
    QString mimeType_;
    QString encoding_;
};

WebView::WebView() : WebView(Rect()) {}

WebView::WebView(const Rect& frame)
    : View(frame),
      scroll_(std::make_shared<ScrollView>()),
      titleLabel_(std::make_shared<Label>()),
      textLabel_(std::make_shared<Label>()) {
    setBackgroundColor(Color::whiteColor());
    scroll_->setAlwaysBounceVertical(true);
    titleLabel_->setFont(Font::boldSystemFontOfSize(18));
    titleLabel_->setNumberOfLines(0);
    titleLabel_->setLineBreakMode(LineBreakMode::WordWrap);
    textLabel_->setFont(Font::systemFontOfSize(15));
    textLabel_->setNumberOfLines(0);
    textLabel_->setLineBreakMode(LineBreakMode::WordWrap);
    scroll_->addSubview(titleLabel_);
    scroll_->addSubview(textLabel_);
    addSubview(scroll_);
}

WebView::~WebView() {
    if (connection_) connection_->cancel();
}

void WebView::loadRequest(const ns::URLRequest& request) {
    start(request, WebViewNavigationType::Other, true);
}

void WebView::loadHTMLString(const QString& html, const QUrl& baseURL) {
    if (loading_) stopLoading();
    request_ = ns::URLRequest(baseURL.isEmpty() ? QUrl(QStringLiteral("about:blank")) : baseURL);
    loading_ = true;
    const auto load = ++load_;
    const auto keep = sharedView();
    if (auto delegate = delegate_.lock()) delegate->webViewDidStartLoad(*this);
    // Like any load, it finishes later, on the main queue.
    ns::MainQueue::post([weak = std::weak_ptr<View>(keep), load, body = html.toUtf8()] {
        if (auto self = std::static_pointer_cast<WebView>(weak.lock()))
            self->finished(load, body, QStringLiteral("text/html"), QStringLiteral("utf-8"));
    });
}

void WebView::start(const ns::URLRequest& request, WebViewNavigationType type, bool record) {
    const auto keep = sharedView();
    auto delegate = delegate_.lock();
    if (delegate && !delegate->shouldStartLoadWithRequest(*this, request, type)) return;
    const QUrl url = request.url();
    if (!loadsItself(url.scheme().toLower())) {
        // A call, a message or another app's address: the system opens it.
        Application::sharedApplication().openURL(url);
        return;
    }
    if (loading_) stopLoading();
    request_ = request;
    if (record) {
        if (current_ >= 0) history_.resize(std::size_t(current_) + 1);
        history_.push_back(request);
        current_ = int(history_.size()) - 1;
    }
    loading_ = true;
    const auto load = ++load_;
    if (delegate) delegate->webViewDidStartLoad(*this);
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("file") || scheme == QLatin1String("about")) {
        QByteArray body;
        bool found = scheme == QLatin1String("about");
        if (!found) {
            QFile file(url.toLocalFile());
            found = file.open(QIODevice::ReadOnly);
            if (found) body = file.readAll();
        }
        ns::MainQueue::post([weak = std::weak_ptr<View>(keep), load, body, found, url] {
            auto self = std::static_pointer_cast<WebView>(weak.lock());
            if (!self) return;
            if (found) {
                self->finished(load, body, {}, {});
            } else {
                ns::Error error(
                    ns::Error::kURLErrorDomain, ns::Error::kURLErrorFileDoesNotExist,
                    {{ns::Error::kLocalizedDescriptionKey,
                      QStringLiteral("The requested URL was not found on this server.")},
                     {ns::Error::kFailingURLStringKey, url.toString()}});
                self->failed(load, error);
            }
        });
        return;
    }
    connection_ = ns::URLConnection::connectionWithRequest(
        request, std::make_shared<Loader>(std::weak_ptr<View>(keep), load));
}

void WebView::stopLoading() {
    if (!loading_) return;
    const auto keep = sharedView();
    if (connection_) connection_->cancel();
    connection_.reset();
    loading_ = false;
    ++load_;
    const ns::Error cancelled(ns::Error::kURLErrorDomain, ns::Error::kURLErrorCancelled,
                              {{ns::Error::kLocalizedDescriptionKey, QStringLiteral("cancelled")},
                               {ns::Error::kFailingURLStringKey, request_.url().toString()}});
    if (auto delegate = delegate_.lock()) delegate->didFailLoadWithError(*this, cancelled);
}

void WebView::reload() {
    if (request_.url().isEmpty()) return;
    start(request_, WebViewNavigationType::Reload, false);
}

void WebView::goBack() {
    if (!canGoBack()) return;
    --current_;
    start(history_[std::size_t(current_)], WebViewNavigationType::BackForward, false);
}

void WebView::goForward() {
    if (!canGoForward()) return;
    ++current_;
    start(history_[std::size_t(current_)], WebViewNavigationType::BackForward, false);
}

void WebView::finished(std::uint64_t load, const QByteArray& body, const QString& mimeType,
                       const QString& encoding) {
    if (load != load_ || !loading_) return;
    const auto keep = sharedView();
    loading_ = false;
    connection_.reset();
    showDocument(body, mimeType, encoding);
    if (auto delegate = delegate_.lock()) delegate->webViewDidFinishLoad(*this);
}

void WebView::failed(std::uint64_t load, const ns::Error& error) {
    if (load != load_ || !loading_) return;
    const auto keep = sharedView();
    loading_ = false;
    connection_.reset();
    if (auto delegate = delegate_.lock()) delegate->didFailLoadWithError(*this, error);
}

void WebView::showDocument(const QByteArray& body, const QString& mimeType,
                           const QString& encoding) {
    const QString decoded = decode(body, encoding);
    const bool html = mimeType.contains(QLatin1String("html"), Qt::CaseInsensitive) ||
                      (mimeType.isEmpty() && decoded.trimmed().startsWith(QLatin1Char('<')));
    if (!html) {
        show(QString(), decoded.trimmed());
        return;
    }
    static const QRegularExpression titlePattern(
        QStringLiteral("<title[^>]*>(.*?)</title>"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression headPattern(
        QStringLiteral("<head[^>]*>.*?</head>"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const auto match = titlePattern.match(decoded);
    const QString title =
        match.hasMatch()
            ? QTextDocumentFragment::fromHtml(match.captured(1)).toPlainText().simplified()
            : QString();
    QTextDocument document;
    document.setHtml(QString(decoded).remove(headPattern));
    show(title, document.toPlainText().trimmed());
}

void WebView::show(const QString& title, const QString& text) {
    title_ = title;
    text_ = text;
    titleLabel_->setText(title);
    textLabel_->setText(text);
    setNeedsLayout();
}

QString WebView::stringByEvaluatingJavaScriptFromString(const QString& script) const {
    const QString wanted = script.trimmed().remove(QLatin1Char(';'));
    if (wanted == QLatin1String("document.title")) return title_;
    if (wanted == QLatin1String("document.body.innerText")) return text_;
    return {};
}

void WebView::layoutSubviews() {
    const Rect b = bounds();
    scroll_->setFrame(b);
    const double width = std::max(0.0, b.size.width - 2 * kWebMargin);
    double y = kWebMargin;
    const double titleHeight =
        title_.isEmpty() ? 0 : std::ceil(titleLabel_->sizeThatFits(Size(width, 100000)).height);
    titleLabel_->setFrame(Rect(kWebMargin, y, width, titleHeight));
    if (titleHeight > 0) y += titleHeight + kWebMargin;
    const double textHeight =
        text_.isEmpty() ? 0 : std::ceil(textLabel_->sizeThatFits(Size(width, 100000)).height);
    textLabel_->setFrame(Rect(kWebMargin, y, width, textHeight));
    y += textHeight + kWebMargin;
    scroll_->setContentSize(Size(b.size.width, y));
}

}  // namespace ui
