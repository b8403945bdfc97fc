#pragma once

#include <QString>

// The alerts and floating messages of the housing screens, in the app's look: an alert with
// one "确  定" button and no delegate, and a short message over the key window that goes by
// itself.
struct HousesNotices {
    static void showAlert(const QString& message, const QString& title = {});
    // Shown after `delay` seconds on the clock (at once for 0).
    static void showFloatMessage(const QString& message, double delay = 0);
};
