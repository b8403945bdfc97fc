#include "app/QXUtil.h"

#include "util/TextChecks.h"

#include "IMChat/qximlib/qximdata/util/QXIMUtil.h"
#include "analytics/StatClick.h"
#include "app/QXAppDelegate.h"
#include "app/categories/UIView+Addition.h"
#include "location/DocumentFolder.h"
#include "location/LocationManager.h"
#include "location/UserLocation.h"
#include "net/EndpointTable.h"
#include "net/QXUID.h"
#include "net/RequestStamp.h"
#include "platform/foundation/clock.h"
#include "platform/foundation/file_manager.h"
#include "platform/foundation/network_interface.h"
#include "platform/foundation/network_reachability.h"
#include "platform/foundation/sandbox.h"
#include "platform/foundation/timer.h"
#include "platform/foundation/user_defaults.h"
#include "platform/uikit/alert_overlay.h"
#include "platform/uikit/alert_view.h"
#include "platform/uikit/animation.h"
#include "platform/uikit/graphics_context.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/layer.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/tab_bar.h"
#include "platform/uikit/tab_bar_controller.h"
#include "platform/uikit/window.h"
#include "ui/widgets/AlertMessages.h"
#include "ui/widgets/QXLoadingView.h"
#include "ui/widgets/StarLevelView.h"

#include <QRegularExpression>

#include <cmath>
#include <numbers>

namespace {
// The system version the device reports.
const QString kSystemVersion = QStringLiteral("7.0");
const QString& kOkTitle = AlertMessages::kOkTitle;

QString folderUnder(const QString& parent, const QString& name) {
    const QString path = parent + name;
    // A folder that cannot be made shows later as a failed write; nothing to do here.
    if (!ns::FileManager::fileExistsAtPath(path)) {
        ns::FileManager::createDirectoryAtPath(path, false);
    }
    return path;
}

std::shared_ptr<ui::AlertView> showAlert(const QString& title, const QString& message,
                                         std::weak_ptr<ui::AlertViewDelegate> delegate,
                                         const QString& cancel, const QStringList& others,
                                         int tag) {
    auto alert =
        std::make_shared<ui::AlertView>(title, message, std::move(delegate), cancel, others);
    alert->setTag(tag);
    alert->show();
    return alert;
}
}  // namespace

std::shared_ptr<ui::AlertView> QXUtil::showAlertViewWithAlertString(const QString& text) {
    return AlertMessages::showAlertViewWithAlertString(text);
}

std::shared_ptr<ui::AlertView> QXUtil::showAlertViewWithAlertTitle(const QString& title,
                                                                   const QString& text) {
    return AlertMessages::showAlertViewWithAlertTitle(title, text);
}

std::shared_ptr<ui::AlertView> QXUtil::showAlertViewWithAlertTitle(
    const QString& title, const QString& message, std::weak_ptr<ui::AlertViewDelegate> delegate,
    const QString& cancelButtonTitle, const QString& otherButtonTitle, int tag) {
    return showAlert(title, message, std::move(delegate), cancelButtonTitle,
                     otherButtonTitle.isEmpty() ? QStringList() : QStringList{otherButtonTitle},
                     tag);
}

std::shared_ptr<ui::AlertView> QXUtil::showAlertViewWithAlertString(
    const QString& text, int tag, std::weak_ptr<ui::AlertViewDelegate> delegate) {
    return showAlert(QString(), text, std::move(delegate), QStringLiteral("取  消"), {kOkTitle},
                     tag);
}

void QXUtil::hideAlertView(ui::AlertOverlay& alert) {
    alert.dismissWithClickedButtonIndex(0, true);
}

void QXUtil::showAutoHideAlertViewWithMessage(const QString& text) {
    if (ui::Window* window = ui::Window::keyWindow())
        UIViewAddition::showFloatMessgeZP(*window, text);
}

void QXUtil::showAutoHideAlertViewWithMessage(const QString& text, int delay) {
    ns::Timer::scheduledTimer(ns::seconds(delay), false,
                              [text](ns::Timer&) { showAutoHideAlertViewWithMessage(text); });
}

