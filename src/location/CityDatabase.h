#pragma once

#include <QString>

#include <functional>

struct sqlite3;
struct sqlite3_stmt;

// The shipped city database "tovik.db", read only. It lives in the Documents folder; the
// first open copies it there from the bundle.
class CityDatabase {
public:
    static constexpr const char* kFileName = "tovik.db";

    CityDatabase() = default;
    ~CityDatabase();
    CityDatabase(const CityDatabase&) = delete;
    CityDatabase& operator=(const CityDatabase&) = delete;

    // The database's path in the Documents folder.
    [[nodiscard]] static QString path();
    // Copies the bundle's database to Documents when it is not there (a failed copy is left
    // to the open), then opens it. False when it cannot be opened.
    [[nodiscard]] bool open();
    [[nodiscard]] bool isOpen() const { return database_ != nullptr; }
    void close();

    // One result row while it is handed over.
    class Row {
    public:
        explicit Row(sqlite3_stmt* statement) : statement_(statement) {}
        [[nodiscard]] qint64 integer(int column) const;
        [[nodiscard]] QString text(int column) const;

    private:
        sqlite3_stmt* statement_;
    };

    // Runs `statement` and hands each row to `row`. A statement that fails to prepare
    // hands over nothing.
    void select(const QString& statement, const std::function<void(const Row&)>& row);

private:
    sqlite3* database_ = nullptr;
};
