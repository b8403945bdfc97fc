#pragma once

#include <QString>

namespace standin {

class StandinServer;

// The port a demo sandbox's stand-in listens on, kept in a file across its runs. The app keeps
// whole addresses the servers gave it (those of its uploaded pictures and voices, in its
// messages), and they name the port: a server that came back elsewhere would leave them
// pointing nowhere.
namespace KeptPort {

// Starts `server` on the port the file names while that port is free, else on a free port,
// and writes the port it listens on to the file (a warning on stderr when it cannot). A file
// that names no port (missing, no JSON object, no "port" from 1 to 65535) is taken for none.
// The port, or 0 when the server listens nowhere.
int start(StandinServer& server, const QString& path);

}  // namespace KeptPort

}  // namespace standin
