#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The program's command line.
//   housing [--server URL] [--sandbox DIR] [--headless]
//           [--screenshot FILE [--screenshot-after SECONDS]] [--exit-after-first-frame]
//           [--push JSON] [--position LAT,LNG | --no-position]
struct AppOptions {
    QString serverRoot;           // empty: HOUSING_SERVER_ROOT, else the default
    QString sandbox;              // empty: HOUSING_SANDBOX, else the user's data folder
    bool headless = false;        // no window even when a display is there
    QString screenshotPath;       // written after the delay and on every SIGUSR1
    double screenshotAfter = -1;  // seconds; below 0: only on SIGUSR1
    bool exitAfterFirstFrame = false;
    // The device's position, in the form of HOUSING_POSITION; empty for none ever found;
    // unset: as HOUSING_POSITION says.
    std::optional<QString> position;
    QString error;  // set when the line cannot be read

    [[nodiscard]] static AppOptions parse(const QStringList& arguments);
    [[nodiscard]] static QString usage();
};
