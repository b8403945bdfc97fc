// Which sources may include which.
//
// The layers: the table of docs/ARCHITECTURE.md lists the libraries of src/ and platform/ from
// the bottom up. A library includes only libraries of earlier rows; platform/ includes nothing
// of src/; a library's CMake dependencies are libraries it includes, and through them (and
// theirs) it reaches every library it includes. The order is read from the table itself, so
// that the page people read is the rule the build keeps.
//
// The housing screens' rooms: src/houses holds one folder a road over two floors, shared/
// (what every road uses) and query/ (the filter, paging and search models, over shared/), and
// the door HousesNavigation through which the roads open each other's screens. A road includes
// its own files, the floors and the door; a floor includes only what lies below it; the door's
// header names no road, only its implementation includes them.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

// One quoted include: the including file, relative to the folder read, and the included text.
struct Include {
    QString file;
    QString included;
};

struct Sources {
    int files = 0;
    std::vector<Include> includes;
    QStringList unreadable;
};

// Every quoted include of the headers and sources under `folder` of `root`; indented and
// spaced includes count too.
Sources readSources(const QString& root, const QString& folder) {
    static const QRegularExpression kInclude(QStringLiteral(R"(^\s*#\s*include\s*"([^"]+)\")"),
                                             QRegularExpression::MultilineOption);
    Sources result;
    const QDir top(root);
    QDirIterator found(top.filePath(folder), {QStringLiteral("*.h"), QStringLiteral("*.cpp")},
                       QDir::Files, QDirIterator::Subdirectories);
    while (found.hasNext()) {
        const QString path = top.relativeFilePath(found.next());
        QFile file(found.filePath());
        if (!file.open(QIODevice::ReadOnly)) {
            result.unreadable << path;
            continue;
        }
        ++result.files;
        const QString text = QString::fromUtf8(file.readAll());
        for (auto match = kInclude.globalMatch(text); match.hasNext();)
            result.includes.push_back({path, match.next().captured(1)});
    }
    return result;
}

void write(const QString& root, const QString& path, const QString& text) {
    QDir(root).mkpath(QFileInfo(root + '/' + path).path());
    QFile file(root + '/' + path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
}

// The layers.

// A library of src/ or platform/: its folder and its CMake target.
struct Library {
    QString folder;
    QString target;
};

// The libraries of the layer table, bottom first: its rows whose folder lies in src/ or
// platform/.
std::vector<Library> layerTable(const QString& root) {
    static const QRegularExpression kRow(
        QStringLiteral(R"(^\|\s*`((?:src|platform)/[^`]+)`\s*\|\s*`([^`]+)`\s*\|)"),
        QRegularExpression::MultilineOption);
    QFile file(root + QStringLiteral("/docs/ARCHITECTURE.md"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    std::vector<Library> table;
    const QString text = QString::fromUtf8(file.readAll());
    for (auto match = kRow.globalMatch(text); match.hasNext();) {
        const auto row = match.next();
        table.push_back({row.captured(1), row.captured(2)});
    }
    return table;
}

// A library as the CMake files of src/ and platform/ define it.
struct Declared {
    QString folder;
    QStringList dependencies;
};

std::map<QString, Declared> cmakeLibraries(const QString& root) {
    static const QRegularExpression kLibrary(QStringLiteral(R"(housing_library\(([^)]*)\))"));
    static const QRegularExpression kSpace(QStringLiteral(R"(\s+)"));
    std::map<QString, Declared> libraries;
    for (const QString& parent : {QStringLiteral("src"), QStringLiteral("platform")}) {
        QFile file(root + '/' + parent + QStringLiteral("/CMakeLists.txt"));
        if (!file.open(QIODevice::ReadOnly)) continue;
        const QString text = QString::fromUtf8(file.readAll());
        for (auto match = kLibrary.globalMatch(text); match.hasNext();) {
            const QStringList words = match.next().captured(1).split(kSpace, Qt::SkipEmptyParts);
            if (words.isEmpty()) continue;
            Declared& library = libraries[words.first()];
            QString list;
            for (const QString& word : words.mid(1)) {
                if (word == QStringLiteral("DIRS") || word == QStringLiteral("DEPS"))
                    list = word;
                else if (list == QStringLiteral("DIRS") && library.folder.isEmpty())
                    library.folder = parent + '/' + word;
                else if (list == QStringLiteral("DEPS"))
                    library.dependencies << word;
            }
        }
    }
    return libraries;
}

struct LayerScan {
    int libraries = 0;
    int includes = 0;
    QStringList breaches;
};

LayerScan scanLayers(const QString& root) {
    LayerScan result;
    const std::vector<Library> table = layerTable(root);
    const std::map<QString, Declared> cmake = cmakeLibraries(root);
    result.libraries = int(table.size());
    std::map<QString, int> rowOfTarget;
    for (int row = 0; row < int(table.size()); ++row) rowOfTarget[table[row].target] = row;

    for (const Library& library : table) {
        const auto declared = cmake.find(library.target);
        if (declared == cmake.end() || declared->second.folder != library.folder)
            result.breaches << library.folder + QStringLiteral(": CMake defines no library ") +
                                   library.target + QStringLiteral(" of this folder");
    }
    for (const auto& [target, declared] : cmake) {
        if (!rowOfTarget.contains(target))
            result.breaches << declared.folder + QStringLiteral(": the layer table has no row ") +
                                   target;
    }

    // The row of the library a path lies in; -1 outside every library.
    const auto rowOf = [&](const QString& path) {
        for (int row = 0; row < int(table.size()); ++row) {
            if (path.startsWith(table[row].folder + '/')) return row;
        }
        return -1;
    };
    // The library an include names, found as the compiler finds it: beside the including
    // file, else from the root or from src/ (the libraries' include folders).
    const auto rowOfInclude = [&](const Include& include) {
        const QString beside =
            QDir::cleanPath(QFileInfo(include.file).path() + '/' + include.included);
        if (QFileInfo::exists(root + '/' + beside)) return rowOf(beside);
        const int fromRoot = rowOf(include.included);
        return fromRoot >= 0 ? fromRoot : rowOf(QStringLiteral("src/") + include.included);
    };

    std::vector<std::set<int>> included(table.size());
    for (int row = 0; row < int(table.size()); ++row) {
        const Sources sources = readSources(root, table[row].folder);
        for (const QString& path : sources.unreadable)
            result.breaches << path + QStringLiteral(": unreadable");
        for (const Include& include : sources.includes) {
            ++result.includes;
            const int to = rowOfInclude(include);
            if (to < 0 || to == row) continue;
            included[row].insert(to);
            if (to > row)
                result.breaches << include.file + QStringLiteral(": ") + include.included +
                                       QStringLiteral(" (") + table[to].target +
                                       QStringLiteral(" lies above ") + table[row].target + ')';
        }
    }
    // Nothing of platform/, a library's file or not, includes src/.
    for (const Include& include : readSources(root, QStringLiteral("platform")).includes) {
        const int to = rowOfInclude(include);
        if (to >= 0 && table[to].folder.startsWith(QStringLiteral("src/")))
            result.breaches << include.file + QStringLiteral(": ") + include.included +
                                   QStringLiteral(" (platform/ includes nothing of src/)");
    }

    // The libraries among a target's dependencies, by row.
    const auto dependencyRows = [&](const QString& target) {
        std::set<int> rows;
        const auto declared = cmake.find(target);
        if (declared == cmake.end()) return rows;
        for (const QString& dependency : declared->second.dependencies) {
            const auto row = rowOfTarget.find(dependency);
            if (row != rowOfTarget.end()) rows.insert(row->second);
        }
        return rows;
    };
    for (int row = 0; row < int(table.size()); ++row) {
        const std::set<int> declared = dependencyRows(table[row].target);
        for (const int dependency : declared) {
            if (!included[row].contains(dependency))
                result.breaches << table[row].folder + QStringLiteral(": depends on ") +
                                       table[dependency].target +
                                       QStringLiteral(" but includes nothing of it");
        }
        std::set<int> reached;
        std::vector<int> next(declared.begin(), declared.end());
        while (!next.empty()) {
            const int at = next.back();
            next.pop_back();
            if (!reached.insert(at).second) continue;
            for (const int further : dependencyRows(table[at].target)) next.push_back(further);
        }
        for (const int to : included[row]) {
            if (!reached.contains(to))
                result.breaches << table[row].folder + QStringLiteral(": includes ") +
                                       table[to].target +
                                       QStringLiteral(", which its dependencies do not reach");
        }
    }
    result.breaches.sort();
    return result;
}

// The housing screens' rooms.

const QString kShared = QStringLiteral("shared");
const QString kQuery = QStringLiteral("query");
// The door's files lie in src/houses itself.
const QString kDoor;

// The room of a path under src/houses: its first folder, or the door for a file at the top.
QString roomOf(const QString& path) {
    return path.contains('/') ? path.section('/', 0, 0) : kDoor;
}

// Whether a file of `from` (`header`: one of its headers) may include a file of `to`.
bool mayInclude(const QString& from, bool header, const QString& to) {
    if (from == to || to == kShared) return true;
    if (from == kShared) return false;
    if (to == kQuery) return true;
    if (from == kQuery) return false;
    if (from == kDoor) return !header;
    // A road: the door, no other road.
    return to == kDoor;
}

struct RoomScan {
    int files = 0;
    int includes = 0;
    // "file: the included path" for every include that crosses the rooms.
    QStringList crossings;
};

// Reads every source of the houses folder `root`.
RoomScan scanRooms(const QString& root) {
    const QString houses = QStringLiteral("houses/");
    const Sources sources = readSources(root, QStringLiteral("."));
    RoomScan result;
    result.files = sources.files;
    for (const QString& path : sources.unreadable)
        result.crossings << path + QStringLiteral(": unreadable");
    for (const Include& include : sources.includes) {
        if (!include.included.startsWith(houses)) continue;
        const QString included = include.included.mid(houses.size());
        ++result.includes;
        const bool header = include.file.endsWith(QStringLiteral(".h"));
        if (!mayInclude(roomOf(include.file), header, roomOf(included)))
            result.crossings << include.file + QStringLiteral(": ") + included;
    }
    result.crossings.sort();
    return result;
}

}  // namespace

TEST(Layers, EachLibraryIncludesOnlyTheLayersBelowItAndDependsOnWhatItIncludes) {
    const LayerScan found = scanLayers(QStringLiteral(HOUSING_SOURCE_DIR));
    // The check reads the real table and folders, not empty ones.
    EXPECT_GE(found.libraries, 17);
    EXPECT_GT(found.includes, 3000);
    EXPECT_TRUE(found.breaches.isEmpty())
        << found.breaches.size() << " breaches:\n  "
        << found.breaches.join(QStringLiteral("\n  ")).toStdString();
}

TEST(Layers, EveryKindOfBreachIsFound) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString top = root.path();
    write(top, "docs/ARCHITECTURE.md",
          "| folder | target | namespace | what it holds |\n|---|---|---|---|\n"
          "| `platform/base` | `base` | `ns` | the bottom |\n"
          "| `platform/extra` | `extra` | `ns` | beside it |\n"
          "| `src/low` | `low` | — | over base |\n"
          "| `src/high` | `high` | — | over low |\n"
          "| `src/top` | `top` | — | over high |\n"
          "| `src/ghost` | `ghost` | — | in no CMake file |\n"
          "| `app` | `housing` | — | no library of the rule |\n");
    write(top, "platform/CMakeLists.txt",
          "housing_library(base DIRS base\n    DEPS Qt6::Core)\n"
          "housing_library(extra DIRS extra DEPS base)\n");
    write(top, "src/CMakeLists.txt",
          "housing_library(low DIRS low DEPS base high)\n"
          "housing_library(high DIRS high DEPS low)\n"
          "housing_library(top DIRS top DEPS high low)\n"
          "housing_library(stray DIRS stray DEPS low)\n");
    // Allowed: a file beside the includer, a lower library reached through another's
    // dependencies, a relative path down.
    write(top, "platform/base/clock.h", "#include \"clock_parts.h\"\n");
    write(top, "platform/base/clock_parts.h", "");
    write(top, "platform/extra/extra.h", "#include \"platform/base/clock.h\"\n");
    write(top, "src/low/Low.h", "#include \"platform/base/clock.h\"\n");
    write(top, "src/high/High.h", "#include \"low/Low.h\"\n#include \"platform/base/clock.h\"\n");
    write(top, "src/high/part/Part.cpp", "#include \"../../low/Low.h\"\n");
    // Breaches, one of each kind: a library above (indented and spaced, or relative),
    // platform/ including src/ (from the root or from src/), a dependency included nowhere, a
    // library no dependency reaches, libraries of the table or of CMake alone.
    write(top, "src/low/Low.cpp", "  #  include \"high/High.h\"\n");
    write(top, "src/low/Near.cpp", "#include \"../high/High.h\"\n");
    write(top, "platform/sample/main.cpp", "#include \"low/Low.h\"\n");
    write(top, "platform/extra/extra.cpp", "#include \"src/high/High.h\"\n");
    write(top, "src/top/Top.cpp",
          "#include \"high/High.h\"\n#include \"platform/extra/extra.h\"\n");

    const LayerScan found = scanLayers(top);
    EXPECT_EQ(found.libraries, 6);
    EXPECT_EQ(found.breaches,
              QStringList({
                  "platform/extra/extra.cpp: src/high/High.h (high lies above extra)",
                  "platform/extra/extra.cpp: src/high/High.h (platform/ includes nothing of src/)",
                  "platform/extra: includes high, which its dependencies do not reach",
                  "platform/sample/main.cpp: low/Low.h (platform/ includes nothing of src/)",
                  "src/ghost: CMake defines no library ghost of this folder",
                  "src/low/Low.cpp: high/High.h (high lies above low)",
                  "src/low/Near.cpp: ../high/High.h (high lies above low)",
                  "src/stray: the layer table has no row stray",
                  "src/top: depends on low but includes nothing of it",
                  "src/top: includes extra, which its dependencies do not reach",
              }));
}

TEST(HousesRooms, NoRoadIncludesAnotherAndTheFloorsIncludeNoRoad) {
    const RoomScan found = scanRooms(QStringLiteral(HOUSING_SOURCE_DIR "/src/houses"));
    // The check reads the real folder, not an empty one.
    EXPECT_GT(found.files, 100);
    EXPECT_GT(found.includes, 200);
    EXPECT_TRUE(found.crossings.isEmpty())
        << found.crossings.size() << " crossings:\n  "
        << found.crossings.join(QStringLiteral("\n  ")).toStdString();
}

TEST(HousesRooms, EveryKindOfCrossingIsFound) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString top = root.path();
    // Allowed: a road's own files, the floors, the door; query over shared; the door's
    // implementation including a road.
    write(top, "list/List.cpp",
          "#include \"houses/list/List.h\"\n#include \"houses/shared/Cell.h\"\n"
          "#include \"houses/query/Paging.h\"\n#include \"houses/HousesNavigation.h\"\n");
    write(top, "query/Paging.h", "#include \"houses/shared/Cell.h\"\n");
    write(top, "HousesNavigation.cpp", "#include \"houses/detail/Detail.h\"\n");
    // Crossings, one of each kind; indented and spaced includes count too.
    write(top, "search/Results.h", "  #  include \"houses/detail/Detail.h\"\n");
    write(top, "shared/Cell.cpp", "#include \"houses/photos/Strip.h\"\n");
    write(top, "shared/Look.cpp", "#include \"houses/query/Paging.h\"\n");
    write(top, "shared/Talk.cpp", "#include \"houses/HousesNavigation.h\"\n");
    write(top, "query/Filters.cpp", "#include \"houses/list/List.h\"\n");
    write(top, "HousesNavigation.h", "#include \"houses/broker/Page.h\"\n");

    const RoomScan found = scanRooms(top);
    EXPECT_EQ(found.files, 9);
    EXPECT_EQ(
        found.crossings,
        QStringList({"HousesNavigation.h: broker/Page.h", "query/Filters.cpp: list/List.h",
                     "search/Results.h: detail/Detail.h", "shared/Cell.cpp: photos/Strip.h",
                     "shared/Look.cpp: query/Paging.h", "shared/Talk.cpp: HousesNavigation.h"}));
}
