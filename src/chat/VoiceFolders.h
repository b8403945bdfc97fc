#pragma once

#include <QString>

// Where voices are kept: recordings and decoded WAV files in the app's temporary folder, AMR
// files (as sent and received) in Documents/audCache.
namespace VoiceFolders {

[[nodiscard]] QString wavCacheDirectory();
// Created when missing.
[[nodiscard]] QString amrCacheDirectory();

}  // namespace VoiceFolders
