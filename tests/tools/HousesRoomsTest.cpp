// The housing screens keep to their rooms: src/houses holds one folder a road over two floors,
// shared/ (what every road uses) and query/ (the filter, paging and search models, over
// shared/), and the door HousesNavigation through which the roads open each other's screens.
// A road includes its own files, the floors and the door; a floor includes only what lies
// below it; the door's header names no road, only its implementation includes them.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

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

struct Scan {
    int files = 0;
    int includes = 0;
    // "file: the included path" for every include that crosses the rooms.
    QStringList crossings;
};

// Reads every source of the houses folder `root`.
Scan scan(const QString& root) {
    static const QRegularExpression kInclude(
        QStringLiteral(R"(^\s*#\s*include\s*"houses/([^"]+)\")"),
        QRegularExpression::MultilineOption);
    Scan result;
    const QDir folder(root);
    QDirIterator found(root, {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (found.hasNext()) {
        const QString path = folder.relativeFilePath(found.next());
        QFile file(found.filePath());
        if (!file.open(QIODevice::ReadOnly)) {
            result.crossings << path + QStringLiteral(": unreadable");
            continue;
        }
        ++result.files;
        const QString text = QString::fromUtf8(file.readAll());
        const bool header = path.endsWith(QStringLiteral(".h"));
        for (auto match = kInclude.globalMatch(text); match.hasNext();) {
            const QString included = match.next().captured(1);
            ++result.includes;
            if (!mayInclude(roomOf(path), header, roomOf(included)))
                result.crossings << path + QStringLiteral(": ") + included;
        }
    }
    result.crossings.sort();
    return result;
}

void write(const QString& root, const QString& path, const QString& text) {
    QDir(root).mkpath(QFileInfo(root + '/' + path).path());
    QFile file(root + '/' + path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
}

}  // namespace

TEST(HousesRooms, NoRoadIncludesAnotherAndTheFloorsIncludeNoRoad) {
    const Scan found = scan(QStringLiteral(HOUSING_SOURCE_DIR "/src/houses"));
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

    const Scan found = scan(top);
    EXPECT_EQ(found.files, 9);
    EXPECT_EQ(
        found.crossings,
        QStringList({"HousesNavigation.h: broker/Page.h", "query/Filters.cpp: list/List.h",
                     "search/Results.h: detail/Detail.h", "shared/Cell.cpp: photos/Strip.h",
                     "shared/Look.cpp: query/Paging.h", "shared/Talk.cpp: HousesNavigation.h"}));
}
