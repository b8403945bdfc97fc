#include "location/CityDatabase.h"

#include "platform/foundation/sandbox.h"

#include <QDir>
#include <QFile>

#include <sqlite3.h>

CityDatabase::~CityDatabase() {
    close();
}

QString CityDatabase::path() {
    return QDir(ns::Sandbox::documents()).filePath(kFileName);
}

bool CityDatabase::open() {
    if (database_) return true;
    const QString file = path();
    if (!QFile::exists(file)) {
        QDir().mkpath(ns::Sandbox::documents());
        const QString shipped = ns::Bundle::pathForResource(kFileName);
        if (!shipped.isEmpty()) QFile::copy(shipped, file);
    }
    sqlite3* database = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &database, SQLITE_OPEN_READONLY,
                        nullptr) != SQLITE_OK) {
        sqlite3_close(database);
        return false;
    }
    database_ = database;
    return true;
}

void CityDatabase::close() {
    if (database_) sqlite3_close(database_);
    database_ = nullptr;
}

qint64 CityDatabase::Row::integer(int column) const {
    return sqlite3_column_int64(statement_, column);
}

QString CityDatabase::Row::text(int column) const {
    const auto* chars = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return QString::fromUtf8(chars, sqlite3_column_bytes(statement_, column));
}

void CityDatabase::select(const QString& statement, const std::function<void(const Row&)>& row) {
    if (!database_) return;
    sqlite3_stmt* prepared = nullptr;
    const QByteArray text = statement.toUtf8();
    if (sqlite3_prepare_v2(database_, text.constData(), int(text.size()), &prepared, nullptr) !=
        SQLITE_OK) {
        sqlite3_finalize(prepared);
        return;
    }
    const Row current(prepared);
    while (sqlite3_step(prepared) == SQLITE_ROW) row(current);
    sqlite3_finalize(prepared);
}
