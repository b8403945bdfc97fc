#pragma once

#include "platform/uikit/view_controller.h"
#include "platform/uikit/web_view.h"
#include "ui/navigation/DragBackSwitch.h"

#include <memory>

// One web page inside the app, under a title bar, with a loading overlay until the page
// is in. Closing it returns to a chat screen further down the stack when there is one; a
// page opened from a push notification slides away downwards.
class WebHelp : public ui::ViewController, public ui::WebViewDelegate {
public:
    static inline const QString kDefaultTitle = QStringLiteral("Nevoru找房");

    WebHelp(const QString& title, const QString& url);
    ~WebHelp() override;

    [[nodiscard]] bool hidesBottomBarWhenPushed() const override { return true; }
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

    void webViewDidFinishLoad(ui::WebView& webView) override;
    void didFailLoadWithError(ui::WebView& webView, const ns::Error& error) override;

    void returnPressed();

    [[nodiscard]] const QString& titleString() const { return titleString_; }
    [[nodiscard]] const QString& url() const { return url_; }
    [[nodiscard]] bool isFromPush() const { return isFromPush_; }
    void setIsFromPush(bool fromPush) { isFromPush_ = fromPush; }
    [[nodiscard]] bool isFromNewsPage() const { return isFromNewsPage_; }
    void setIsFromNewsPage(bool fromNews) { isFromNewsPage_ = fromNews; }
    [[nodiscard]] ui::WebView* qxweb() const { return qxweb_.get(); }
    [[nodiscard]] ui::View* loadingView() const { return loadingView_.get(); }

private:
    QString titleString_;
    QString url_;
    std::shared_ptr<ui::WebView> qxweb_;
    std::shared_ptr<ui::View> loadingView_;
    DragBackPause dragBackPause_;
    bool isFromPush_ = false;
    bool isFromNewsPage_ = false;
};
