#pragma once

#include "HangWait.h"

#include <httplib.h>

// How long a test waits at most for the stand-in to start, to connect or to answer (a control
// call carrying megabytes takes more than ten seconds on a busy machine).
constexpr time_t kStandinWaitSec = kHangWait.count();

// A client for tests that call the stand-in directly (its waits: kStandinWaitSec).
inline httplib::Client standinClient(int port) {
    httplib::Client http("127.0.0.1", port);
    http.set_connection_timeout(kStandinWaitSec);
    http.set_read_timeout(kStandinWaitSec);
    return http;
}
