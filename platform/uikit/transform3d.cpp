#include "platform/uikit/transform3d.h"

#include <cmath>

namespace ui {

Transform3D Transform3D::makeTranslation(double tx, double ty, double tz) {
    Transform3D t;
    t.m41 = tx;
    t.m42 = ty;
    t.m43 = tz;
    return t;
}

Transform3D Transform3D::makeScale(double sx, double sy, double sz) {
    Transform3D t;
    t.m11 = sx;
    t.m22 = sy;
    t.m33 = sz;
    return t;
}

Transform3D Transform3D::makeRotation(double angle, double x, double y, double z) {
    const double length = std::sqrt(x * x + y * y + z * z);
    if (length == 0) return {};
    x /= length;
    y /= length;
    z /= length;
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double t = 1 - c;
    Transform3D r;
    r.m11 = t * x * x + c;
    r.m12 = t * x * y + s * z;
    r.m13 = t * x * z - s * y;
    r.m21 = t * x * y - s * z;
    r.m22 = t * y * y + c;
    r.m23 = t * y * z + s * x;
    r.m31 = t * x * z + s * y;
    r.m32 = t * y * z - s * x;
    r.m33 = t * z * z + c;
    return r;
}

Transform3D Transform3D::makeAffine(const AffineTransform& a) {
    Transform3D t;
    t.m11 = a.a;
    t.m12 = a.b;
    t.m21 = a.c;
    t.m22 = a.d;
    t.m41 = a.tx;
    t.m42 = a.ty;
    return t;
}

bool Transform3D::isAffine() const {
    return m13 == 0 && m14 == 0 && m23 == 0 && m24 == 0 && m31 == 0 && m32 == 0 && m33 == 1 &&
           m34 == 0 && m43 == 0 && m44 == 1;
}

Transform3D Transform3D::concat(const Transform3D& b) const {
    const double a[4][4] = {
        {m11, m12, m13, m14}, {m21, m22, m23, m24}, {m31, m32, m33, m34}, {m41, m42, m43, m44}};
    const double o[4][4] = {{b.m11, b.m12, b.m13, b.m14},
                            {b.m21, b.m22, b.m23, b.m24},
                            {b.m31, b.m32, b.m33, b.m34},
                            {b.m41, b.m42, b.m43, b.m44}};
    double r[4][4];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            r[i][j] = a[i][0] * o[0][j] + a[i][1] * o[1][j] + a[i][2] * o[2][j] + a[i][3] * o[3][j];
        }
    }
    return {r[0][0], r[0][1], r[0][2], r[0][3], r[1][0], r[1][1], r[1][2], r[1][3],
            r[2][0], r[2][1], r[2][2], r[2][3], r[3][0], r[3][1], r[3][2], r[3][3]};
}

Transform3D Transform3D::translate(double tx, double ty, double tz) const {
    return makeTranslation(tx, ty, tz).concat(*this);
}

Transform3D Transform3D::scale(double sx, double sy, double sz) const {
    return makeScale(sx, sy, sz).concat(*this);
}

Transform3D Transform3D::rotate(double angle, double x, double y, double z) const {
    return makeRotation(angle, x, y, z).concat(*this);
}

}  // namespace ui
