#pragma once

#include <httplib.h>

// How long a test waits at most for the stand-in to start, to connect or to answer. Such a
// wait only ends a test that hangs, so it is far longer than any answer takes on a machine
// loaded many times over its cores (a control call carrying megabytes takes more than ten
// seconds there): it never decides whether a test passes.
constexpr time_t kStandinWaitSec = 120;

// A client for tests that call the stand-in directly (its waits: kStandinWaitSec).
inline httplib::Client standinClient(int port) {
    httplib::Client http("127.0.0.1", port);
    http.set_connection_timeout(kStandinWaitSec);
    http.set_read_timeout(kStandinWaitSec);
    return http;
}
