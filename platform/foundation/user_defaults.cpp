#include "platform/foundation/user_defaults.h"

#include "platform/foundation/file_manager.h"
#include "platform/foundation/property_list.h"
#include "platform/foundation/sandbox.h"

#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QtDebug>

#include <cmath>
#include <limits>

namespace ns {

namespace {

qsizetype skipSpaces(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace()) ++i;
    return i;
}

// The integer a text starts with, saturated at the ends of the range.
qint64 integerFromText(const QString& text) {
    qsizetype i = skipSpaces(text);
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    constexpr quint64 kLimit = quint64(std::numeric_limits<qint64>::max());
    quint64 magnitude = 0;
    for (; i < text.size() && text[i].isDigit() && text[i].unicode() < 128; ++i) {
        magnitude = magnitude * 10 + quint64(text[i].unicode() - '0');
        if (magnitude > kLimit + 1) magnitude = kLimit + 1;
    }
    if (negative)
        return magnitude > kLimit ? std::numeric_limits<qint64>::min() : -qint64(magnitude);
    return magnitude > kLimit ? std::numeric_limits<qint64>::max() : qint64(magnitude);
}

// The number a text starts with, read in the C locale.
double doubleFromText(const QString& text) {
    static const QRegularExpression number(
        QStringLiteral(R"(^\s*([+-]?(?:\d+\.?\d*|\.\d+)(?:[eE][+-]?\d+)?))"));
    const QRegularExpressionMatch match = number.match(text);
    if (!match.hasMatch()) return 0;
    return QLocale::c().toDouble(match.capturedView(1));
}

bool boolFromText(const QString& text) {
    qsizetype i = skipSpaces(text);
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) ++i;
    while (i < text.size() && text[i] == QLatin1Char('0')) ++i;
    if (i >= text.size()) return false;
    const char16_t first = text[i].unicode();
    return first == u'Y' || first == u'y' || first == u'T' || first == u't' ||
           (first >= u'1' && first <= u'9');
}

qint64 integerFromDouble(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 9223372036854775807.0) return std::numeric_limits<qint64>::max();
    if (value <= -9223372036854775808.0) return std::numeric_limits<qint64>::min();
    return qint64(value);
}

}  // namespace

UserDefaults& UserDefaults::standardUserDefaults() {
    // Never freed before the end of the process, whose exit writes what is pending.
    static UserDefaults instance;
    return instance;
}

UserDefaults::~UserDefaults() {
    std::lock_guard lock(mutex_);
    if (loaded_) writeLocked(false);
}

void UserDefaults::ensureCurrent() const {
    const unsigned generation = Sandbox::generation();
    if (loaded_ && generation == generation_) return;
    // The old sandbox may be gone already (tests remove theirs); then the changes go with it.
    if (loaded_) writeLocked(false);
    path_ = Sandbox::preferences() + QLatin1Char('/') + Bundle::bundleIdentifier() +
            QStringLiteral(".plist");
    values_.clear();
    registered_.clear();
    dirty_ = false;
    generation_ = generation;
    loaded_ = true;
    FileManager::removeAbandonedTemporaryFiles(path_);
    if (!QFileInfo::exists(path_)) return;
    Error error;
    const QVariant stored = PropertyList::readFile(path_, nullptr, &error);
    if (stored.typeId() == QMetaType::QVariantMap) {
        values_ = stored.toMap();
    } else {
        // The app starts with its defaults; the file is kept aside for inspection rather
        // than replaced by the next write.
        const auto aside = FileManager::moveAsideUnreadableFile(path_);
        qWarning().noquote() << "UserDefaults: the unreadable" << path_ << "is moved to"
                             << aside.value_or(QStringLiteral("(nowhere)")) << "-"
                             << error.localizedDescription();
    }
}

bool UserDefaults::writeLocked(bool warnOnFailure) const {
    if (!dirty_) return true;
    Error error;
    if (!PropertyList::writeFile(values_, path_, true, PropertyList::Format::Xml, &error)) {
        if (warnOnFailure) {
            qWarning().noquote() << "UserDefaults: cannot write" << path_ << "-"
                                 << error.localizedDescription();
        }
        return false;
    }
    dirty_ = false;
    return true;
}

