// The painting helpers every picture group of the generator uses: one way to write a picture
// at two pixels per point, the bundled font, the colours the pictures share and the shapes
// several groups draw.
#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QRectF>
#include <QString>

#include <functional>

namespace pictures {

// The app's green and its darker pressed shade, the grey of inactive icons and the red of
// badges and alerts.
inline const QColor kGreen(86, 186, 34);
inline const QColor kDarkGreen(60, 150, 20);
inline const QColor kGrey(138, 138, 138);
inline const QColor kRed(230, 60, 50);
// The reusable widgets' and the post list's palette: a lighter green, the grey of arrows and
// the pink of the chosen slider mark.
inline const QColor kWidgetGreen(92, 187, 57);
inline const QColor kArrowGrey(150, 150, 150);
inline const QColor kPink(255, 89, 131);
inline const QColor kOrange(247, 127, 0);
inline const QColor kBlue(60, 140, 230);

// Makes `folder` the output folder and loads the bundled font; false (with a message on
// stderr) when the font is missing.
bool begin(const QString& folder);

// Draws a picture of `width` x `height` points on a transparent ground and writes it as
// "<name>@2x.png" (a trailing ".png" of `name` is dropped; a folder in it is made).
void draw(const QString& name, double width, double height,
          const std::function<void(QPainter&)>& paint);

// How many pictures could not be written.
int failures();

// The bundled font at `points` pixels per point-size, unhinted so that every machine draws
// the same pixels.
QFont font(double points, bool bold = false);

// A rounded rectangle filled with `fill`, outlined one point wide with `line` when it is valid.
void roundedBox(QPainter& p, const QRectF& rect, double radius, const QColor& fill,
                const QColor& line = {});

// A filled triangle spanning the picture, pointing down or up.
void triangle(const QString& name, double width, double height, const QColor& colour, bool down);

// A bar's background, 4 points wide and `height` high, to be stretched across the bar: a
// vertical gradient from `top` to `bottom` with a hairline of `line` along `edge`.
void barTile(const QString& name, double height, const QColor& top, const QColor& bottom,
             const QColor& line, Qt::Edge edge);

// A magnifier: a ring of `radius` centred at (x, y) and its handle to the lower right,
// stroked `width` points wide.
void magnifier(QPainter& p, double x, double y, double radius, double width, const QColor& colour);

}  // namespace pictures
