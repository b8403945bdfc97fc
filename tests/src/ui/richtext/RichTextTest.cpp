#include "RichTextTest.h"

#include "ReferenceImage.h"

#include "platform/foundation/sandbox.h"
#include "platform/uikit/image.h"
#include "platform/uikit/offscreen_host.h"
#include "platform/uikit/window.h"

#include <QBuffer>
#include <QDir>

void RichTextTest::SetUp() {
    SandboxTest::SetUp();
    previousBundle_ = ns::Bundle::resourcePath();
    const QString bundle = sandboxPath() + QStringLiteral("/bundle");
    QDir().mkpath(bundle);
    ns::Bundle::setResourcePath(bundle);
    ui::Image::clearNamedCache();
    window = std::make_shared<ui::Window>();
    window->setBackgroundColor(ui::Color::whiteColor());
}

void RichTextTest::TearDown() {
    window.reset();
    ui::Image::clearNamedCache();
    ns::Bundle::setResourcePath(previousBundle_);
    SandboxTest::TearDown();
}

void RichTextTest::writeBundleImage(const QString& fileName, const QImage& image) {
    ASSERT_TRUE(image.save(ns::Bundle::resourcePath() + '/' + fileName, "PNG"));
}

std::shared_ptr<RichTextView> RichTextTest::showView(const ui::Rect& frame, const QString& markup) {
    auto view = std::make_shared<RichTextView>(frame);
    view->setVerbose(false);
    view->setText(markup);
    window->addSubview(view);
    return view;
}

QImage RichTextTest::render() const {
    return ui::OffscreenHost(window).render()->uprightPixels();
}

::testing::AssertionResult RichTextTest::matchesReference(const QImage& image,
                                                          const QString& name) {
    return matchesReferenceImage(image, QStringLiteral("src/ui/reference"), name);
}

QImage solidImage(int width, int height, Qt::GlobalColor color) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

QString base64Picture(int width, int height, Qt::GlobalColor color) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    solidImage(width, height, color).save(&buffer, "PNG");
    return QStringLiteral("base64:") + QString::fromLatin1(png.toBase64());
}
