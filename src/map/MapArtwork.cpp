#include "map/MapArtwork.h"

#include "platform/uikit/bezier_path.h"
#include "platform/uikit/color.h"
#include "platform/uikit/graphics_context.h"
#include "platform/uikit/image.h"

#include <functional>
#include <map>

namespace {

const ui::Color kGreen = ui::Color::rgb(83, 188, 44);
const ui::Color kDarkGreen = ui::Color::rgb(52, 130, 24);
const ui::Color kGold = ui::Color::rgb(222, 166, 32);
const ui::Color kDarkGold = ui::Color::rgb(170, 118, 10);

std::shared_ptr<ui::Image> drawn(ui::Size size,
                                 const std::function<void(ui::GraphicsContext&)>& draw) {
    ui::GraphicsContext::beginImageContextWithOptions(size, false, 0);
    draw(*ui::GraphicsContext::current());
    auto image = ui::GraphicsContext::imageFromCurrentImageContext();
    ui::GraphicsContext::endImageContext();
    return image;
}

// A speech bubble 87 x 45: a rounded body with a tail whose tip is the shop's place.
std::shared_ptr<ui::Image> bubble(const ui::Color& colour) {
    return drawn({87, 45}, [&](ui::GraphicsContext& context) {
        context.setFillColor(colour);
        ui::BezierPath::bezierPathWithRoundedRect({0, 6, 71, 30}, 6).fill();
        context.beginPath();
        context.moveToPoint(28, 35);
        context.addLineToPoint(35.5, 45);
        context.addLineToPoint(43, 35);
        context.closePath();
        context.fillPath();
    });
}

std::shared_ptr<ui::Image> arrow(bool up) {
    return drawn({22, 9}, [&](ui::GraphicsContext& context) {
        context.setStrokeColor(ui::Color::rgb(160, 160, 160));
        context.setLineWidth(2);
        context.beginPath();
        context.moveToPoint(2, up ? 8 : 1);
        context.addLineToPoint(11, up ? 1 : 8);
        context.addLineToPoint(20, up ? 8 : 1);
        context.strokePath();
    });
}

std::shared_ptr<ui::Image> roundIcon(ui::Size size, const ui::Color& colour,
                                     const std::function<void(ui::GraphicsContext&)>& mark) {
    return drawn(size, [&](ui::GraphicsContext& context) {
        context.setFillColor(colour);
        context.fillEllipseInRect({0, 0, size.width, size.height});
        context.setFillColor(ui::Color::whiteColor());
        context.setStrokeColor(ui::Color::whiteColor());
        mark(context);
    });
}

// Draws the bundle's 22-point white symbol `name` in the middle of a 30-point round icon.
std::function<void(ui::GraphicsContext&)> glyph(const QString& name) {
    return [name](ui::GraphicsContext&) {
        if (const auto symbol = ui::Image::imageNamed(name)) symbol->drawInRect({4, 4, 22, 22});
    };
}

std::shared_ptr<ui::Image> locateButton(bool pressed) {
    return drawn({40, 40}, [&](ui::GraphicsContext& context) {
        context.setFillColor(ui::Color::colorWithWhite(pressed ? 0.85 : 1, 0.95));
        ui::BezierPath::bezierPathWithRoundedRect({0, 0, 40, 40}, 6).fill();
        context.setStrokeColor(ui::Color::rgb(20, 120, 250));
        context.setLineWidth(2);
        context.strokeEllipseInRect({12, 12, 16, 16});
        context.setFillColor(ui::Color::rgb(20, 120, 250));
        context.fillEllipseInRect({17, 17, 6, 6});
    });
}

// A round close button with a cross.
std::shared_ptr<ui::Image> closeButton(bool pressed) {
    return drawn({32, 32}, [&](ui::GraphicsContext& context) {
        context.setFillColor(ui::Color::colorWithWhite(pressed ? 0.2 : 0.35, 0.8));
        context.fillEllipseInRect({0, 0, 32, 32});
        context.setStrokeColor(ui::Color::whiteColor());
        context.setLineWidth(2.5);
        context.beginPath();
        context.moveToPoint(10, 10);
        context.addLineToPoint(22, 22);
        context.moveToPoint(22, 10);
        context.addLineToPoint(10, 22);
        context.strokePath();
    });
}

using Maker = std::function<std::shared_ptr<ui::Image>()>;

const std::map<QString, Maker>& makers() {
    static const std::map<QString, Maker> all{
        {"地图气泡.png", [] { return bubble(kGreen); }},
        {"地图气泡点击.png", [] { return bubble(kDarkGreen); }},
        {"金牌门店地图.png", [] { return bubble(kGold); }},
        {"金牌门店地图点击.png", [] { return bubble(kDarkGold); }},
        {"向上_1.png", [] { return arrow(true); }},
        {"向下_1.png", [] { return arrow(false); }},
        {"定位.png", [] { return locateButton(false); }},
        {"收起地图button.png", [] { return closeButton(false); }},
        {"收起地图button-点击.png", [] { return closeButton(true); }},
        {"定位点击.png", [] { return locateButton(true); }},
        {"金牌门店icon.png",
         [] {
             return roundIcon({16, 16}, kGold, [](ui::GraphicsContext& context) {
                 context.fillEllipseInRect({5, 5, 6, 6});
             });
         }},
        // The white handset and speech bubble of the detail's bottom bar, on a green disc.
        {"拨打电话icon.png",
         [] {
             return roundIcon({30, 30}, kGreen, glyph("底栏电话.png"));
         }},
        {"聊天icon.png",
         [] {
             return roundIcon({30, 30}, kGreen, glyph("底栏聊天.png"));
         }},
        {"默认头像.png",
         [] {
             return drawn({50, 60}, [](ui::GraphicsContext& context) {
                 context.setFillColor(ui::Color::rgb(220, 220, 220));
                 context.fillRect({0, 0, 50, 60});
                 context.setFillColor(ui::Color::rgb(180, 180, 180));
                 context.fillEllipseInRect({15, 12, 20, 20});
                 context.fillEllipseInRect({7, 36, 36, 30});
             });
         }},
    };
    return all;
}

}  // namespace

std::shared_ptr<ui::Image> MapArtwork::imageNamed(const QString& name) {
    if (auto shipped = ui::Image::imageNamed(name)) return shipped;
    static std::map<QString, std::shared_ptr<ui::Image>> made;
    if (auto found = made.find(name); found != made.end()) return found->second;
    const auto maker = makers().find(name);
    if (maker == makers().end()) return nullptr;
    return made[name] = maker->second();
}
