// Filter definitions as the server sends them (JSON) and as the cache file "filters" keeps
// them (a property list): whatever the bytes, a reply is taken in or refused, a cache file
// that cannot be read counts as none and is rewritten whole by the next reply, and every
// item a model holds is a dictionary it can look up; never a crash.
#include "src/houses/query/tovikFilters2.h"
#include "src/net/transport/Json.h"

#include "platform/foundation/property_list.h"

#include "scratch_file.h"

#include <QByteArray>
#include <QFile>
#include <QVariant>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void walk(const tovikFilters2& model) {
    for (int index = 0; index < model.getCount(); ++index) {
        const FilterItem item = model.getFilterWithIndex(index);
        if (!item) std::abort();
        (void)model.getFilterWithKey(item->value(QStringLiteral("f")).toString());
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ScratchSandbox::start("filter-definitions");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    // The bytes as the cache file: read when a list sets its category, then merged into by
    // a reply with definitions of its own, which must be readable afterwards.
    {
        QFile file(tovikFilters2::cachePath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
        file.write(bytes);
    }
    auto cached = std::make_shared<tovikFilters2>();
    cached->setMasterMajorId(7, 1);
    const QVariantList price{
        QVariantMap{{"f", "price"}, {"n", QStringLiteral("租金")}, {"vs", QVariantList()}}};
    cached->requestSuccessWithResult({{"v", "1"}, {"fs", price}});
    if (cached->getCount() != 1) std::abort();
    if (!ns::dictionaryWithContentsOfFile(tovikFilters2::cachePath())) std::abort();

    // The bytes as a reply, taken in by a list that pages by distance as well.
    const QVariant reply = json_JSON(QVariant(bytes));
    auto fresh = std::make_shared<tovikFilters2>();
    fresh->setPageFrom(1);
    fresh->setMasterMajorId(7, 1);
    fresh->requestSuccessWithResult(reply.toMap());
    walk(*fresh);
    fresh->saveTheDate();
    fresh->returnTheDate();
    walk(*fresh);
    return 0;
}
