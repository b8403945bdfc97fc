#include "chat/URLAudio.h"

#include "IMChat/qximlib/qximdata/util/QXIMUtil.h"
#include "net/transport/NKHTTPRequestOperation.h"

#include "platform/foundation/file_manager.h"
#include "platform/foundation/operation_queue.h"
#include "platform/foundation/url_request.h"
#include "platform/uikit/activity_indicator_view.h"

#include <QFileInfo>
#include <QSaveFile>

namespace {

ns::OperationQueue& audioQueue() {
    static ns::OperationQueue queue;
    return queue;
}

}  // namespace

URLAudio::URLAudio(const ui::Rect& frame) : ui::ImageView(frame) {
    setUserInteractionEnabled(true);
}

URLAudio::~URLAudio() {
    cancelImageRequestOperation();
}

void URLAudio::setUrl(const QString& url) {
    if (url == url_ && path_.isEmpty()) return;
    url_ = url;
    path_.clear();
    cancelImageRequestOperation();
    stopSpinner();
}

void URLAudio::setPath(const QString& path) {
    if (path == path_ && url_.isEmpty()) return;
    path_ = path;
    url_.clear();
    cancelImageRequestOperation();
    stopSpinner();
}

QString URLAudio::nameByAudioURL(const QString& url) {
    return url.isNull() ? QString() : QXIMUtil::MD5Encode(url);
}

QString URLAudio::name() const {
    if (!url_.isEmpty()) return nameByAudioURL(url_);
    if (!path_.isEmpty()) return QFileInfo(path_).fileName();
    return {};
}

bool URLAudio::localExist() const {
    const QString voice = name();
    return !voice.isEmpty() &&
           ns::FileManager::fileExistsAtPath(QXIMUtil::getAmrCacheDirectory() + '/' + voice);
}

bool URLAudio::isLoading() const {
    return spinner_ && spinner_->isAnimating();
}

void URLAudio::stopSpinner() {
    setUserInteractionEnabled(true);
    if (spinner_) spinner_->stopAnimating();
}

void URLAudio::startDownload(Completion completion) {
    if (url_.isEmpty()) return;
    stopSpinner();
    if (localExist()) {
        if (completion) completion(name());
        return;
    }
    startForceDownload(std::move(completion));
}

void URLAudio::startForceDownload(Completion completion) {
    if (url_.isEmpty()) return;
    if (!spinner_) {
        spinner_ =
            std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorViewStyle::White);
        spinner_->setHidesWhenStopped(true);
    }
    spinner_->setCenter({bounds().size.width / 2, bounds().size.height / 2});
    addSubview(spinner_);
    spinner_->startAnimating();
    setUserInteractionEnabled(false);

    cancelImageRequestOperation();
    ns::URLRequest request{QUrl(url_)};
    request.setHTTPShouldHandleCookies(false);
    request.setValue(QStringLiteral("audio/*"), QStringLiteral("Accept"));
    auto operation = std::make_shared<NKHTTPRequestOperation>(request);
    const std::weak_ptr<URLAudio> weak = weakAs<URLAudio>();
    const std::weak_ptr<NKHTTPRequestOperation> started = operation;
    const QString target =
        QXIMUtil::getAmrCacheDirectory() + QLatin1Char('/') + nameByAudioURL(url_);
    operation->setCompletionBlockWithSuccess(
        [weak, started, target, completion](const std::shared_ptr<NKHTTPRequestOperation>&,
                                            const QVariant& body) {
            auto self = weak.lock();
            // Only the view's current download answers.
            if (!self || self->operation_ != started.lock()) return;
            self->operation_.reset();
            self->stopSpinner();
            QSaveFile file(target);
            const bool written = file.open(QIODevice::WriteOnly) &&
                                 file.write(body.toByteArray()) >= 0 && file.commit();
            if (completion) completion(written ? self->name() : QString());
        },
        [weak, started, completion](const std::shared_ptr<NKHTTPRequestOperation>&,
                                    const ns::Error&) {
            auto self = weak.lock();
            if (!self || self->operation_ != started.lock()) return;
            self->operation_.reset();
            self->stopSpinner();
            if (completion) completion(QString());
        });
    operation_ = operation;
    audioQueue().addOperation(operation);
}

void URLAudio::cancelImageRequestOperation() {
    if (operation_) operation_->cancel();
    operation_.reset();
}
