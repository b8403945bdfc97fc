#pragma once

#include <QSizeF>
#include <QString>

// Image URLs of the image service carry their rendition in the last path component:
// base "_" width "-" height cut "_" quality "-" version "." extension. This rewrites a URL
// for another size (and cut, quality, version); a quality of 0 means 6. A URL without a
// rendition gets one; a rendition's own cut mark "c" and its quality and version are kept;
// a second piece without "-" is no rendition and the URL stays as it is.
[[nodiscard]] QString qxim_restructImageUrl(const QString& url, const QSizeF& size, int quality = 0,
                                            const QString& cut = QString(), int version = 0);
