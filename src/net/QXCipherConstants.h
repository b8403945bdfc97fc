#pragma once

// The secrets the app shares with the data-share server for protecting posters' phone
// numbers. Plain C++ with no Qt, so the stand-in server can include this very header and
// stay in step with the app.

#include <array>
#include <cstdint>

namespace qxcipher {

// The DES key text; key bytes are its UTF-8 bytes cut to or filled with zeros up to 8.
inline constexpr char kDESKey[] = "Kd,pWmta";

// The initialisation vector is assembled from these two words, most significant byte
// first, high word before low word: 6A 3F 92 C5 1D B4 E0 78.
inline constexpr std::uint32_t kDESIVHigh = 0x6A3F92C5u;
inline constexpr std::uint32_t kDESIVLow = 0x1DB4E078u;

inline constexpr std::array<std::uint8_t, 8> kDESInitialisationVector = {
    static_cast<std::uint8_t>(kDESIVHigh >> 24), static_cast<std::uint8_t>(kDESIVHigh >> 16),
    static_cast<std::uint8_t>(kDESIVHigh >> 8),  static_cast<std::uint8_t>(kDESIVHigh),
    static_cast<std::uint8_t>(kDESIVLow >> 24),  static_cast<std::uint8_t>(kDESIVLow >> 16),
    static_cast<std::uint8_t>(kDESIVLow >> 8),   static_cast<std::uint8_t>(kDESIVLow),
};

}  // namespace qxcipher
