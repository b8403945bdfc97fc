// The city database file as it lies in Documents: whatever its bytes, the tree loads or stays
// empty, every city hangs under its province with a script index that is the province's
// index times 100 plus its own or -1 where that would not fit, a city numbered below 100
// within its province is found again by its script index, and districts and streets load
// under their city; never a crash.
#include "src/location/CityData.h"
#include "src/location/CityDatabase.h"
#include "src/location/CityNode.h"

#include "scratch_file.h"

#include <QByteArray>
#include <QFile>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ScratchSandbox::start("city-database");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        QFile file(CityDatabase::path());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    auto tree = std::make_shared<CityData>();
    tree->LoadProvinceInfoWinthCurrent();
    int loaded = 0;
    for (const auto& city : tree->allCities()) {
        const auto province = city->parent();
        if (!province) std::abort();
        const qint64 wanted = qint64(province->index()) * 100 + city->index();
        const int index = city->scriptIndex();
        const bool fits = wanted >= 0 && wanted <= std::numeric_limits<int>::max();
        if (index != (fits ? wanted : -1)) std::abort();
        const bool ownHundred = city->index() >= 0 && city->index() < 100;
        if (index >= 0 && ownHundred && !tree->cityWithScriptIndex(index)) std::abort();
        (void)tree->getCityIndexWithName(city->name());
        // The lists of a few cities: enough to read every table without reading all.
        if (loaded++ < 3) {
            tree->LoadCityData(city);
            for (const auto& district : city->Districts) {
                if (district->parent() != city) std::abort();
                tree->LoadDistrictData(district);
            }
        }
    }
    std::vector<std::shared_ptr<City>> found;
    tree->getResultWithString(QStringLiteral("b"), found);
    return 0;
}
