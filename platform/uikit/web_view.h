#pragma once

#include "platform/foundation/error.h"
#include "platform/foundation/url_request.h"
#include "platform/uikit/view.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <cstdint>
#include <memory>
#include <vector>

namespace ns {
class URLConnection;
}

namespace ui {

class Label;
class ScrollView;
class WebView;

enum class WebViewNavigationType {
    LinkClicked = 0,
    FormSubmitted = 1,
    BackForward = 2,
    Reload = 3,
    FormResubmitted = 4,
    Other = 5,
};

// Hears a web view load. Every method is optional.
class WebViewDelegate {
public:
    virtual ~WebViewDelegate() = default;
    virtual bool shouldStartLoadWithRequest(WebView&, const ns::URLRequest& request,
                                            WebViewNavigationType type) {
        (void)request, (void)type;
        return true;
    }
    virtual void webViewDidStartLoad(WebView&) {}
    virtual void webViewDidFinishLoad(WebView&) {}
    virtual void didFailLoadWithError(WebView&, const ns::Error& error) { (void)error; }
};

// A page loaded through the URL loading stand-in and shown plainly: its title
// and its text, wrapped, in a scroll view (there is no web engine). The
// delegate may refuse a load; it hears the start, then the finish or the
// failure, on the main thread. Addresses of other schemes ("tel:", "sms:")
// are handed to the application to open, as the platform does. Back and
// forward move through the pages loaded.
class WebView : public View {
public:
    WebView();
    explicit WebView(const Rect& frame);
    ~WebView() override;

    [[nodiscard]] std::shared_ptr<WebViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<WebViewDelegate> delegate) { delegate_ = std::move(delegate); }

    void loadRequest(const ns::URLRequest& request);
    void loadHTMLString(const QString& html, const QUrl& baseURL = {});
    // Stops a load in progress; the delegate hears it fail as cancelled.
    void stopLoading();
    void reload();
    void goBack();
    void goForward();
    [[nodiscard]] bool canGoBack() const { return current_ > 0; }
    [[nodiscard]] bool canGoForward() const {
        return current_ >= 0 && std::size_t(current_) + 1 < history_.size();
    }
    [[nodiscard]] bool isLoading() const { return loading_; }
    // The request of the page shown (or being loaded).
    [[nodiscard]] const ns::URLRequest& request() const { return request_; }
    [[nodiscard]] bool scalesPageToFit() const { return scalesPageToFit_; }
    void setScalesPageToFit(bool scales) { scalesPageToFit_ = scales; }
    [[nodiscard]] ScrollView* scrollView() const { return scroll_.get(); }

    // What the page shows.
    [[nodiscard]] const QString& pageTitle() const { return title_; }
    [[nodiscard]] const QString& pageText() const { return text_; }
    // Answers "document.title" and "document.body.innerText"; anything else
    // gives an empty text, as a page without the script's objects would.
    [[nodiscard]] QString stringByEvaluatingJavaScriptFromString(const QString& script) const;

    void layoutSubviews() override;
    [[nodiscard]] QString shownText() const override { return text_; }

private:
    class Loader;
    void start(const ns::URLRequest& request, WebViewNavigationType type, bool record);
    void finished(std::uint64_t load, const QByteArray& body, const QString& mimeType,
                  const QString& encoding);
    void failed(std::uint64_t load, const ns::Error& error);
    void show(const QString& title, const QString& text);
    void showDocument(const QByteArray& body, const QString& mimeType, const QString& encoding);

    std::weak_ptr<WebViewDelegate> delegate_;
    std::shared_ptr<ScrollView> scroll_;
    std::shared_ptr<Label> titleLabel_;
    std::shared_ptr<Label> textLabel_;
    std::shared_ptr<ns::URLConnection> connection_;
    std::vector<ns::URLRequest> history_;
    int current_ = -1;
    ns::URLRequest request_;
    QString title_;
    QString text_;
    std::uint64_t load_ = 0;
    bool loading_ = false;
    bool scalesPageToFit_ = false;
};

}  // namespace ui
