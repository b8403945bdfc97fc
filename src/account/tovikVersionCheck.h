#pragma once

#include <QString>
#include <QVariant>

#include <memory>

class tovikVersionCheck;

// Hears the version check's reply.
class tovikVersionCheckDelegate {
public:
    virtual ~tovikVersionCheckDelegate() = default;
    virtual void newNetWorkForToVikVersonCheck(tovikVersionCheck& checker) = 0;
};

// The version check: the data-share call "CheckVersion" with the device token, the screen
// width and the upgrade mode (1 at launch, 2 from the user centre). On success the reply is
// kept as data() and the delegate is told; a failure tells no one.
class tovikVersionCheck : public std::enable_shared_from_this<tovikVersionCheck> {
public:
    static inline const QString kInterface = QStringLiteral("CheckVersion");

    void CheckVersionWithDelegate(std::weak_ptr<tovikVersionCheckDelegate> delegate, int mode);
    [[nodiscard]] const QVariant& data() const { return data_; }
    // Takes a reply as the call's success does.
    void takeReply(const QVariant& reply);

private:
    QVariant data_;
    std::weak_ptr<tovikVersionCheckDelegate> delegate_;
};
