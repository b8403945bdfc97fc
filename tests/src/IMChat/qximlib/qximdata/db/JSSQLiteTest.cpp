#include "IMChat/qximlib/qximdata/db/JSSQLite.h"
#include "IMChat/qximlib/qximdata/db/JSSQLiteQueue.h"

#include "SandboxTest.h"

#include <QFile>

#include <sys/xattr.h>

namespace {

class JSSQLiteTest : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        ASSERT_TRUE(db.open(sandboxPath() + "/t.db"));
        ASSERT_TRUE(db.executeUpdate("CREATE TABLE t (id VARCHAR(20), big BIGINT, n INTEGER)"));
    }
    JSSQLite db;
};

TEST_F(JSSQLiteTest, SixtyFourBitValuesKeepEveryBitAndVarcharHoldsDecimalText) {
    const qint64 id = 9000000000123;
    ASSERT_TRUE(db.executeUpdate("INSERT INTO t VALUES (?, ?, ?)", {id, id, qint64(3000000000)}));
    const auto rows = db.executeQuery("SELECT id, big, n, typeof(id) AS kind FROM t");
    ASSERT_TRUE(rows && rows->size() == 1);
    EXPECT_EQ(rows->first().value("kind").toString(), "text");
    EXPECT_EQ(rows->first().value("id").toString(), "9000000000123");
    EXPECT_EQ(rows->first().value("big").toLongLong(), id);
    EXPECT_EQ(rows->first().value("n").toLongLong(), 3000000000);
    // A number compares with the text column as text.
    const auto found = db.executeQuery("SELECT COUNT(*) AS cnt FROM t WHERE id = ?", {id});
    EXPECT_EQ(found->first().value("cnt").toInt(), 1);
}

TEST_F(JSSQLiteTest, AKeptQuerySeesAColumnAddedSinceItsLastRun) {
    ASSERT_TRUE(db.executeUpdate("INSERT INTO t VALUES ('a', 1, 2)"));
    EXPECT_EQ(db.executeQuery("SELECT * FROM t")->value(0).size(), 3);
    ASSERT_TRUE(db.executeUpdate("ALTER TABLE t ADD extra TEXT NOT NULL DEFAULT 'x'"));
    const auto rows = db.executeQuery("SELECT * FROM t");
    ASSERT_EQ(rows->value(0).size(), 4);
    EXPECT_EQ(rows->value(0).value("extra").toString(), "x");
}

TEST_F(JSSQLiteTest, MissingArgumentsRunNothing) {
    EXPECT_FALSE(db.executeUpdate("INSERT INTO t VALUES (?, ?, ?)", {1, 2}));
    EXPECT_FALSE(db.executeUpdate("INSERT INTO t VALUES (?, ?, ?)", {1, QVariant(), 3}));
    EXPECT_FALSE(db.executeQuery("SELECT * FROM t WHERE id = ?").has_value());
    EXPECT_TRUE(
        db.executeUpdate("INSERT INTO t VALUES (?, ?, ?)", {1, QVariant::fromValue(nullptr), 3}));
    const auto rows = db.executeQuery("SELECT * FROM t");
    ASSERT_EQ(rows->size(), 1);
    EXPECT_EQ(rows->first().value("big").typeId(), QMetaType::Nullptr);
}

TEST_F(JSSQLiteTest, AStatementRunRowAfterRowBindsEachRowsOwnValues) {
    // One parameter given texts again and again, equal or not, bytes and numbers between.
    const QVariantList values = {QString("a"),
                                 QString("a"),
                                 QString("b"),
                                 QByteArray("b"),
                                 QString(""),
                                 QString("b"),
                                 QString(),
                                 7,
                                 QString("7"),
                                 QByteArray(),
                                 QString("long text, 中文")};
    for (const QVariant& value : values)
        ASSERT_TRUE(db.executeUpdate("INSERT INTO t (id) VALUES (?)", {value}));
    const auto rows = db.executeQuery("SELECT id, typeof(id) AS kind FROM t ORDER BY rowid");
    ASSERT_TRUE(rows && rows->size() == values.size());
    QStringList read;
    for (const JSSQLite::Row& row : *rows)
        read << row.value("kind").toString() + ":" + row.value("id").toString();
    EXPECT_EQ(read, QStringList({"text:a", "text:a", "text:b", "blob:b", "text:", "text:b",
                                 "text:", "text:7", "text:7", "blob:", "text:long text, 中文"}));
}

TEST_F(JSSQLiteTest, FailuresAreValuesNotExceptions) {
    EXPECT_FALSE(db.executeUpdate("SELECT 1"));  // yields a row: not an update
    EXPECT_FALSE(db.executeQuery("SELECT * FROM missing").has_value());
    EXPECT_FALSE(db.lastErrorMessage().isEmpty());
    EXPECT_EQ(db.lastError().domain(), "JSSQLite : ");
    EXPECT_TRUE(db.executeQuery("SELECT * FROM t")->isEmpty());  // empty, not failed
    JSSQLite closed;
    EXPECT_FALSE(closed.executeQuery("SELECT 1").has_value());
    EXPECT_FALSE(closed.executeUpdate("CREATE TABLE x (a)"));
}

TEST_F(JSSQLiteTest, SchemaProbesIgnoreLetterCase) {
    EXPECT_TRUE(db.tableExists("T"));
    EXPECT_FALSE(db.tableExists("u"));
    EXPECT_TRUE(db.columnExists("BIG", "t"));
    EXPECT_FALSE(db.columnExists("other", "t"));
    EXPECT_FALSE(db.columnExists("big", "missing"));
    EXPECT_FALSE(db.columnExists(QString(), "t"));
    ASSERT_TRUE(db.executeUpdate("CREATE INDEX t_by_id ON t (id)"));
    EXPECT_TRUE(db.indexExists("T_BY_ID"));
}