bool QXUtil::isMobileNumber(const QString& text) {
    return TextChecks::isMobileNumber(text);
}

bool QXUtil::isPureNumandCharacters(const QString& text) {
    return TextChecks::isPureNumandCharacters(text);
}

bool QXUtil::isPureLetterCharacters(const QString& text) {
    if (text.isNull()) return false;
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.isLetter(); });
}

bool QXUtil::isEmpty(const QString& text) {
    return TextChecks::isEmpty(text);
}

bool QXUtil::isPurePhonesCharacters(const QString& text) {
    if (text.isNull()) return false;
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        return c.isDigit() || c == QLatin1Char('-') || c == QLatin1Char(',');
    });
}

bool QXUtil::CheckingResult(const QString& text) {
    if (text.isNull()) return false;
    static const QRegularExpression number(QStringLiteral("[0-9\\-]{5,17}"));
    static const QRegularExpression mail(
        QStringLiteral("\\b([a-zA-Z0-9%_.+\\-]+)@([a-zA-Z0-9.\\-]+?\\.[a-zA-Z]{2,6})\\b"));
    return text.isEmpty() || number.match(text).hasMatch() || mail.match(text).hasMatch();
}

QString QXUtil::isContainWebUrlString(const QString& text) {
    return TextChecks::firstWebUrl(text);
}

QString QXUtil::timeToNow(qint64 secondsSince1970) {
    return QXIMUtil::timeToNow(secondsSince1970);
}

QString QXUtil::dateString(const QDateTime& date, const QString& format) {
    return QXIMUtil::dateString(date, format);
}

QString QXUtil::currentTimeID() {
    return QString::number(qint64(ns::Clock::shared().timeIntervalSince1970()));
}

QString QXUtil::getPublicTime() {
    return QString::number(ns::Clock::shared().timeIntervalSince1970(), 'f', 6);
}

QString QXUtil::GetGUID() {
    return RequestStamp::newUUID();
}

QString QXUtil::getDocumentDirectory() {
    return DocumentFolder::path();
}

QString QXUtil::pathForDocumentWithFilename(const QString& name) {
    return DocumentFolder::filePath(name);
}

QString QXUtil::localFilePathByIndex(const QString& index, int cityScriptIndex) {
    return getDocumentDirectory() + QLatin1Char('/') +
           QStringLiteral("%1-%2").arg(cityScriptIndex).arg(index);
}

QString QXUtil::getAmrCacheDirectory() {
    return QXIMUtil::getAmrCacheDirectory();
}

QString QXUtil::getPicCacheDirectory() {
    return QXIMUtil::getPicCacheDirectory();
}

QString QXUtil::getAdCacheDirectory() {
    return QXIMUtil::getAdCacheDirectory();
}

QString QXUtil::getPrivateLetterDirectory() {
    return QXIMUtil::getPrivateLetterDirectory();
}

QString QXUtil::getDirectoryInDocumentWithName(const QString& name) {
    return folderUnder(getDocumentDirectory(), QLatin1Char('/') + name);
}

QDateTime QXUtil::getFileModifiedTime(const QString& path) {
    const auto attributes = ns::FileManager::attributesOfItemAtPath(path);
    return attributes ? attributes->modificationDate : QDateTime::fromSecsSinceEpoch(0);
}

void QXUtil::deleteFile(const QString& path) {
    if (ns::FileManager::fileExistsAtPath(path)) ns::FileManager::removeItemAtPath(path);
}

QString QXUtil::pathForTemporaryFileWithPrefix(const QString& prefix) {
    return QXIMUtil::pathForTemporaryFileWithPrefix(prefix);
}

// One mark for the whole app, so that the message store and the app's own files are
// skipped by the same backups.
bool QXUtil::addSkipBackupAttributeToItem(const QString& path) {
    return QXIMUtil::addSkipBackupAttributeToItem(path);
}

QString QXUtil::getWavCacheDirectory() {
    return QXIMUtil::getWavCacheDirectory();
}

bool QXUtil::fileExist(const QString& path) {
    return QXIMUtil::fileExist(path);
}

