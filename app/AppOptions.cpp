#include "AppOptions.h"

#include "platform/location/driven_position_source.h"

AppOptions AppOptions::parse(const QStringList& arguments) {
    AppOptions options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        auto value = [&]() -> std::optional<QString> {
            if (i + 1 >= arguments.size()) return std::nullopt;
            return arguments[++i];
        };
        if (argument == QLatin1String("--headless")) {
            options.headless = true;
        } else if (argument == QLatin1String("--exit-after-first-frame")) {
            options.exitAfterFirstFrame = true;
        } else if (argument == QLatin1String("--no-position")) {
            options.position = QString();
        } else if (argument == QLatin1String("--server") ||
                   argument == QLatin1String("--sandbox") ||
                   argument == QLatin1String("--screenshot") ||
                   argument == QLatin1String("--screenshot-after") ||
                   argument == QLatin1String("--push") || argument == QLatin1String("--position")) {
            const std::optional<QString> given = value();
            if (!given) {
                options.error = argument + QStringLiteral(" needs a value");
                return options;
            }
            if (argument == QLatin1String("--server")) options.serverRoot = *given;
            if (argument == QLatin1String("--sandbox")) options.sandbox = *given;
            if (argument == QLatin1String("--screenshot")) options.screenshotPath = *given;
            if (argument == QLatin1String("--position")) {
                if (!loc::DrivenPositionSource::understands(*given)) {
                    options.error = QStringLiteral(
                        "--position needs LATITUDE,LONGITUDE[,ACCURACY] or off, denied, error0, "
                        "error1");
                    return options;
                }
                options.position = *given;
            }
            if (argument == QLatin1String("--screenshot-after")) {
                bool ok = false;
                options.screenshotAfter = given->toDouble(&ok);
                if (!ok || options.screenshotAfter < 0) {
                    options.error = QStringLiteral("--screenshot-after needs a number of seconds");
                    return options;
                }
            }
        } else {
            options.error = QStringLiteral("unknown argument ") + argument;
            return options;
        }
    }
    return options;
}

QString AppOptions::usage() {
    return QStringLiteral(
        "usage: housing [--server URL] [--sandbox DIR] [--headless]\n"
        "               [--screenshot FILE [--screenshot-after SECONDS]] "
        "[--exit-after-first-frame]\n"
        "               [--push JSON] [--position LAT,LNG | --no-position]\n"
        "  --server URL           root of the servers (default: $HOUSING_SERVER_ROOT)\n"
        "  --sandbox DIR          the app's Documents, Library and defaults (default: "
        "$HOUSING_SANDBOX)\n"
        "  --headless             no window, even when a display is there\n"
        "  --screenshot FILE      write a PNG of the window on SIGUSR1 and after "
        "--screenshot-after\n"
        "  --exit-after-first-frame  quit once the first frame is drawn (prints its time)\n"
        "  --push JSON            deliver a push payload to the app running on the sandbox,\n"
        "                         or store it for the next launch, and exit\n"
        "  --position LAT,LNG     where the device is (default: $HOUSING_POSITION; also\n"
        "                         LAT,LNG,ACCURACY, off, denied, error0 or error1)\n"
        "  --no-position          the device finds no position\n");
}
