#include "IMChat/qximlib/qximdata/db/JSSQLite.h"

#include "IMChat/qximlib/qximdata/util/QXIMUtil.h"

#include <QDateTime>
#include <QFile>

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <limits>
#include <numeric>
#include <thread>
#include <vector>

namespace {

const QString kErrorDomain = QStringLiteral("JSSQLite : ");
constexpr auto kBusyRetryPause = std::chrono::milliseconds(20);
constexpr int kBusyTimeoutMs = 500;

QVariant sqlNull() {
    return QVariant::fromValue(nullptr);
}

}  // namespace

JSSQLite::JSSQLite() = default;

JSSQLite::JSSQLite(const QString& path, bool ignoreSyncICloud) : busyRetryTimeout_(0) {
    open(path);
    if (!ignoreSyncICloud) QXIMUtil::addSkipBackupAttributeToItem(path);
}

JSSQLite::~JSSQLite() {
    close();
}

bool JSSQLite::isSQLiteThreadSafe() {
    return sqlite3_threadsafe() != 0;
}

bool JSSQLite::open(const QString& path) {
    close();
    sqlite3* db = nullptr;
    // One thread at a time uses a connection (the class's contract, kept by the queue): the
    // library's own locking around every call is not needed.
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    db_ = db;
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    if (sqlite3_exec(db_, "SELECT count(*) FROM sqlite_master;", nullptr, nullptr, nullptr) !=
        SQLITE_OK) {
        // Not a readable database: closed, so that every later statement fails as well.
        sqlite3_close(db_);
        db_ = nullptr;
        return false;
    }
    dbPath_ = path;
    return true;
}

bool JSSQLite::close() {
    if (!db_) return true;
    finalizeStatements();
    for (int attempt = 0;; ++attempt) {
        const int result = sqlite3_close(db_);
        if (result == SQLITE_OK) break;
        if (result != SQLITE_BUSY || attempt >= busyRetryTimeout_) return false;
        std::this_thread::sleep_for(kBusyRetryPause);
    }
    db_ = nullptr;
    dbPath_.clear();
    return true;
}

QString JSSQLite::lastErrorMessage() const {
    return db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QStringLiteral("not open");
}

int JSSQLite::lastErrorCode() const {
    return db_ ? sqlite3_errcode(db_) : SQLITE_MISUSE;
}

qint64 JSSQLite::lastInsertRowId() const {
    return db_ ? sqlite3_last_insert_rowid(db_) : 0;
}

int JSSQLite::changes() const {
    return db_ ? sqlite3_changes(db_) : 0;
}

ns::Error JSSQLite::lastError() const {
    return errorWithMessage(lastErrorMessage());
}

ns::Error JSSQLite::errorWithMessage(const QString& message) const {
    return ns::Error::withDescription(kErrorDomain, lastErrorCode(), message);
}

JSSQLite::Prepared* JSSQLite::prepared(const QString& sql) {
    if (!db_) return nullptr;
    if (const auto kept = statements_.find(sql); kept != statements_.end()) {
        sqlite3_reset(kept->statement);
        sqlite3_clear_bindings(kept->statement);
        return &*kept;
    }
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* statement = nullptr;
    for (int attempt = 0;; ++attempt) {
        const int result = sqlite3_prepare_v2(db_, text.constData(), -1, &statement, nullptr);
        if (result == SQLITE_OK) break;
        sqlite3_finalize(statement);
        statement = nullptr;
        if (result != SQLITE_BUSY || attempt >= busyRetryTimeout_) return nullptr;
        std::this_thread::sleep_for(kBusyRetryPause);
    }
    if (!statement) return nullptr;
    Prepared prepared{statement, {}, {}, {}};
    readColumns(prepared);
    return &*statements_.insert(sql, std::move(prepared));
}

void JSSQLite::readColumns(Prepared& prepared) {
    const int columns = sqlite3_column_count(prepared.statement);
    prepared.names.clear();
    for (int column = 0; column < columns; ++column) {
        prepared.names.append(QString::fromUtf8(sqlite3_column_name(prepared.statement, column)));
    }
    // Rows are built in name order, each column appended at the row's end.
    prepared.byName.resize(static_cast<std::size_t>(columns));
    std::iota(prepared.byName.begin(), prepared.byName.end(), 0);
    std::sort(prepared.byName.begin(), prepared.byName.end(),
              [&](int a, int b) { return prepared.names[a] < prepared.names[b]; });
}

void JSSQLite::finalizeStatements() {
    for (const Prepared& prepared : std::as_const(statements_))
        sqlite3_finalize(prepared.statement);
    statements_.clear();
}

bool JSSQLite::bindAll(Prepared& prepared, const QVariantList& arguments) {
    const int count = sqlite3_bind_parameter_count(prepared.statement);
    if (arguments.size() < count) return false;
    prepared.bound.resize(static_cast<std::size_t>(count));
    for (int index = 0; index < count; ++index) {
        if (!arguments[index].isValid()) return false;
        bind(arguments[index], index + 1, prepared);
    }
    return true;
}

