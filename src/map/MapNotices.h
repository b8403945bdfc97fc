#pragma once

#include <QString>

// The alerts and auto-hiding notices of the shop map.
struct MapNotices {
    static void showAlert(const QString& message, const QString& title = {});
    // A floating notice over the key window that goes by itself.
    static void showAutoHide(const QString& message);
};
