#pragma once

#include <QString>

namespace ui {

enum class UserInterfaceIdiom { Phone = 0, Pad = 1 };

// The phone the app runs on: a phone of system version "7.0", so that the
// app's version-7 rules apply.
class Device {
public:
    [[nodiscard]] static Device& currentDevice();

    [[nodiscard]] QString name() const { return QStringLiteral("Housing Phone"); }
    [[nodiscard]] QString model() const { return QStringLiteral("Phone"); }
    [[nodiscard]] QString localizedModel() const { return model(); }
    [[nodiscard]] QString systemName() const { return QStringLiteral("Phone OS"); }
    [[nodiscard]] const QString& systemVersion() const { return systemVersion_; }
    // A host or a test may run the app as on an older system.
    void setSystemVersion(const QString& version) { systemVersion_ = version; }
    [[nodiscard]] UserInterfaceIdiom userInterfaceIdiom() const {
        return UserInterfaceIdiom::Phone;
    }
    [[nodiscard]] bool isMultitaskingSupported() const { return true; }
    // The vendor identifier: an upper-case UUID that stays the same for one sandbox.
    [[nodiscard]] QString identifierForVendor() const;

private:
    Device() = default;
    QString systemVersion_ = QStringLiteral("7.0");
};

}  // namespace ui