void JSSQLite::release(sqlite3_stmt* statement) {
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
}

void JSSQLite::bind(const QVariant& value, int index, Prepared& prepared) {
    sqlite3_stmt* statement = prepared.statement;
    BoundBytes& kept = prepared.bound[static_cast<std::size_t>(index - 1)];
    switch (value.typeId()) {
        case QMetaType::Nullptr:
            sqlite3_bind_null(statement, index);
            return;
        case QMetaType::QByteArray:
            kept = {QString(), false, value.toByteArray()};
            sqlite3_bind_blob64(statement, index, kept.bytes.constData(),
                                static_cast<sqlite3_uint64>(kept.bytes.size()), SQLITE_STATIC);
            return;
        case QMetaType::QDateTime:
            sqlite3_bind_double(statement, index,
                                static_cast<double>(value.toDateTime().toMSecsSinceEpoch()) / 1000);
            return;
        case QMetaType::Bool:
            sqlite3_bind_int64(statement, index, value.toBool() ? 1 : 0);
            return;
        // The two common integers are read in place, not through the general conversion.
        case QMetaType::LongLong:
            sqlite3_bind_int64(statement, index, *static_cast<const qlonglong*>(value.constData()));
            return;
        case QMetaType::Int:
            sqlite3_bind_int64(statement, index, *static_cast<const int*>(value.constData()));
            return;
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::Short:
        case QMetaType::UShort:
            sqlite3_bind_int64(statement, index, value.toLongLong());
            return;
        case QMetaType::ULong:
        case QMetaType::ULongLong: {
            const quint64 number = value.toULongLong();
            if (number <= static_cast<quint64>(std::numeric_limits<qint64>::max())) {
                sqlite3_bind_int64(statement, index, static_cast<qint64>(number));
                return;
            }
            break;  // beyond a signed 64-bit integer: as decimal text
        }
        case QMetaType::Double:
        case QMetaType::Float:
            sqlite3_bind_double(statement, index, value.toDouble());
            return;
        default:
            break;
    }
    if (value.typeId() == QMetaType::QString) {
        // Read in place: converting the variant would copy the text first.
        const QString& text = *static_cast<const QString*>(value.constData());
        if (!kept.fromText || kept.text != text) kept = {text, true, text.toUtf8()};
    } else {
        kept = {QString(), false, value.toString().toUtf8()};
    }
    sqlite3_bind_text64(statement, index, kept.bytes.constData(),
                        static_cast<sqlite3_uint64>(kept.bytes.size()), SQLITE_STATIC, SQLITE_UTF8);
}

QVariant JSSQLite::columnValue(sqlite3_stmt* statement, int column) {
    switch (sqlite3_column_type(statement, column)) {
        case SQLITE_INTEGER:
            return QVariant::fromValue<qint64>(sqlite3_column_int64(statement, column));
        case SQLITE_FLOAT:
            return sqlite3_column_double(statement, column);
        case SQLITE_TEXT:
            return QString::fromUtf8(
                reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                sqlite3_column_bytes(statement, column));
        case SQLITE_BLOB:
            return QByteArray(static_cast<const char*>(sqlite3_column_blob(statement, column)),
                              sqlite3_column_bytes(statement, column));
        default:
            return sqlNull();
    }
}

int JSSQLite::step(sqlite3_stmt* statement) {
    for (int attempt = 0;; ++attempt) {
        const int result = sqlite3_step(statement);
        if (result != SQLITE_BUSY || attempt >= busyRetryTimeout_) return result;
        sqlite3_reset(statement);
        std::this_thread::sleep_for(kBusyRetryPause);
    }
}

int JSSQLite::Cursor::indexOf(const QString& name) const {
    const auto& names = prepared_.names;
    const auto found =
        std::lower_bound(prepared_.byName.begin(), prepared_.byName.end(), name,
                         [&](int column, const QString& wanted) { return names[column] < wanted; });
    return found != prepared_.byName.end() && names[*found] == name ? *found : -1;
}

QVariant JSSQLite::Cursor::value(int column) const {
    return column < 0 ? QVariant() : columnValue(prepared_.statement, column);
}

qint64 JSSQLite::Cursor::int64(int column) const {
    if (column >= 0 && sqlite3_column_type(prepared_.statement, column) == SQLITE_INTEGER)
        return sqlite3_column_int64(prepared_.statement, column);
    return value(column).toLongLong();
}

QString JSSQLite::Cursor::text(int column) const {
    if (column >= 0 && sqlite3_column_type(prepared_.statement, column) == SQLITE_TEXT) {
        return QString::fromUtf8(
            reinterpret_cast<const char*>(sqlite3_column_text(prepared_.statement, column)),
            sqlite3_column_bytes(prepared_.statement, column));
    }
    return value(column).toString();
}

JSSQLite::Row JSSQLite::Cursor::row() const {
    Row row;
    for (const int column : prepared_.byName)
        row.insert(row.cend(), prepared_.names[column], columnValue(prepared_.statement, column));
    return row;
}

