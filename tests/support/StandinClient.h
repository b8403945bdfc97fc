#pragma once

#include <httplib.h>

// A client for tests that call the stand-in directly. Its waits allow a busy machine and a
// sanitizer build: the first call about a city makes that city's sample posts, which takes
// seconds there.
inline httplib::Client standinClient(int port) {
    constexpr time_t kWaitSec = 60;
    httplib::Client http("127.0.0.1", port);
    http.set_connection_timeout(kWaitSec);
    http.set_read_timeout(kWaitSec);
    return http;
}
