#pragma once

#include "platform/uikit/geometry.h"

#include <QTransform>

namespace ui {

// A layer's 3-D transform, a 4 x 4 matrix in the platform's row-vector layout
// (m41, m42, m43 translate; m34 gives perspective). Layers are flat, so drawing
// projects the plane z = 0 through it.
struct Transform3D {
    double m11 = 1, m12 = 0, m13 = 0, m14 = 0;
    double m21 = 0, m22 = 1, m23 = 0, m24 = 0;
    double m31 = 0, m32 = 0, m33 = 1, m34 = 0;
    double m41 = 0, m42 = 0, m43 = 0, m44 = 1;

    friend constexpr bool operator==(const Transform3D&, const Transform3D&) = default;

    [[nodiscard]] static Transform3D identity() { return {}; }
    [[nodiscard]] static Transform3D makeTranslation(double tx, double ty, double tz);
    [[nodiscard]] static Transform3D makeScale(double sx, double sy, double sz);
    // A turn by `angle` radians about the axis (x, y, z).
    [[nodiscard]] static Transform3D makeRotation(double angle, double x, double y, double z);
    [[nodiscard]] static Transform3D makeAffine(const AffineTransform& t);

    [[nodiscard]] bool isIdentity() const { return *this == Transform3D{}; }
    [[nodiscard]] bool isAffine() const;
    // The 2-D part; meaningful when isAffine().
    [[nodiscard]] AffineTransform affine() const { return {m11, m12, m21, m22, m41, m42}; }
    // this followed by other.
    [[nodiscard]] Transform3D concat(const Transform3D& other) const;
    [[nodiscard]] Transform3D translate(double tx, double ty, double tz) const;
    [[nodiscard]] Transform3D scale(double sx, double sy, double sz) const;
    [[nodiscard]] Transform3D rotate(double angle, double x, double y, double z) const;

    // The projection of the plane z = 0, for drawing.
    [[nodiscard]] QTransform toQt() const { return {m11, m12, m14, m21, m22, m24, m41, m42, m44}; }
};

}  // namespace ui