bool JSSQLite::forEachRow(const QString& sql, const QVariantList& arguments,
                          const std::function<void(const Cursor& row)>& eachRow) {
    Prepared* prepared = this->prepared(sql);
    if (!prepared) return false;
    sqlite3_stmt* statement = prepared->statement;
    if (!bindAll(*prepared, arguments)) {
        release(statement);
        return false;
    }
    int result = step(statement);
    // A table changed since the statement was kept ("SELECT *" after an added column).
    if (sqlite3_column_count(statement) != prepared->names.size()) readColumns(*prepared);
    const Cursor cursor(*prepared);
    for (; result == SQLITE_ROW; result = step(statement)) eachRow(cursor);
    release(statement);
    return result == SQLITE_DONE;
}

std::optional<JSSQLite::Rows> JSSQLite::executeQuery(const QString& sql,
                                                     const QVariantList& arguments) {
    Rows rows;
    if (!forEachRow(sql, arguments, [&](const Cursor& row) { rows.append(row.row()); }))
        return std::nullopt;
    return rows;
}

bool JSSQLite::executeUpdate(const QString& sql, const QVariantList& arguments) {
    Prepared* prepared = this->prepared(sql);
    if (!prepared) return false;
    const bool bound = bindAll(*prepared, arguments);
    const int result = bound ? step(prepared->statement) : SQLITE_MISUSE;
    release(prepared->statement);
    return result == SQLITE_DONE || result == SQLITE_OK;
}

JSSQLite::Rows JSSQLite::executeFormattedQuery(const QString& sql) {
    if (sql.isNull()) return {};
    return executeQuery(sql).value_or(Rows());
}

bool JSSQLite::executeFormattedUpdate(const QString& sql) {
    if (sql.isNull()) return false;
    return executeUpdate(sql);
}

bool JSSQLite::beginTransaction() {
    return executeUpdate(QStringLiteral("BEGIN EXCLUSIVE TRANSACTION;"));
}

bool JSSQLite::beginDeferredTransaction() {
    return executeUpdate(QStringLiteral("BEGIN DEFERRED TRANSACTION;"));
}

bool JSSQLite::commit() {
    return executeUpdate(QStringLiteral("COMMIT TRANSACTION;"));
}

bool JSSQLite::rollback() {
    return executeUpdate(QStringLiteral("ROLLBACK TRANSACTION;"));
}

bool JSSQLite::savePointStatement(const QString& verb, const QString& name, ns::Error* error) {
    // The name is an identifier: quoted with its double quotes doubled.
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    const bool done = executeUpdate(verb + QStringLiteral(" \"") + quoted + QStringLiteral("\";"));
    if (!done && error) *error = lastError();
    return done;
}

bool JSSQLite::startSavePointWithName(const QString& name, ns::Error* error) {
    return savePointStatement(QStringLiteral("SAVEPOINT"), name, error);
}

bool JSSQLite::releaseSavePointWithName(const QString& name, ns::Error* error) {
    return savePointStatement(QStringLiteral("RELEASE SAVEPOINT"), name, error);
}

bool JSSQLite::rollbackToSavePointWithName(const QString& name, ns::Error* error) {
    return savePointStatement(QStringLiteral("ROLLBACK TRANSACTION TO SAVEPOINT"), name, error);
}

bool JSSQLite::schemaObjectExists(const QString& type, const QString& name) {
    const auto rows = executeQuery(
        QStringLiteral("select [sql] from sqlite_master where [type] = ? and lower(name) = ?"),
        {type, name.toLower()});
    return rows && !rows->isEmpty();
}

bool JSSQLite::tableExists(const QString& name) {
    return schemaObjectExists(QStringLiteral("table"), name);
}

bool JSSQLite::indexExists(const QString& name) {
    return schemaObjectExists(QStringLiteral("index"), name);
}

bool JSSQLite::columnExists(const QString& column, const QString& table) {
    if (column.isNull() || table.isNull() || !tableExists(table)) return false;
    // The table name cannot be bound; it is quoted as an identifier.
    QString quoted = table;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    const Rows rows =
        executeFormattedQuery(QStringLiteral("PRAGMA table_info(\"%1\")").arg(quoted));
    const QString wanted = column.toLower();
    for (auto row = rows.crbegin(); row != rows.crend(); ++row) {
        if (row->value(QStringLiteral("name")).toString().toLower() == wanted) return true;
    }
    return false;
}

QString JSSQLite::sqlite3EscapeString(const QString& text) {
    if (text.isNull()) return QStringLiteral("null");
    QString escaped = text;
    return escaped.replace(QLatin1Char('\''), QLatin1String("''"));
}

QString JSSQLite::sqlite3QuotedStringOrNull(const QString& text) {
    if (text.isNull()) return QStringLiteral("null");
    return QLatin1Char('\'') + sqlite3EscapeString(text) + QLatin1Char('\'');
}
