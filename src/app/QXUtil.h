#pragma once

#include "platform/uikit/color.h"
#include "platform/uikit/font.h"
#include "platform/uikit/geometry.h"

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <memory>

namespace ui {
class TabBarController;
class AlertOverlay;
class AlertView;
class AlertViewDelegate;
class Image;
class ImageView;
class Label;
class Responder;
class View;
}  // namespace ui

// Shared utility functions of the app: alerts and notices, input tests, time texts and
// ids, the document and cache folders, image-URL rewriting, the device id, the analytics
// wrappers and small view and image factories. Main thread, except the pure functions.
class QXUtil {
public:
    // Alerts. The text "您的网络好像有些问题，请重试。" stands in for an empty message.
    static std::shared_ptr<ui::AlertView> showAlertViewWithAlertString(const QString& text);
    static std::shared_ptr<ui::AlertView> showAlertViewWithAlertTitle(const QString& title,
                                                                      const QString& text);
    static std::shared_ptr<ui::AlertView> showAlertViewWithAlertTitle(
        const QString& title, const QString& message, std::weak_ptr<ui::AlertViewDelegate> delegate,
        const QString& cancelButtonTitle, const QString& otherButtonTitle, int tag);
    // Empty title, the buttons "取  消" and "确  定", the tag and the delegate.
    static std::shared_ptr<ui::AlertView> showAlertViewWithAlertString(
        const QString& text, int tag, std::weak_ptr<ui::AlertViewDelegate> delegate);
    // Dismisses an alert as its button 0 would, animated.
    static void hideAlertView(ui::AlertOverlay& alert);
    // A floating notice on the key window that hides itself; the delayed form shows it
    // after `delay` seconds.
    static void showAutoHideAlertViewWithMessage(const QString& text);
    static void showAutoHideAlertViewWithMessage(const QString& text, int delay);

    // Input tests.
    [[nodiscard]] static bool isMobileNumber(const QString& text);
    [[nodiscard]] static bool isPureNumandCharacters(const QString& text);
    [[nodiscard]] static bool isPureLetterCharacters(const QString& text);
    [[nodiscard]] static bool isEmpty(const QString& text);
    // Digits, "-" and "," only.
    [[nodiscard]] static bool isPurePhonesCharacters(const QString& text);
    // Whether the text may carry contact details: empty, a run of 5 to 17 digits and hyphens,
    // or an e-mail address. A null text answers NO.
    [[nodiscard]] static bool CheckingResult(const QString& text);
    // The first link in the text, or a null text.
    [[nodiscard]] static QString isContainWebUrlString(const QString& text);

    // "N分钟前", "N小时前", "N天前" or "MM-dd" for a time in seconds since 1970.
    [[nodiscard]] static QString timeToNow(qint64 secondsSince1970);
    // The date in the device's time zone, formatted by the date-format pattern.
    [[nodiscard]] static QString dateString(const QDateTime& date, const QString& format);
    // Whole seconds since 1970 as text (names of recorded files).
    [[nodiscard]] static QString currentTimeID();
    // Seconds since 1970 with six decimals.
    [[nodiscard]] static QString getPublicTime();
    // A new UUID as upper-case hyphenated text.
    [[nodiscard]] static QString GetGUID();

    // The document folder: Documents/<client version>, made when missing.
    [[nodiscard]] static QString getDocumentDirectory();
    [[nodiscard]] static QString pathForDocumentWithFilename(const QString& name);
    // The per-city filter definition file "<city>-<index>".
    [[nodiscard]] static QString localFilePathByIndex(const QString& index, int cityScriptIndex);
    [[nodiscard]] static QString getAmrCacheDirectory();
    [[nodiscard]] static QString getPicCacheDirectory();
    [[nodiscard]] static QString getWavCacheDirectory();
    [[nodiscard]] static QString getAdCacheDirectory();
    [[nodiscard]] static QString getPrivateLetterDirectory();
    // A folder of that name in the document folder, made when missing.
    [[nodiscard]] static QString getDirectoryInDocumentWithName(const QString& name);
    // An existing file that is not a folder.
    [[nodiscard]] static bool fileExist(const QString& path);
    // The file's modification date, or the start of 1970 when there is no such file.
    [[nodiscard]] static QDateTime getFileModifiedTime(const QString& path);
    static void deleteFile(const QString& path);
    // The temporary folder + "/<prefix>-<new UUID>".
    [[nodiscard]] static QString pathForTemporaryFileWithPrefix(const QString& prefix);
    // Keeps an existing item out of backups (an attribute in the file system); NO when the
    // item is missing or the attribute cannot be set.
    static bool addSkipBackupAttributeToItem(const QString& path);