QString QXUtil::getClipedImageURLStringWithUrl(const QString& url, int width, int height) {
    return TextChecks::clipedImageURLString(url, width, height);
}

QString QXUtil::getHightQualityImageURLStringForWifiStatus(const QString& url) {
    return getHightQualityImageURLString(url, QXAppDelegate::sharedAppDelegate().useWifi());
}

QString QXUtil::getHightQualityImageURLString(const QString& url, bool useWifi) {
    return TextChecks::hightQualityImageURLString(url, useWifi);
}

QString QXUtil::macaddress() {
    if (DeviceSystemVersionIsiOS7()) return QXUID::qxuid(kSystemVersion);
    // Older systems send the network hardware's address instead.
    const std::optional<ns::NetworkInterface> interface = ns::NetworkInterface::primary();
    return interface ? interface->hardwareAddressText() : QString();
}

bool QXUtil::DeviceSystemVersionIsiOS7() {
    return kSystemVersion.toDouble() >= 7.0;
}

QString QXUtil::GetDeviceUID() {
    return {};
}

bool QXUtil::isNetworkAvailableFlags(std::uint32_t* flags) {
    // Flags that cannot be read are handed back as none.
    if (flags) *flags = 0;
    return QXIMUtil::isNetworkAvailableFlags(flags);
}

double QXUtil::bearingFromCoordinate(ui::Point from, ui::Point to) {
    const double radians = std::numbers::pi / 180;
    const double lat1 = from.x * radians, lat2 = to.x * radians;
    const double dLon = (to.y - from.y) * radians;
    const double y = std::sin(dLon) * std::cos(lat2);
    const double x =
        std::cos(lat1) * std::sin(lat2) - std::sin(lat1) * std::cos(lat2) * std::cos(dLon);
    return std::fmod(std::atan2(y, x) / radians + 360, 360);
}

double QXUtil::angleFromCoordinate(ui::Point from, ui::Point to) {
    return std::atan2(to.y - from.y, to.x - from.x) * 180 / std::numbers::pi;
}

void QXUtil::afterTenMinStartLocates() {
    auto& defaults = ns::UserDefaults::standardUserDefaults();
    const qint64 now = qint64(ns::Clock::shared().timeIntervalSince1970());
    if (now - defaults.integerForKey(QStringLiteral("startLocTime")) < 600) return;
    if (const auto& cities = QXAppDelegate::sharedAppDelegate().cityState()) {
        if (const auto location = cities->userLocation()) location->setState(UserLocationLocating);
    }
    LocationManager::locationManager()->startUpdates();
    defaults.setDouble(double(now), QStringLiteral("startLocTime"));
}

void QXUtil::mobStartWithAppKey(const QString& appKey) {
    StatClick::startWithAppkey(appKey, 0, EndpointTable::agency());
}

void QXUtil::mobEvent(const QString& eventId) {
    StatClick::event(eventId);
}

void QXUtil::mobEvent(const QString& eventId, const QString& label) {
    StatClick::event(eventId, label);
}

void QXUtil::mobEvent(const QString& eventId, const QVariantMap& attributes) {
    StatClick::event(eventId, attributes);
}

void QXUtil::mobBeginEvent(const QString& eventId) {
    StatClick::beginEvent(eventId);
}

void QXUtil::mobEndEvent(const QString& eventId) {
    StatClick::endEvent(eventId);
}

std::shared_ptr<ui::View> QXUtil::qxLoadingViewWithRect(const ui::Rect& frame, const QString& tip) {
    return QXLoadingView::loadingViewWithRect(frame, tip);
}

std::shared_ptr<ui::Label> QXUtil::customLableWithTextColor(const ui::Color& color,
                                                            const ui::Font& font) {
    auto label = std::make_shared<ui::Label>();
    label->setTextColor(color);
    label->setFont(font);
    return label;
}

std::shared_ptr<ui::ImageView> QXUtil::lineImageViewWithFrame(const ui::Rect& frame) {
    auto line = std::make_shared<ui::ImageView>(frame);
    line->setBackgroundColor(ui::Color::rgb(217, 217, 217));
    return line;
}

