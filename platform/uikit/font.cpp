#include "platform/uikit/font.h"

#include "platform/foundation/sandbox.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QtDebug>

#include <map>
#include <mutex>
#include <tuple>

namespace ui {

namespace {

constexpr int kDotsPerMeterAt72Dpi = 2835;  // 72 dots per inch

const char* const kSystemFontPath = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";

std::mutex gFontMutex;
QString gFamily;
bool gLoadTried = false;

QString loadBundledFamily() {
    // An explicit path wins, then a copy in the bundle, then the installed package.
    const QString candidates[] = {
        qEnvironmentVariable("HOUSING_FONT"),
        ns::Bundle::pathForResource(QStringLiteral("fonts/wqy-microhei.ttc")),
        QString::fromLatin1(kSystemFontPath)};
    for (const QString& path : candidates) {
        if (path.isEmpty() || !QFileInfo::exists(path)) continue;
        const int id = QFontDatabase::addApplicationFont(path);
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (!families.isEmpty()) return families.first();
    }
    qWarning("ui::Font: the bundled Chinese font is missing; text will measure differently");
    return {};
}

}  // namespace

struct Font::Data {
    QString name;
    double pointSize = 0;
    bool bold = false;
    QFont font;
    double ascent = 0;
    double descent = 0;
    double leading = 0;
    double capHeight = 0;
    double xHeight = 0;
};

bool Font::ensureBundledFontLoaded() {
    std::lock_guard lock(gFontMutex);
    if (!gLoadTried && qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        gLoadTried = true;
        gFamily = loadBundledFamily();
    }
    return !gFamily.isEmpty();
}

QString Font::bundledFamily() {
    ensureBundledFontLoaded();
    std::lock_guard lock(gFontMutex);
    return gFamily;
}

QPaintDevice* Font::measuringDevice() {
    static QImage* device = [] {
        auto* image = new QImage(1, 1, QImage::Format_ARGB32_Premultiplied);
        image->setDotsPerMeterX(kDotsPerMeterAt72Dpi);
        image->setDotsPerMeterY(kDotsPerMeterAt72Dpi);
        return image;
    }();
    return device;
}

Font Font::make(const QString& name, double pointSize, bool bold, bool italic) {
    static std::mutex cacheMutex;
    static std::map<std::tuple<QString, double, bool, bool>, std::shared_ptr<const Data>> cache;
    const QString family = bundledFamily();
    const auto key = std::make_tuple(name, pointSize, bold, italic);
    std::lock_guard lock(cacheMutex);
    if (auto found = cache.find(key); found != cache.end()) return Font(found->second);

    auto data = std::make_shared<Data>();
    data->name = name;
    data->pointSize = pointSize;
    data->bold = bold;
    QFont font(family.isEmpty() ? QStringLiteral("Sans Serif") : family);
    font.setPointSizeF(pointSize > 0 ? pointSize : kSystemFontSize);
    font.setBold(bold);
    font.setItalic(italic);
    // Hinting depends on the machine's font settings; without it glyph advances are
    // the face's own and the same everywhere.
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    data->font = font;
    const QFontMetricsF metrics(font, measuringDevice());
    data->ascent = metrics.ascent();
    data->descent = metrics.descent();
    data->leading = std::max(0.0, metrics.leading());
    data->capHeight = metrics.capHeight();
    data->xHeight = metrics.xHeight();
    cache.emplace(key, data);
    return Font(std::move(data));
}

Font::Font() : Font(systemFontOfSize(kLabelFontSize)) {}

Font Font::systemFontOfSize(double pointSize) {
    return make(QStringLiteral(".SystemFont"), pointSize, false, false);
}

Font Font::boldSystemFontOfSize(double pointSize) {
    return make(QStringLiteral(".SystemFont-Bold"), pointSize, true, false);
}

Font Font::italicSystemFontOfSize(double pointSize) {
    return make(QStringLiteral(".SystemFont-Italic"), pointSize, false, true);
}

Font Font::fontWithName(const QString& name, double pointSize) {
    return make(name, pointSize, name.contains(QLatin1String("bold"), Qt::CaseInsensitive),
                name.contains(QLatin1String("italic"), Qt::CaseInsensitive) ||
                    name.contains(QLatin1String("oblique"), Qt::CaseInsensitive));
}

Font Font::fontWithSize(double pointSize) const {
    return make(data_->name, pointSize, data_->bold, data_->font.italic());
}

const QString& Font::fontName() const {
    return data_->name;
}
QString Font::familyName() const {
    return data_->font.family();
}
double Font::pointSize() const {
    return data_->pointSize;
}
bool Font::isBold() const {
    return data_->bold;
}
double Font::ascender() const {
    return data_->ascent;
}
double Font::descender() const {
    return -data_->descent;
}
double Font::leading() const {
    return data_->leading;
}
double Font::lineHeight() const {
    return data_->ascent + data_->descent + data_->leading;
}
double Font::capHeight() const {
    return data_->capHeight;
}
double Font::xHeight() const {
    return data_->xHeight;
}
const QFont& Font::toQt() const {
    return data_->font;
}

bool operator==(const Font& a, const Font& b) {
    return a.data_ == b.data_ ||
           (a.data_->name == b.data_->name && a.data_->pointSize == b.data_->pointSize);
}

}  // namespace ui