    // Image-host URLs: "<a>_<w>-<h>c_<c>" from "<a>_<b>_<c>..."; quality "_7-" becomes "_8-"
    // on Wi-Fi and "_5-" otherwise.
    [[nodiscard]] static QString getClipedImageURLStringWithUrl(const QString& url, int width,
                                                                int height);
    [[nodiscard]] static QString getHightQualityImageURLStringForWifiStatus(const QString& url);
    [[nodiscard]] static QString getHightQualityImageURLString(const QString& url, bool useWifi);

    // The device id, sent as "mac" and "imei": from system version 7.0 on the id kept in
    // the keychain (QXUID), before it the network hardware's address as 12 upper-case
    // hexadecimal digits (nothing when there is none). The device reports 7.0.
    [[nodiscard]] static QString macaddress();
    // Whether the device's system version, read as a number, is 7.0 or more.
    [[nodiscard]] static bool DeviceSystemVersionIsiOS7();
    // This device has no id of its own here: always a null text.
    [[nodiscard]] static QString GetDeviceUID();
    // Reachability of the default route: the flags go to `flags`; YES when reachable and
    // either cellular or needing no connection first.
    static bool isNetworkAvailableFlags(std::uint32_t* flags);
    // The initial great-circle bearing in degrees (0 to 360) and a plain arc-tangent angle
    // between two coordinates (latitude, longitude in degrees).
    [[nodiscard]] static double bearingFromCoordinate(ui::Point from, ui::Point to);
    [[nodiscard]] static double angleFromCoordinate(ui::Point from, ui::Point to);
    // Starts locating again when the last start ("startLocTime") is 600 s or more ago.
    static void afterTenMinStartLocates();

    // The analytics wrappers: the only road from the app to the analytics recorder.
    static void mobStartWithAppKey(const QString& appKey);
    static void mobEvent(const QString& eventId);
    static void mobEvent(const QString& eventId, const QString& label);
    static void mobEvent(const QString& eventId, const QVariantMap& attributes);
    static void mobBeginEvent(const QString& eventId);
    static void mobEndEvent(const QString& eventId);

    // Views and images.
    // A white view (tag LoadingOverlay::kTag) with a turning loading picture and the text + "..."
    // under it.
    [[nodiscard]] static std::shared_ptr<ui::View> qxLoadingViewWithRect(const ui::Rect& frame,
                                                                         const QString& tip);
    [[nodiscard]] static std::shared_ptr<ui::Label> customLableWithTextColor(const ui::Color& color,
                                                                             const ui::Font& font);
    [[nodiscard]] static std::shared_ptr<ui::ImageView> lineImageViewWithFrame(
        const ui::Rect& frame);
    [[nodiscard]] static std::shared_ptr<ui::View> starViewByLevel(int level, int totalLevel);
    [[nodiscard]] static std::shared_ptr<ui::Image> imageWithColor(const ui::Color& color);
    [[nodiscard]] static std::shared_ptr<ui::Image> createImageWithColor(const ui::Color& color);
    [[nodiscard]] static std::shared_ptr<ui::Image> imageWithColor(const ui::Color& color,
                                                                   ui::Size size);
    // A black cover at alpha 0.8 with the picture "引导页文字1.png" (tags 6790 and 6791).
    [[nodiscard]] static std::shared_ptr<ui::View> showGuideView(const ui::Rect& frame);
    [[nodiscard]] static std::shared_ptr<ui::View> showGuideView2(const ui::Rect& frame);
    // A centred label with a bold font of that size, the text and the background.
    [[nodiscard]] static std::shared_ptr<ui::Label> makeLabel(const ui::Rect& frame,
                                                              double fontSize, const QString& text,
                                                              const ui::Color& background);
    [[nodiscard]] static std::shared_ptr<ui::Image> setImageStretchImage(
        const std::shared_ptr<ui::Image>& image);
    [[nodiscard]] static std::shared_ptr<ui::Image> getImageFromView(ui::View& view);
    // The image repeated across 320 points at its own height (320 x 0 for none).
    [[nodiscard]] static std::shared_ptr<ui::Image> getImagePingPu(
        const std::shared_ptr<ui::Image>& image);
    // Moves a tab controller's bar below the screen (the other views take its height) and
    // back, in a 0.01 s animation.
    static void HideTabBar(ui::TabBarController& tabs);
    static void ShowTabBar(ui::TabBarController& tabs);
    // The responder itself or the first of its next responders whose class is `className`.
    [[nodiscard]] static ui::Responder* getNextResponderWithResponder(ui::Responder* responder,
                                                                      const QString& className);
};