void UserDefaults::changedLocked() {
    dirty_ = true;
    // A clock swapped by a test drops its pending calls; then a new one is scheduled.
    if (!autosave_.isPending()) {
        autosave_ = DelayedCall::schedule(kAutosaveDelay, [this] { synchronize(); });
    }
}

QVariant UserDefaults::valueLocked(const QString& key) const {
    ensureCurrent();
    const auto stored = values_.constFind(key);
    if (stored != values_.cend()) return *stored;
    return registered_.value(key);
}

QVariant UserDefaults::objectForKey(const QString& key) const {
    std::lock_guard lock(mutex_);
    return valueLocked(key);
}

QString UserDefaults::stringForKey(const QString& key) const {
    const QVariant value = objectForKey(key);
    switch (value.typeId()) {
        case QMetaType::QString:
            return value.toString();
        case QMetaType::LongLong:
            return QString::number(value.toLongLong());
        case QMetaType::ULongLong:
            return QString::number(value.toULongLong());
        case QMetaType::Double:
            return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
        case QMetaType::Bool:
            return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
        default:
            return {};
    }
}

qint64 UserDefaults::integerForKey(const QString& key) const {
    const QVariant value = objectForKey(key);
    switch (value.typeId()) {
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Bool:
            return value.toLongLong();
        case QMetaType::Double:
            return integerFromDouble(value.toDouble());
        case QMetaType::QString:
            return integerFromText(value.toString());
        default:
            return 0;
    }
}

double UserDefaults::doubleForKey(const QString& key) const {
    const QVariant value = objectForKey(key);
    switch (value.typeId()) {
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Bool:
        case QMetaType::Double:
            return value.toDouble();
        case QMetaType::QString:
            return doubleFromText(value.toString());
        default:
            return 0;
    }
}

bool UserDefaults::boolForKey(const QString& key) const {
    const QVariant value = objectForKey(key);
    switch (value.typeId()) {
        case QMetaType::Bool:
            return value.toBool();
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            return value.toULongLong() != 0;
        case QMetaType::Double:
            return value.toDouble() != 0;
        case QMetaType::QString:
            return boolFromText(value.toString());
        default:
            return false;
    }
}

QVariantList UserDefaults::arrayForKey(const QString& key) const {
    const QVariant value = objectForKey(key);
    return value.typeId() == QMetaType::QVariantList ? value.toList() : QVariantList();
}

QVariantMap UserDefaults::dictionaryForKey(const QString& key) const {
    const QVariant value = objectForKey(key);
    return value.typeId() == QMetaType::QVariantMap ? value.toMap() : QVariantMap();
}

QByteArray UserDefaults::dataForKey(const QString& key) const {
    const QVariant value = objectForKey(key);
    return value.typeId() == QMetaType::QByteArray ? value.toByteArray() : QByteArray();
}

bool UserDefaults::setObject(const QVariant& value, const QString& key) {
    if (!value.isValid()) {
        removeObjectForKey(key);
        return true;
    }
    // Kept as reading the file back would give it, so that a value reads the same before and
    // after a restart.
    Error error;
    const QVariant stored = PropertyList::canonical(value, &error);
    if (!stored.isValid()) {
        qWarning().noquote() << "UserDefaults: refusing the value for" << key << "-"
                             << error.localizedDescription();
        return false;
    }
    std::lock_guard lock(mutex_);
    ensureCurrent();
    values_.insert(key, stored);
    changedLocked();
    return true;
}

void UserDefaults::removeObjectForKey(const QString& key) {
    std::lock_guard lock(mutex_);
    ensureCurrent();
    if (values_.remove(key) > 0) changedLocked();
}

void UserDefaults::registerDefaults(const QVariantMap& defaults) {
    std::lock_guard lock(mutex_);
    ensureCurrent();
    for (auto it = defaults.cbegin(); it != defaults.cend(); ++it) {
        const QVariant value = PropertyList::canonical(it.value());
        if (value.isValid()) {
            registered_.insert(it.key(), value);
        } else {
            qWarning().noquote() << "UserDefaults: refusing the default for" << it.key();
        }
    }
}

bool UserDefaults::synchronize() {
    std::lock_guard lock(mutex_);
    ensureCurrent();
    return writeLocked();
}

QString UserDefaults::path() const {
    std::lock_guard lock(mutex_);
    ensureCurrent();
    return path_;
}

}  // namespace ns
