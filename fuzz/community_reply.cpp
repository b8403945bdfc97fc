// Community pages and broker post pages as the server sends them: any bytes give a price
// chart whose points all stand at finite places, key/value rows of at least one line, and
// list rows whose texts read, never a crash.
#include "fuzz/offscreen_gui.h"
#include "platform/uikit/graphics_context.h"
#include "src/houses/broker/PromotionCell.h"
#include "src/houses/community/QXChartView.h"
#include "src/houses/community/XiaoquRequests.h"
#include "src/houses/shared/QXLabel.h"
#include "src/net/transport/Json.h"

#include <QByteArray>
#include <QVariant>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Drawing text makes the font library keep settings that it never frees; that is no fault of
// ours, and would end every run.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    startOffscreenGui(argc, argv);
    // Fonts load once, here, not inside the first input.
    (void)QXLabel::calLblHeightwithKey("小区", "介绍 text", 0, 320);
    QXChartView chart(ui::Rect(0, 0, 304, 120));
    chart.setGroupsData(
        {QVariant(QVariantList{QVariantMap{{"avg_price", 1}, {"record_time", 1700000000}}})});
    ui::GraphicsContext::beginImageContextWithOptions(ui::Size(304, 120), false, 1);
    chart.drawRect(chart.bounds());
    ui::GraphicsContext::endImageContext();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QVariant reply = json_JSON(QVariant(bytes));
    (void)XiaoquRequests::succeeded(reply);

    const QVariantList prices =
        XiaoquRequests::result(reply, "XiaoquPriceModel", "getXiaoquPrice").toList();
    QXChartView chart(ui::Rect(0, 0, 304, 120));
    chart.setVerticalKey("avg_price");
    chart.setHorizontalKey("record_time");
    chart.setGroupsData({QVariant(prices)});
    ui::GraphicsContext::beginImageContextWithOptions(ui::Size(304, 120), false, 1);
    chart.drawRect(chart.bounds());
    ui::GraphicsContext::endImageContext();
    for (int i = 0; i < int(prices.size()); ++i) {
        const ui::Point point = chart.pointAt(0, i);
        if (!std::isfinite(point.x) || !std::isfinite(point.y)) std::abort();
    }

    const QVariantMap base =
        XiaoquRequests::result(reply, "XiaoquModel", "getXiaoquBaseInfoByCityPinyin").toMap();
    for (const char* key : {"description", "address", "developer"}) {
        const QString value = base.value(key).toString();
        for (const int type : {0, 1, 2}) {
            if (QXLabel::calLblHeightwithKey(QString::fromUtf8(key), value, type, 320) < 25)
                std::abort();
        }
    }

    for (const QVariant& entry : Tolerant(reply)["page"]["posts"].toList()) {
        const QVariantMap post = entry.toMap();
        (void)PromotionCell::titleText(post);
        (void)PromotionCell::priceText(post);
        (void)PromotionCell::thumbnailURL(post);
        const QString perArea = PromotionCell::unitPriceText(post);
        if (!perArea.isEmpty() && !perArea.startsWith(u'(')) std::abort();
    }
    return 0;
}
