#include "standin/KeptPort.h"

#include "standin/KeptJsonFile.h"
#include "standin/StandinServer.h"

#include <QJsonObject>

#include <cstdio>

namespace standin::KeptPort {

namespace {

constexpr int kHighestPort = 65535;

// The port the file names, or 0.
int portIn(const QString& path) {
    const auto kept = KeptJsonFile::read(path);
    if (!kept) return 0;
    const QJsonValue port = kept->value(QStringLiteral("port"));
    if (!port.isDouble()) return 0;
    const double number = port.toDouble();
    if (number < 1 || number > kHighestPort || number != static_cast<int>(number)) return 0;
    return static_cast<int>(number);
}

}  // namespace

int start(StandinServer& server, const QString& path) {
    KeptJsonFile::removeLeftovers(path);
    const int kept = portIn(path);
    // Another program may have taken the port since: then anywhere, and that is kept instead.
    int port = kept > 0 ? server.start(kept) : 0;
    if (port == 0) port = server.start(0);
    if (port != 0 && port != kept &&
        !KeptJsonFile::write(path, QJsonObject{{QStringLiteral("port"), port}})) {
        std::fprintf(stderr, "standin: cannot keep the port in %s\n", qPrintable(path));
    }
    return port;
}

}  // namespace standin::KeptPort
