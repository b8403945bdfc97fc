#include "RichTextTest.h"

#include "ReferenceImage.h"

#include "platform/foundation/sandbox.h"
#include "platform/uikit/image.h"
#include "platform/uikit/offscreen_host.h"
#include "platform/uikit/window.h"

#include <QBuffer>
#include <QDir>

void RichTextTest::SetUp() {
    BundleTest::SetUp();
    window = std::make_shared<ui::Window>();
    window->setBackgroundColor(ui::Color::whiteColor());
}

void RichTextTest::TearDown() {
    window.reset();
    BundleTest::TearDown();
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

QString base64Picture(int width, int height, Qt::GlobalColor color) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    solidImage(width, height, color).save(&buffer, "PNG");
    return QStringLiteral("base64:") + QString::fromLatin1(png.toBase64());
}
