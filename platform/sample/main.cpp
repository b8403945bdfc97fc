// The sample window of the user-interface stand-in in a desktop window, to try the stand-ins by
// hand (its settings tab records and plays a voice note on the desktop's sound server, or on
// the file device that HOUSING_AUDIO_DEVICE=file names).
#include "platform/uikit/interactive_host.h"
#include "platform/uikit/sample_window.h"

#include <QGuiApplication>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    ui::InteractiveHost host(ui::SampleWindow::create());
    host.show();
    QObject::connect(&app, &QGuiApplication::lastWindowClosed, &app, &QGuiApplication::quit);
    return QGuiApplication::exec();
}
