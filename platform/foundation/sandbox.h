#pragma once

#include <QString>

#include <atomic>

namespace ns {

// The app's own folder, laid out as on the phone: Documents/, Library/Caches/,
// Library/Preferences/ (user defaults) and tmp/.
//
// The root is $HOUSING_SANDBOX when set, else a folder under the user's data
// folder. Tests give each case a root of its own with setRoot().
class Sandbox {
public:
    [[nodiscard]] static QString root();
    // Makes `path` the root and creates its folders. Objects that cache anything
    // read from the sandbox compare generation() to notice the change.
    static void setRoot(const QString& path);
    [[nodiscard]] static unsigned generation();

    [[nodiscard]] static QString documents();
    [[nodiscard]] static QString library();
    [[nodiscard]] static QString caches();
    [[nodiscard]] static QString preferences();
    [[nodiscard]] static QString tmp();
};

// The application bundle: the built resources/ folder. $HOUSING_BUNDLE overrides
// the folder the build put it in.
class Bundle {
public:
    // The app's identifier (CFBundleIdentifier of the bundle's Info.plist), which names its
    // preferences file among other things.
    [[nodiscard]] static QString bundleIdentifier() { return QStringLiteral("com.housing.app"); }

    [[nodiscard]] static QString resourcePath();
    static void setResourcePath(const QString& path);
    // The path of a resource, or an empty text when there is no such file.
    [[nodiscard]] static QString pathForResource(const QString& name, const QString& extension = {});
};

}  // namespace ns
