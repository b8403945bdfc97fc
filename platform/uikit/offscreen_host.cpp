#include "platform/uikit/offscreen_host.h"

#include "platform/uikit/image.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/window.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace ui {

OffscreenHost::OffscreenHost(std::shared_ptr<Window> window, double scale)
    : window_(std::move(window)), scale_(scale > 0 ? scale : Screen::mainScreen().scale()) {}

std::shared_ptr<Image> OffscreenHost::render() const {
    return window_->renderImage(scale_);
}

bool OffscreenHost::renderToFile(const QString& path) const {
    const QByteArray png = render()->PNGRepresentation();
    if (png.isEmpty()) return false;
    QDir().mkpath(QFileInfo(path).absolutePath());
    // Written whole or not at all.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(png);
    return file.commit();
}

}  // namespace ui
