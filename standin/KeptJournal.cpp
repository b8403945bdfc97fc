#include "standin/KeptJournal.h"

#include "standin/KeptJsonFile.h"

#include <QJsonDocument>
#include <QRandomGenerator>

#include <algorithm>

namespace standin {

namespace {

// The journal is not worth folding into the object before it holds this much.
constexpr qint64 kLeastJournalBytes = 64 * 1024;

QByteArray lineOf(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

QJsonObject headerOf(qint64 generation) {
    return QJsonObject{{"generation", QString::number(generation)}};
}

}  // namespace

QString KeptJournal::journalOf(const QString& file) {
    return file + QStringLiteral(".journal");
}

std::optional<KeptJournal::Contents> KeptJournal::read(const QString& file) {
    const auto whole = KeptJsonFile::read(file);
    if (!whole) return std::nullopt;
    Contents contents{*whole, {}};
    QFile journal(journalOf(file));
    if (!journal.open(QIODevice::ReadOnly)) return contents;
    const QList<QByteArray> lines = journal.readAll().split('\n');
    // A journal of another generation (or none) was folded into the object already.
    const QString generation = whole->value("journal").toString();
    if (generation.isEmpty() ||
        QJsonDocument::fromJson(lines.front()).object() != headerOf(generation.toLongLong())) {
        return contents;
    }
    for (qsizetype n = 1; n < lines.size(); ++n) {
        const QJsonDocument change = QJsonDocument::fromJson(lines[n]);
        if (change.isObject()) {
            contents.changes.push_back(change.object());
            continue;
        }
        // Only the last line may be cut short (or empty, after the last line's end).
        if (n + 1 < lines.size()) return std::nullopt;
    }
    return contents;
}

bool KeptJournal::start(const QString& file, const QJsonObject& whole) {
    const std::lock_guard writing(writing_);
    file_ = file;
    if (!writeWhole(whole)) return false;
    const std::lock_guard queue(queueMutex_);
    keeping_ = true;
    return true;
}

bool KeptJournal::keeping() const {
    const std::lock_guard lock(queueMutex_);
    return keeping_;
}

void KeptJournal::change(const QJsonObject& change, qint64 tag) {
    const std::lock_guard lock(queueMutex_);
    if (!keeping_) return;
    const QByteArray line = lineOf(change);
    if (queued_.empty() || queued_.back().whole) queued_.push_back({});
    queued_.back().lines += line;
    journalBytes_ += line.size();
    queuedTag_ = std::max(queuedTag_, tag);
}

void KeptJournal::replace(const QJsonObject& whole, qint64 tag) {
    const std::lock_guard lock(queueMutex_);
    if (!keeping_) return;
    // The changes queued before go to the journal all the same: should the object fail to be
    // written, the file and the journal still hold them.
    queued_.push_back({{}, whole});
    journalBytes_ = 0;
    queuedTag_ = std::max(queuedTag_, tag);
}

bool KeptJournal::grown() const {
    const std::lock_guard lock(queueMutex_);
    return keeping_ && journalBytes_ > std::max(kLeastJournalBytes, wholeBytes_);
}

qint64 KeptJournal::write() {
    const std::lock_guard writing(writing_);
    std::vector<Queued> queued;
    qint64 tag = 0;
    {
        const std::lock_guard lock(queueMutex_);
        queued.swap(queued_);
        tag = queuedTag_;
    }
    for (const Queued& item : queued) {
        if (item.whole) {
            writeWhole(*item.whole);
        } else if (journal_.isOpen()) {
            journal_.write(item.lines);
        }
    }
    return tag;
}

bool KeptJournal::writeWhole(const QJsonObject& whole) {
    qint64 generation = 0;
    do {
        generation = qint64(QRandomGenerator::global()->generate64() >> 1);
    } while (generation == 0 || generation == generation_);
    QJsonObject named = whole;
    named.insert("journal", QString::number(generation));
    const QByteArray bytes = QJsonDocument(named).toJson();
    // The journal of the object before stays until the new object is whole in its place.
    if (!KeptJsonFile::writeBytes(file_, bytes)) return false;
    generation_ = generation;
    journal_.close();
    journal_.setFileName(journalOf(file_));
    if (journal_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        journal_.write(lineOf(headerOf(generation)));
    const std::lock_guard lock(queueMutex_);
    wholeBytes_ = bytes.size();
    return true;
}

}  // namespace standin
