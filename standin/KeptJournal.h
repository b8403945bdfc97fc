#pragma once

#include <QFile>
#include <QJsonObject>
#include <QString>

#include <mutex>
#include <optional>
#include <vector>

namespace standin {

// A JSON object the stand-in keeps across its runs as KeptJsonFile keeps one, whole or not at
// all, and beside it (FILE.journal) a journal of the changes made since, one compact JSON
// object a line, appended as they come: a change costs a line rather than the whole object,
// however large the object has grown. Once the journal has grown past the object, the owner
// writes the object anew, which starts the journal again.
//
// The object names its generation ("journal"), and the journal's first line the generation it
// follows: a journal of another generation was folded into the object before a stop came
// between writing the object and starting the journal again, and is not read again. A stop
// while a line is appended leaves at most the last line cut short, which is left out.
//
// The owner queues its changes under its own lock, in the order it makes them, and writes them
// outside it (write): a server's lock is never held across a file.
class KeptJournal {
public:
    struct Contents {
        QJsonObject whole;                 // empty when there is no file yet
        std::vector<QJsonObject> changes;  // made since, in order
    };

    // What `file` and its journal hold. Nothing when the file holds no JSON object, or the
    // journal of its generation a line that is no JSON object before its last line.
    [[nodiscard]] static std::optional<Contents> read(const QString& file);
    // The journal beside `file`.
    [[nodiscard]] static QString journalOf(const QString& file);

    // Keeps `whole` in `file` from now on: writes it there at once and starts an empty
    // journal; false when the file could not be written (then nothing is kept).
    bool start(const QString& file, const QJsonObject& whole);
    [[nodiscard]] bool keeping() const;

    // Queues a change after those queued before. `tag` marks how far the owner's changes go
    // with it (write answers the greatest tag written).
    void change(const QJsonObject& change, qint64 tag);
    // Queues the object as it now stands, which takes in every change queued before it.
    void replace(const QJsonObject& whole, qint64 tag);
    // Whether the journal has grown past the object: the owner had better replace it.
    [[nodiscard]] bool grown() const;
    // Writes what was queued, in order; every change queued before the call is in the files
    // when it returns. The greatest tag queued so far, written or not (a file that cannot be
    // written holds nothing back).
    qint64 write();

private:
    struct Queued {
        QByteArray lines;                  // changes, each a line
        std::optional<QJsonObject> whole;  // or the object anew
    };
    // Writes the object of the next generation and starts its journal; the caller holds
    // writing_.
    bool writeWhole(const QJsonObject& whole);

    mutable std::mutex queueMutex_;  // taken under the owner's lock, never the other way
    std::vector<Queued> queued_;
    qint64 queuedTag_ = 0;
    qint64 journalBytes_ = 0;  // queued since the last object
    qint64 wholeBytes_ = 0;    // of the last object written
    bool keeping_ = false;

    std::mutex writing_;  // one writer at a time, in the order queued
    QString file_;
    QFile journal_;
    qint64 generation_ = 0;
};

}  // namespace standin
