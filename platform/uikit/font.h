#pragma once

#include <QFont>
#include <QString>

#include <memory>

class QPaintDevice;

namespace ui {

// A font by point size. Every font, the system fonts and any named one, is the
// one bundled Chinese face, so that text measures the same on every machine; a
// name containing "Bold" gives its bold form.
class Font {
public:
    static constexpr double kSystemFontSize = 14;
    static constexpr double kSmallSystemFontSize = 12;
    static constexpr double kLabelFontSize = 17;
    static constexpr double kButtonFontSize = 18;

    // The system font of the label size.
    Font();

    [[nodiscard]] static Font systemFontOfSize(double pointSize);
    [[nodiscard]] static Font boldSystemFontOfSize(double pointSize);
    [[nodiscard]] static Font italicSystemFontOfSize(double pointSize);
    [[nodiscard]] static Font fontWithName(const QString& name, double pointSize);

    [[nodiscard]] Font fontWithSize(double pointSize) const;

    [[nodiscard]] const QString& fontName() const;
    [[nodiscard]] QString familyName() const;
    [[nodiscard]] double pointSize() const;
    [[nodiscard]] bool isBold() const;
    // Metrics in points; the descender is negative, as the platform gives it.
    [[nodiscard]] double ascender() const;
    [[nodiscard]] double descender() const;
    [[nodiscard]] double leading() const;
    // The distance from one line's top to the next line's top.
    [[nodiscard]] double lineHeight() const;
    [[nodiscard]] double capHeight() const;
    [[nodiscard]] double xHeight() const;

    [[nodiscard]] const QFont& toQt() const;

    // Loads the bundled face once (needs the GUI application); true when it is in use.
    static bool ensureBundledFontLoaded();
    [[nodiscard]] static QString bundledFamily();
    // Text is measured and drawn on devices of 72 dots per inch, one dot per point.
    [[nodiscard]] static QPaintDevice* measuringDevice();

    friend bool operator==(const Font& a, const Font& b);

private:
    struct Data;
    explicit Font(std::shared_ptr<const Data> data) : data_(std::move(data)) {}
    static Font make(const QString& name, double pointSize, bool bold, bool italic);

    std::shared_ptr<const Data> data_;
};

}  // namespace ui
