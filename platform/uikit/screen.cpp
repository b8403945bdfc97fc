#include "platform/uikit/screen.h"

#include <QtGlobal>

namespace ui {

Screen::Screen() {
    if (qEnvironmentVariableIntValue("HOUSING_SCREEN_HEIGHT") == int(kTallHeight)) {
        height_ = kTallHeight;
    }
}

Screen& Screen::mainScreen() {
    static Screen screen;
    return screen;
}

}  // namespace ui
