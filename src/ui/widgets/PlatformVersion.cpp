#include "ui/widgets/PlatformVersion.h"

#include "platform/uikit/device.h"

bool PlatformVersion::isVersion7OrLater() {
    return ui::Device::currentDevice().systemVersion().toDouble() >= 7.0;
}