TEST_F(JSSQLiteTest, NotADatabaseFailsToOpen) {
    QFile file(sandboxPath() + "/text.db");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();
    JSSQLite other;
    EXPECT_FALSE(other.open(file.fileName()));
    EXPECT_FALSE(other.executeQuery("SELECT 1").has_value());
}

TEST_F(JSSQLiteTest, ACursorReadsWhatTheRowDictionaryWouldConvertTo) {
    // Text in an integer column, a number in a text column, a float, a blob and a null.
    ASSERT_TRUE(db.executeUpdate("INSERT INTO t VALUES (?, ?, ?)",
                                 {qint64(9000000000123), QVariant::fromValue(nullptr), "12abc"}));
    ASSERT_TRUE(db.executeUpdate("INSERT INTO t VALUES (?, ?, ?)",
                                 {" 7", 2.75, QByteArray("\x01\x02", 2)}));
    const QStringList columns{"id", "big", "n", "missing"};
    int rows = 0;
    ASSERT_TRUE(
        db.forEachRow("SELECT * FROM t ORDER BY rowid", {}, [&](const JSSQLite::Cursor& row) {
            ++rows;
            const JSSQLite::Row dictionary = row.row();
            EXPECT_EQ(dictionary.size(), 3);
            for (const QString& name : columns) {
                SCOPED_TRACE(name.toStdString());
                const int column = row.indexOf(name);
                EXPECT_EQ(column < 0, name == "missing");
                EXPECT_EQ(row.text(column), dictionary.value(name).toString());
                EXPECT_EQ(row.int64(column), dictionary.value(name).toLongLong());
            }
        }));
    EXPECT_EQ(rows, 2);
    EXPECT_FALSE(db.forEachRow("SELECT * FROM missing", {}, [](const JSSQLite::Cursor&) {}));
    EXPECT_FALSE(db.forEachRow("SELECT * FROM t WHERE id = ?", {}, [](const JSSQLite::Cursor&) {}));
}

TEST_F(JSSQLiteTest, AFileOpenedByPathIsMarkedForBackupsToSkipUnlessAskedNotTo) {
    const auto mark = [](const QString& path) {
        char value[16] = {};
        const auto length = getxattr(QFile::encodeName(path).constData(), "user.xdg.robots.backup",
                                     value, sizeof value);
        return length < 0 ? QByteArray() : QByteArray(value, static_cast<int>(length));
    };
    const JSSQLite marked(sandboxPath() + "/marked.db");
    const JSSQLite unmarked(sandboxPath() + "/unmarked.db", true);
    ASSERT_TRUE(marked.isOpen() && unmarked.isOpen());
    if (mark(sandboxPath() + "/marked.db").isEmpty()) GTEST_SKIP() << "no user attributes here";
    EXPECT_EQ(mark(sandboxPath() + "/marked.db"), "false");
    EXPECT_EQ(mark(sandboxPath() + "/unmarked.db"), "");
}

TEST_F(JSSQLiteTest, QuotingDoublesSingleQuotes) {
    EXPECT_EQ(JSSQLite::sqlite3EscapeString("it's"), "it''s");
    EXPECT_EQ(JSSQLite::sqlite3QuotedStringOrNull("it's"), "'it''s'");
    EXPECT_EQ(JSSQLite::sqlite3QuotedStringOrNull(QString()), "null");
}

class JSSQLiteQueueTest : public SandboxTest {};

TEST_F(JSSQLiteQueueTest, TransactionsCommitOrRollBackWhole) {
    JSSQLiteQueue queue(sandboxPath() + "/q.db");
    queue.inDatabase([](JSSQLite& db) { db.executeUpdate("CREATE TABLE t (a INTEGER)"); });
    EXPECT_FALSE(queue.inTransaction([](JSSQLite& db, bool& rollback) {
        db.executeUpdate("INSERT INTO t VALUES (1)");
        rollback = true;
    }));
    EXPECT_TRUE(queue.inTransaction(
        [](JSSQLite& db, bool&) { db.executeUpdate("INSERT INTO t VALUES (2)"); }));
    // A savepoint undone inside a kept transaction.
    EXPECT_TRUE(queue.inTransaction([&](JSSQLite& db, bool&) {
        db.executeUpdate("INSERT INTO t VALUES (3)");
        ASSERT_TRUE(db.startSavePointWithName("inner"));
        db.executeUpdate("INSERT INTO t VALUES (4)");
        ASSERT_TRUE(db.rollbackToSavePointWithName("inner"));
        ASSERT_TRUE(db.releaseSavePointWithName("inner"));
    }));
    const auto rows = queue.inDatabase(
        [](JSSQLite& db) { return db.executeQuery("SELECT a FROM t ORDER BY a").value(); });
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].value("a").toInt(), 2);
    EXPECT_EQ(rows[1].value("a").toInt(), 3);
}

TEST_F(JSSQLiteQueueTest, AClosedOrUnopenedQueueFailsItsStatements) {
    JSSQLiteQueue queue;
    EXPECT_FALSE(queue.inTransaction([](JSSQLite&, bool&) {}));
    queue.changeDatabaseWithPath(sandboxPath() + "/q.db");
    EXPECT_TRUE(queue.inTransaction([](JSSQLite&, bool&) {}));
    queue.close();
    EXPECT_TRUE(queue.path().isEmpty());
    EXPECT_FALSE(
        queue.inDatabase([](JSSQLite& db) { return db.executeUpdate("CREATE TABLE x (a)"); }));
    EXPECT_NE(JSSQLiteQueue().label(), JSSQLiteQueue().label());
}

}  // namespace
