#pragma once

// Whether a host can be reached, and how.
enum class ReachabilityStatus : int {
    Undetermined = -1,  // not yet known
    None = 0,           // not reachable
    WWAN = 1,           // reachable through the mobile network
    WiFi = 2,           // reachable through Wi-Fi
};
