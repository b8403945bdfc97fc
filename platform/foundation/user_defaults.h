#pragma once

#include "platform/foundation/clock.h"
#include "platform/foundation/timer.h"

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <chrono>
#include <mutex>

namespace ns {

// The app's settings store: values under keys, kept as an XML property list at
// Library/Preferences/<bundle identifier>.plist of the sandbox.
//
// A change is written kAutosaveDelay after it was made (later changes in that time join
// the same write) and at once by synchronize(); pending changes are also written when the
// sandbox changes and when the process ends. Waiting a moment lets the bursts of changes the
// app makes (a counter per request, a group of settings) cost one write, while a crash can
// lose at most the last moment's changes, and none after synchronize(). Every write replaces
// the whole file atomically, so the file is never seen half-written.
//
// Reads look at the stored values first and then at the registered defaults, which are never
// stored. The typed reads convert as the platform does: numbers and texts turn into each
// other ("60" reads as the integer 60), anything else reads as 0, NO or nothing.
//
// Any thread may use it.
class UserDefaults {
public:
    static constexpr Duration kAutosaveDelay = std::chrono::seconds(1);

    // The store of the current sandbox. When a test sets a new sandbox root, the store writes
    // its pending changes to the old one and reads the new one.
    static UserDefaults& standardUserDefaults();

    // nil when the key has no value.
    [[nodiscard]] QVariant objectForKey(const QString& key) const;
    // A text, or a number's text; a null text otherwise.
    [[nodiscard]] QString stringForKey(const QString& key) const;
    // A number, or the number a text starts with; 0 otherwise.
    [[nodiscard]] qint64 integerForKey(const QString& key) const;
    [[nodiscard]] double doubleForKey(const QString& key) const;
    [[nodiscard]] float floatForKey(const QString& key) const { return float(doubleForKey(key)); }
    // A number other than 0, or a text starting with Y, y, T, t or 1-9 (after spaces, a sign
    // and zeros).
    [[nodiscard]] bool boolForKey(const QString& key) const;
    // The value when it is an array (a dictionary, data), else an empty one.
    [[nodiscard]] QVariantList arrayForKey(const QString& key) const;
    [[nodiscard]] QVariantMap dictionaryForKey(const QString& key) const;
    [[nodiscard]] QByteArray dataForKey(const QString& key) const;

    // Stores `value` (nil removes the key). A value a property list cannot hold is refused
    // with a warning and false, and the old value stays.
    bool setObject(const QVariant& value, const QString& key);
    void setInteger(qint64 value, const QString& key) { setObject(value, key); }
    void setBool(bool value, const QString& key) { setObject(value, key); }
    void setDouble(double value, const QString& key) { setObject(value, key); }
    void setFloat(float value, const QString& key) { setObject(double(value), key); }
    void removeObjectForKey(const QString& key);
    // Values that keys show while nothing is stored under them; they live in memory only.
    void registerDefaults(const QVariantMap& defaults);

    // Writes pending changes now; false when the write failed (the changes stay pending).
    bool synchronize();

    // The file of the current sandbox.
    [[nodiscard]] QString path() const;

    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

private:
    UserDefaults() = default;
    ~UserDefaults();

    // Reloads when the sandbox changed since the last load. Needs mutex_.
    void ensureCurrent() const;
    [[nodiscard]] QVariant valueLocked(const QString& key) const;
    void changedLocked();
    bool writeLocked(bool warnOnFailure = true) const;

    mutable std::mutex mutex_;
    mutable bool loaded_ = false;
    mutable unsigned generation_ = 0;
    mutable QString path_;
    mutable QVariantMap values_;
    mutable QVariantMap registered_;
    mutable bool dirty_ = false;
    DelayedCall autosave_;
};

}  // namespace ns
