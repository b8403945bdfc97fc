// Loads the city tree from the shipped city database and searches it by prefix, side by side
// with the same statements run straight through SQLite into plain rows, and prints the app's
// speed as a share of the direct one, with the tree load's own time (it is on the launch path).

#include "location/CityData.h"
#include "location/CityDatabase.h"
#include "location/CityNode.h"

#include "platform/foundation/sandbox.h"

#include "support/side_by_side.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>
#include <vector>

namespace {

const char* const kPrefixes[] = {"b", "s", "南", "guang", "X"};

// A place as the reference keeps it: the row's columns.
struct Row {
    qint64 id = 0;
    int index = 0;
    QString name;
    QString sname;
    QString pinyin;
};

QString text(sqlite3_stmt* statement, int column) {
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                             sqlite3_column_bytes(statement, column));
}

std::vector<Row> rows(sqlite3* database, const QByteArray& statement) {
    std::vector<Row> found;
    sqlite3_stmt* prepared = nullptr;
    sqlite3_prepare_v2(database, statement.constData(), int(statement.size()), &prepared, nullptr);
    while (sqlite3_step(prepared) == SQLITE_ROW) {
        found.push_back({sqlite3_column_int64(prepared, 0), sqlite3_column_int(prepared, 1),
                         text(prepared, 2), text(prepared, 3), text(prepared, 4)});
    }
    sqlite3_finalize(prepared);
    return found;
}

void BM_TreeLoad(benchmark::State& state) {
    for (auto _ : state) {
        auto tree = std::make_shared<CityData>();
        tree->LoadProvinceInfoWinthCurrent();
        if (!tree->currentCity()) state.SkipWithError("the tree did not load");
        benchmark::DoNotOptimize(tree);
    }
}

void BM_RawTreeLoad(benchmark::State& state) {
    const QByteArray path = QFile::encodeName(CityDatabase::path());
    for (auto _ : state) {
        sqlite3* database = nullptr;
        if (sqlite3_open_v2(path.constData(), &database, SQLITE_OPEN_READONLY, nullptr) !=
            SQLITE_OK) {
            state.SkipWithError("cannot open the database");
        }
        const auto provinces =
            rows(database,
                 "select province_id,script_index,province_name,short_name,pinyin from province");
        std::vector<std::vector<Row>> cities;
        cities.reserve(provinces.size());
        for (const Row& province : provinces) {
            cities.push_back(rows(database,
                                  "select city_id,script_index,city_name,short_name,pinyin "
                                  "from city where province_id = " +
                                      QByteArray::number(province.id)));
        }
        sqlite3_close(database);
        benchmark::DoNotOptimize(cities);
    }
}

void BM_PrefixSearch(benchmark::State& state) {
    auto tree = std::make_shared<CityData>();
    tree->LoadProvinceInfoWinthCurrent();
    for (auto _ : state) {
        for (const char* prefix : kPrefixes) {
            std::vector<std::shared_ptr<City>> found;
            tree->getResultWithString(QString::fromUtf8(prefix), found);
            benchmark::DoNotOptimize(found);
        }
    }
}

void BM_RawPrefixSearch(benchmark::State& state) {
    sqlite3* database = nullptr;
    sqlite3_open_v2(QFile::encodeName(CityDatabase::path()).constData(), &database,
                    SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* search = nullptr;
    sqlite3_prepare_v2(database,
                       "select city_id,script_index,city_name,short_name,pinyin from city where "
                       "substr(city_name,1,?1)=?2 or substr(short_name,1,?1)=?2 or "
                       "substr(pinyin,1,?1)=?2",
                       -1, &search, nullptr);
    for (auto _ : state) {
        for (const char* prefix : kPrefixes) {
            const QString text = QString::fromUtf8(prefix);
            const QByteArray bytes = text.toUtf8();
            sqlite3_reset(search);
            sqlite3_bind_int(search, 1, int(text.size()));
            sqlite3_bind_text(search, 2, bytes.constData(), int(bytes.size()), SQLITE_STATIC);
            std::vector<Row> found;
            while (sqlite3_step(search) == SQLITE_ROW) {
                found.push_back({sqlite3_column_int64(search, 0), sqlite3_column_int(search, 1),
                                 ::text(search, 2), ::text(search, 3), ::text(search, 4)});
            }
            benchmark::DoNotOptimize(found);
        }
    }
    sqlite3_finalize(search);
    sqlite3_close(database);
}

BENCHMARK(BM_TreeLoad)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<5>);
BENCHMARK(BM_RawTreeLoad)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<5>);
BENCHMARK(BM_PrefixSearch)->Unit(benchmark::kMicrosecond)->Apply(bench::fastestOf<5>);
BENCHMARK(BM_RawPrefixSearch)->Unit(benchmark::kMicrosecond)->Apply(bench::fastestOf<5>);

}  // namespace

int main(int argc, char** argv) {
    // A sandbox of its own, into which the first open copies the shipped database.
    QTemporaryDir sandbox;
    ns::Sandbox::setRoot(sandbox.path());
    CityDatabase database;
    if (!database.open()) {
        std::fprintf(stderr, "no city database in the bundle %s\n",
                     qPrintable(ns::Bundle::resourcePath()));
        return 1;
    }
    database.close();

    bench::FastestTimes reporter;
    if (!bench::runBenchmarks(argc, argv, reporter)) return 1;

    std::printf("\nspeed of the city tree as a share of raw sqlite3 (target 0.80):\n");
    const auto load = reporter.seconds("BM_TreeLoad");
    const auto rawLoad = reporter.seconds("BM_RawTreeLoad");
    if (load && rawLoad) {
        std::printf("  tree load: %.2f (%.2f ms; target under 30 ms)\n", *rawLoad / *load,
                    *load * 1000);
    }
    const auto search = reporter.seconds("BM_PrefixSearch");
    const auto rawSearch = reporter.seconds("BM_RawPrefixSearch");
    if (search && rawSearch) std::printf("  prefix search: %.2f\n", *rawSearch / *search);
    return 0;
}
