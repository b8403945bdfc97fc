#pragma once

#include <QByteArray>
#include <QVariant>

#include <memory>
#include <optional>

// An object that uploads pictures and voice notes for itself (screens use
// ViewControllerUpload instead) and hears how its uploads go; every method does nothing
// unless overridden. `kind` is the upload's kind (0 picture, 1 voice).
class Uploader {
public:
    virtual ~Uploader();

    // The share of the body sent so far, from 0 to 1.
    virtual void uploadProgress(double progress, int kind, const QVariant& userInfo);
    // The server took the file: its reply (parsed; nil when it was not JSON).
    virtual void uploadReturnResult(const QVariant& reply, int kind, const QVariant& userInfo);
    // The upload failed ({"msg": ...}) or the server refused it (its reply, with a negative
    // "status").
    virtual void uploadFaildResult(const QVariant& failure, int kind, const QVariant& userInfo);
};

// The upload routine of Uploader objects: as the screens' one, with the client identity
// and the server of the messaging library's configuration, the user's messaging key as
// "userId", the arguments {"imageCount":"1","nowatermark":"1"} (plus "width" and "height"
// for a picture whose user info gives both, each at least 1), the upload's progress, and
// the server's refusal told apart from its acceptance. The receiver is held weakly.
namespace ObjectUploader {

// NO, and nothing sent, when the data are absent or the kind is neither 0 nor 1.
bool uploadData(const std::shared_ptr<Uploader>& receiver, const std::optional<QByteArray>& data,
                int kind, const QVariant& userInfo);
// Cancels the uploads on their way to the messaging library's server.
void cancelUpload(const std::shared_ptr<Uploader>& receiver);

// The arguments of the first part for `kind` and `userInfo`.
[[nodiscard]] QString jsonArguments(int kind, const QVariant& userInfo);

}  // namespace ObjectUploader
