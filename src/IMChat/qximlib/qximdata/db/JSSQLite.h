#pragma once

#include "platform/foundation/error.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// One SQLite connection: open with a busy timeout and a probe, run statements with bound
// values, read rows as dictionaries, transactions, savepoints and schema probes.
//
// Every statement is prepared once per connection and kept (values are always bound to
// "?" parameters, never pasted into the text). Failures are values: a query that fails
// gives nullopt, an update false; the reason is in lastError(). Not thread-safe: use it
// from one thread at a time (JSSQLiteQueue does).
//
// Values bound: nil (an invalid QVariant) ends the argument list (the call fails without
// running anything); the null (QVariant::fromValue(nullptr)) binds NULL; bytes a BLOB;
// a date its seconds since 1970 as a FLOAT; booleans and integers an INTEGER (stored as
// decimal text in VARCHAR columns, compared as text there); floating point a FLOAT; text
// and anything else TEXT. Values read: INTEGER as qint64 (all 64 bits), FLOAT as double,
// TEXT as QString, BLOB as QByteArray, NULL as the null.
class JSSQLite {
    struct Prepared;

public:
    using Row = QVariantMap;
    using Rows = QList<QVariantMap>;

    // The current row of a query run by forEachRow, read column by column without building
    // a dictionary. Each read answers what the row dictionary's value would convert to.
    class Cursor {
    public:
        // The column's position in the row; -1 when the query has none of that name (its
        // reads then answer as a missing key does: nil, 0, "").
        [[nodiscard]] int indexOf(const QString& name) const;
        [[nodiscard]] QVariant value(int column) const;
        [[nodiscard]] qint64 int64(int column) const;
        [[nodiscard]] QString text(int column) const;
        // The whole row as a dictionary.
        [[nodiscard]] Row row() const;

    private:
        friend class JSSQLite;
        explicit Cursor(const Prepared& prepared) : prepared_(prepared) {}
        const Prepared& prepared_;
    };

    // A closed connection that makes one extra attempt when SQLite reports busy.
    JSSQLite();
    // A connection opened on `path` (the result of open() is in isOpen()); no extra
    // attempts: a busy result fails after SQLite's own 500 ms wait. Unless
    // `ignoreSyncICloud`, the file is marked as one that backups skip.
    explicit JSSQLite(const QString& path, bool ignoreSyncICloud = false);
    ~JSSQLite();
    JSSQLite(const JSSQLite&) = delete;
    JSSQLite& operator=(const JSSQLite&) = delete;

    [[nodiscard]] static bool isSQLiteThreadSafe();

    // Closes any open connection, opens the file, sets a 500 ms busy timeout and reads
    // sqlite_master as a probe that it is a database.
    bool open(const QString& path);
    // False when SQLite kept reporting busy: the connection then stays open.
    bool close();
    [[nodiscard]] bool isOpen() const { return db_ != nullptr; }
    // The open file's path; empty while closed.
    [[nodiscard]] const QString& dbPath() const { return dbPath_; }

    [[nodiscard]] int busyRetryTimeout() const { return busyRetryTimeout_; }
    void setBusyRetryTimeout(int attempts) { busyRetryTimeout_ = attempts; }

    [[nodiscard]] QString lastErrorMessage() const;
    [[nodiscard]] int lastErrorCode() const;
    [[nodiscard]] qint64 lastInsertRowId() const;
    // Rows changed by the last INSERT, UPDATE or DELETE.
    [[nodiscard]] int changes() const;
    // Domain "JSSQLite : ", the last error code and message.
    [[nodiscard]] ns::Error lastError() const;
    [[nodiscard]] ns::Error errorWithMessage(const QString& message) const;

    // One value per "?" of the text, in order.
    [[nodiscard]] std::optional<Rows> executeQuery(const QString& sql,
                                                   const QVariantList& arguments = {});
    // Runs the query and hands each row to `eachRow` in order; false when the query failed
    // (the rows handed before the failure stand). `eachRow` runs no statement of its own on
    // this connection: the cursor reads the running one.
    bool forEachRow(const QString& sql, const QVariantList& arguments,
                    const std::function<void(const Cursor& row)>& eachRow);
    // False for a statement that yields rows, too.
    bool executeUpdate(const QString& sql, const QVariantList& arguments = {});
    // A complete statement without parameters (schema statements); empty on failure.
    [[nodiscard]] Rows executeFormattedQuery(const QString& sql);
    bool executeFormattedUpdate(const QString& sql);

    bool beginTransaction();          // exclusive
    bool beginDeferredTransaction();  // deferred
    bool commit();
    bool rollback();
    bool startSavePointWithName(const QString& name, ns::Error* error = nullptr);
    bool releaseSavePointWithName(const QString& name, ns::Error* error = nullptr);
    bool rollbackToSavePointWithName(const QString& name, ns::Error* error = nullptr);

    // Names are matched regardless of letter case.
    [[nodiscard]] bool tableExists(const QString& name);
    [[nodiscard]] bool indexExists(const QString& name);
    [[nodiscard]] bool columnExists(const QString& column, const QString& table);

    // "null" for a null text, else the text with every single quote doubled.
    [[nodiscard]] static QString sqlite3EscapeString(const QString& text);
    // "null" for a null text, else the escaped text inside single quotes.
    [[nodiscard]] static QString sqlite3QuotedStringOrNull(const QString& text);

private:
    // The UTF-8 text or bytes a parameter points to (bound without a copy of SQLite's own),
    // kept until the parameter is bound again. A text equal to the one it was made from is
    // bound again without converting it: a statement run row after row mostly repeats them.
    struct BoundBytes {
        QString text;
        bool fromText = false;
        QByteArray bytes;
    };
    // A kept statement with its result columns (names, and their order by name) and the bytes
    // its parameters point to.
    struct Prepared {
        sqlite3_stmt* statement = nullptr;
        QStringList names;
        std::vector<int> byName;
        std::vector<BoundBytes> bound;
    };
    // The kept statement for `sql`, reset and with its bindings cleared; nullptr on failure.
    Prepared* prepared(const QString& sql);
    static void readColumns(Prepared& prepared);
    // Binds `arguments` to every parameter of the statement; false when there are fewer
    // arguments than parameters or one of them is nil.
    static bool bindAll(Prepared& prepared, const QVariantList& arguments);
    static void bind(const QVariant& value, int index, Prepared& prepared);
    // Resets the statement and clears its bindings.
    static void release(sqlite3_stmt* statement);
    [[nodiscard]] static QVariant columnValue(sqlite3_stmt* statement, int column);
    // sqlite3_step with the busy retry.
    int step(sqlite3_stmt* statement);
    void finalizeStatements();
    // An object of the schema of that type ("table", "index") and name, in any letter case.
    [[nodiscard]] bool schemaObjectExists(const QString& type, const QString& name);
    // A savepoint statement: `verb` followed by the quoted name.
    bool savePointStatement(const QString& verb, const QString& name, ns::Error* error);

    sqlite3* db_ = nullptr;
    QString dbPath_;
    int busyRetryTimeout_ = 1;
    QHash<QString, Prepared> statements_;
};
