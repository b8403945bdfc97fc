#pragma once

#include "BundleTest.h"

#include "ui/richtext/RichTextView.h"

#include <QImage>
#include <QString>

#include <memory>

// Base fixture of the rich-text tests: a sandbox with a bundle folder of its own for
// inline images, and a window to show views in.
class RichTextTest : public BundleTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A view of `frame` with `markup`, shown in the window.
    std::shared_ptr<RichTextView> showView(const ui::Rect& frame, const QString& markup);
    // The window as it shows now, at two pixels per point.
    [[nodiscard]] QImage render() const;
    ::testing::AssertionResult matchesReference(const QImage& image, const QString& name);

    std::shared_ptr<ui::Window> window;
};

// A solid-colour PNG, as "base64:" markup data.
[[nodiscard]] QString base64Picture(int width, int height, Qt::GlobalColor color);
