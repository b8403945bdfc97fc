// A JSON object kept in a file with a journal of its changes beside it: what a read finds
// after writes, after a stop that cut a line short or came between writing the object and
// starting its journal again, and after an object that could not be written.
#include "standin/KeptJournal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using standin::KeptJournal;

namespace {

QJsonObject change(int n) {
    return QJsonObject{{"n", n}};
}

// The numbers of the changes read, in order.
QList<int> numbersOf(const KeptJournal::Contents& contents) {
    QList<int> numbers;
    for (const QJsonObject& each : contents.changes) numbers.append(each.value("n").toInt());
    return numbers;
}

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool append(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::Append) && file.write(bytes) == bytes.size();
}

bool overwrite(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

class KeptJournalTest : public ::testing::Test {
protected:
    [[nodiscard]] QString file() const { return folder_.filePath("kept.json"); }
    [[nodiscard]] QString journal() const { return KeptJournal::journalOf(file()); }

private:
    QTemporaryDir folder_;
};

}  // namespace

TEST_F(KeptJournalTest, ChangesAreReadBackAfterTheObjectInTheirOrder) {
    const auto nothing = KeptJournal::read(file());
    ASSERT_TRUE(nothing);
    EXPECT_TRUE(nothing->whole.isEmpty());
    EXPECT_TRUE(nothing->changes.empty());

    KeptJournal kept;
    EXPECT_FALSE(kept.keeping());
    kept.change(change(0), 1);
    ASSERT_TRUE(kept.start(file(), QJsonObject{{"a", 1}}));
    EXPECT_TRUE(kept.keeping());
    EXPECT_EQ(kept.write(), 0) << "a change queued before the start is not kept";
    for (int n = 1; n <= 3; ++n) kept.change(change(n), 10 + n);
    EXPECT_EQ(kept.write(), 13);
    kept.change(change(4), 14);
    const auto read = KeptJournal::read(file());
    ASSERT_TRUE(read);
    EXPECT_EQ(read->whole["a"].toInt(), 1);
    EXPECT_EQ(numbersOf(*read), (QList<int>{1, 2, 3})) << "queued is not yet written";
    EXPECT_EQ(kept.write(), 14);
    EXPECT_EQ(numbersOf(*KeptJournal::read(file())), (QList<int>{1, 2, 3, 4}));

    // The object anew takes in what came before it; the journal starts again.
    kept.replace(QJsonObject{{"a", 2}}, 15);
    kept.change(change(5), 16);
    EXPECT_EQ(kept.write(), 16);
    const auto replaced = KeptJournal::read(file());
    ASSERT_TRUE(replaced);
    EXPECT_EQ(replaced->whole["a"].toInt(), 2);
    EXPECT_EQ(numbersOf(*replaced), QList<int>{5});
}

// A stop while a line is appended leaves it cut short as the last line, which a read leaves
// out; a line that is no JSON object before the last refuses the journal whole.
TEST_F(KeptJournalTest, ALastLineCutShortIsLeftOutAndABrokenOneBeforeItRefused) {
    KeptJournal kept;
    ASSERT_TRUE(kept.start(file(), QJsonObject{{"a", 1}}));
    kept.change(change(1), 1);
    kept.change(change(2), 2);
    kept.write();
    ASSERT_TRUE(append(journal(), R"({"n":3)"));
    const auto cut = KeptJournal::read(file());
    ASSERT_TRUE(cut);
    EXPECT_EQ(numbersOf(*cut), (QList<int>{1, 2}));

    ASSERT_TRUE(append(journal(), "\n{\"n\":4}\n"));
    EXPECT_FALSE(KeptJournal::read(file())) << "a broken line in the middle";
}

// A stop between writing the object anew and starting its journal again leaves the journal
// of the object before, which the new object already holds: it is not read again. Nor is a
// journal beside an object that names no generation, as an older stand-in wrote it.
TEST_F(KeptJournalTest, AJournalOfAnotherGenerationIsNotReadAgain) {
    KeptJournal kept;
    ASSERT_TRUE(kept.start(file(), QJsonObject{{"a", 1}}));
    kept.change(change(1), 1);
    kept.write();
    const QByteArray before = bytesOf(journal());
    kept.replace(QJsonObject{{"a", 2}}, 2);
    kept.write();
    ASSERT_TRUE(overwrite(journal(), before));
    const auto read = KeptJournal::read(file());
    ASSERT_TRUE(read);
    EXPECT_EQ(read->whole["a"].toInt(), 2);
    EXPECT_TRUE(read->changes.empty());

    ASSERT_TRUE(overwrite(file(), R"({"a": 3})"));
    const auto older = KeptJournal::read(file());
    ASSERT_TRUE(older);
    EXPECT_EQ(older->whole["a"].toInt(), 3);
    EXPECT_TRUE(older->changes.empty());
}

// Once the journal has grown past the object (and past a least size), the owner is told to
// write the object anew; after it the journal is short again.
TEST_F(KeptJournalTest, AJournalGrownPastTheObjectAsksForItAnew) {
    KeptJournal kept;
    ASSERT_TRUE(kept.start(file(), QJsonObject{{"a", 1}}));
    const QJsonObject large{{"text", QString(1000, u'x')}};
    int lines = 0;
    while (!kept.grown()) {
        kept.change(large, ++lines);
        ASSERT_LT(lines, 1000) << "never grown";
    }
    EXPECT_GT(lines, 32) << "not before the least size";
    kept.write();
    QJsonArray texts;
    for (int n = 0; n < 100; ++n) texts.append(large);
    kept.replace(QJsonObject{{"texts", texts}}, ++lines);
    EXPECT_FALSE(kept.grown());
    kept.write();
    // Now past an object of 100 KB only.
    int more = 0;
    while (!kept.grown()) {
        kept.change(large, ++lines);
        ++more;
        ASSERT_LT(more, 1000) << "never grown";
    }
    EXPECT_GT(more, 100);
    kept.write();
    EXPECT_GT(QFileInfo(journal()).size(), QFileInfo(file()).size());
}

// An object that cannot be written leaves the file and its journal as they were, and the
// changes queued before and after it go to that journal: nothing is lost.
TEST_F(KeptJournalTest, AnObjectThatCannotBeWrittenLosesNoChange) {
    KeptJournal kept;
    ASSERT_TRUE(kept.start(file(), QJsonObject{{"a", 1}}));
    kept.change(change(1), 1);
    kept.write();
    const QByteArray object = bytesOf(file());
    // A folder where the object goes: no file can take its place.
    ASSERT_TRUE(QFile::remove(file()));
    ASSERT_TRUE(QDir().mkdir(file()));
    kept.change(change(2), 2);
    kept.replace(QJsonObject{{"a", 2}}, 3);
    kept.change(change(3), 4);
    EXPECT_EQ(kept.write(), 4);
    ASSERT_TRUE(QDir().rmdir(file()));
    ASSERT_TRUE(overwrite(file(), object));
    const auto read = KeptJournal::read(file());
    ASSERT_TRUE(read);
    EXPECT_EQ(read->whole["a"].toInt(), 1);
    EXPECT_EQ(numbersOf(*read), (QList<int>{1, 2, 3}));
}
