#pragma once

#include "platform/uikit/image_view.h"

#include <QString>

#include <functional>
#include <memory>

namespace ui {
class ActivityIndicatorView;
}
class NKHTTPRequestOperation;

// The voice bubble's icon: it downloads the AMR file of a voice message into the AMR cache under
// the MD5 of its URL and tells the caller that name, which is what the voice player plays. A
// voice recorded on this device and not yet uploaded has a path instead of a URL.
class URLAudio : public ui::ImageView {
public:
    // The downloaded voice's name, or an empty text when the download failed.
    using Completion = std::function<void(const QString& name)>;

    explicit URLAudio(const ui::Rect& frame);
    ~URLAudio() override;

    [[nodiscard]] const QString& url() const { return url_; }
    // Setting one clears the other; a different value also stops a download under way.
    void setUrl(const QString& url);
    [[nodiscard]] const QString& path() const { return path_; }
    void setPath(const QString& path);
    // The MD5 of the URL, else the last part of the path, else empty.
    [[nodiscard]] QString name() const;
    [[nodiscard]] static QString nameByAudioURL(const QString& url);
    // The voice's file is in the AMR cache.
    [[nodiscard]] bool localExist() const;
    // Hands the name over at once when the file is there, else downloads it; nothing without
    // a URL.
    void startDownload(Completion completion);
    // Downloads even when the file is there (and replaces it).
    void startForceDownload(Completion completion);
    void cancelImageRequestOperation();
    [[nodiscard]] bool isLoading() const;

private:
    void stopSpinner();

    QString url_;
    QString path_;
    std::shared_ptr<ui::ActivityIndicatorView> spinner_;
    std::shared_ptr<NKHTTPRequestOperation> operation_;
};
