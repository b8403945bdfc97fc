#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <optional>

namespace ui {
class ViewController;
}

// What an uploading screen may hear of its upload: a screen that uploads mixes this in
// and says which of the optional methods it answers; the answers are looked up when the
// reply arrives.
class UploadResultCallbacks {
public:
    // The optional methods, as bits of uploadCallbacksAnswered().
    enum Answered : unsigned {
        kReturnResultUserInfo = 1u << 0,
        kReturnResultTempPath = 1u << 1,
        kReturnResult = 1u << 2,
        kFaildResult = 1u << 3,
    };

    virtual ~UploadResultCallbacks();

    // The bits of the methods this screen answers; none by default.
    [[nodiscard]] virtual unsigned uploadCallbacksAnswered() const;

    // The server's reply (parsed; nil when it was not JSON) and the upload's user info.
    virtual void uploadReturnResultUserInfo(const QVariant& reply, const QVariant& userInfo);
    // The reply and the user info's "temp-path".
    virtual void uploadReturnResultTempPath(const QVariant& reply, const QVariant& tempPath);
    virtual void uploadReturnResult(const QVariant& reply);
    // The failure {"msg": ...} (a cancellation has "Code=-999" in it) and the user info when
    // the screen answers uploadReturnResultUserInfo, else nil.
    virtual void uploadFaildResult(const QVariantMap& failure, const QVariant& userInfo);
};

// The upload routine every screen has: one JPEG picture or one AMR voice note sent as
// "UploadImages" to the data-share server, the outcome reported to the screen through
// UploadResultCallbacks (when it mixes them in), on the main queue. The screen is held
// weakly: one that has gone away hears nothing.
//
// Uploads do not cancel one another: a screen may send a second picture while the first
// is still on its way, and both arrive. cancelUpload() stops every upload on its way.
namespace ViewControllerUpload {

// The user info key of the temporary file an upload came from.
inline const QString kTempPathKey = QStringLiteral("temp-path");

// Starts an upload of `data` as `kind` (0 picture, 1 voice) with `userInfo` handed back to
// the screen. NO, and nothing sent, when the data are absent or the kind is neither; empty
// data are sent.
bool uploadData(const std::shared_ptr<ui::ViewController>& controller,
                const std::optional<QByteArray>& data, int kind, const QVariant& userInfo);
// The same with no user info.
bool uploadData(const std::shared_ptr<ui::ViewController>& controller,
                const std::optional<QByteArray>& data, int kind);
// The same with the user info {"temp-path": path}, or none for a null path.
bool uploadDataTempFilePath(const std::shared_ptr<ui::ViewController>& controller,
                            const std::optional<QByteArray>& data, int kind,
                            const QString& tempFilePath);
// Cancels the uploads on their way; each fails with "Code=-999".
void cancelUpload(const std::shared_ptr<ui::ViewController>& controller);

}  // namespace ViewControllerUpload
