#pragma once

// Several widgets look and measure differently before version 7 of the platform.
namespace PlatformVersion {

// Whether the device's system version, read as a number, is 7.0 or more.
[[nodiscard]] bool isVersion7OrLater();

}  // namespace PlatformVersion