std::shared_ptr<ui::View> QXUtil::starViewByLevel(int level, int totalLevel) {
    return StarLevelView::starViewByLevel(level, totalLevel);
}

std::shared_ptr<ui::Image> QXUtil::imageWithColor(const ui::Color& color) {
    return ui::Image::imageWithColor(color, ui::Size(320, 44));
}

std::shared_ptr<ui::Image> QXUtil::createImageWithColor(const ui::Color& color) {
    return ui::Image::imageWithColor(color, ui::Size(1, 1));
}

std::shared_ptr<ui::Image> QXUtil::imageWithColor(const ui::Color& color, ui::Size size) {
    return ui::Image::imageWithColor(color, size);
}

namespace {
std::shared_ptr<ui::View> guideCover(const ui::Rect& frame, int tag) {
    auto cover = std::make_shared<ui::View>(frame);
    cover->setBackgroundColor(ui::Color::blackColor());
    cover->setAlpha(0.8);
    cover->setTag(tag);
    auto picture = std::make_shared<ui::ImageView>(ui::Rect(0, 100, 319, 248));
    picture->setImage(ui::Image::imageNamed(QStringLiteral("引导页文字1.png")));
    cover->addSubview(picture);
    return cover;
}
}  // namespace

std::shared_ptr<ui::View> QXUtil::showGuideView(const ui::Rect& frame) {
    return guideCover(frame, 6790);
}

std::shared_ptr<ui::View> QXUtil::showGuideView2(const ui::Rect& frame) {
    return guideCover(frame, 6791);
}

std::shared_ptr<ui::Label> QXUtil::makeLabel(const ui::Rect& frame, double fontSize,
                                             const QString& text, const ui::Color& background) {
    auto label = std::make_shared<ui::Label>(frame);
    label->setTextAlignment(ui::TextAlignment::Center);
    label->setFont(ui::Font::boldSystemFontOfSize(fontSize));
    label->setText(text);
    label->setBackgroundColor(background);
    return label;
}

std::shared_ptr<ui::Image> QXUtil::setImageStretchImage(const std::shared_ptr<ui::Image>& image) {
    if (!image) return nullptr;
    return image->stretchableImageWithLeftCapWidth(int(image->size().width / 2),
                                                   int(image->size().height / 2));
}

std::shared_ptr<ui::Image> QXUtil::getImageFromView(ui::View& view) {
    return view.snapshotImage();
}

std::shared_ptr<ui::Image> QXUtil::getImagePingPu(const std::shared_ptr<ui::Image>& image) {
    const double height = image ? image->size().height : 0;
    ui::GraphicsContext::beginImageContextWithOptions(ui::Size(320, height), false, 0);
    if (image) image->drawAsPatternInRect(ui::Rect(0, 0, 320, height));
    auto result = ui::GraphicsContext::imageFromCurrentImageContext();
    ui::GraphicsContext::endImageContext();
    return result;
}

namespace {
void placeTabBar(ui::TabBarController& tabs, bool hidden) {
    const double height = ui::Screen::mainScreen().bounds().height();
    const double barTop = hidden ? height : height - ui::TabBar::kHeight;
    ui::View::animateWithDuration(0.01, [&tabs, barTop] {
        for (const auto& subview : tabs.view()->subviews()) {
            ui::Rect frame = subview->frame();
            if (dynamic_cast<ui::TabBar*>(subview.get())) {
                frame.origin.y = barTop;
            } else {
                frame.size.height = barTop;
            }
            subview->setFrame(frame);
        }
    });
}
}  // namespace

void QXUtil::HideTabBar(ui::TabBarController& tabs) {
    placeTabBar(tabs, true);
}

void QXUtil::ShowTabBar(ui::TabBarController& tabs) {
    placeTabBar(tabs, false);
}

ui::Responder* QXUtil::getNextResponderWithResponder(ui::Responder* responder,
                                                     const QString& className) {
    for (ui::Responder* current = responder; current; current = current->nextResponder()) {
        if (current->className() == className) return current;
    }
    return nullptr;
}
