#include "standin/PostViews.h"

#include "standin/KeptJsonFile.h"

#include <QJsonObject>

namespace standin {

bool PostViews::keepIn(const QString& file) {
    KeptJsonFile::removeLeftovers(file);
    const auto kept = KeptJsonFile::read(file);
    if (!kept) return false;
    std::map<qint64, qint64> read;
    const QJsonObject views = kept->value("views").toObject();
    for (auto entry = views.begin(); entry != views.end(); ++entry)
        read[entry.key().toLongLong()] = entry.value().toInteger();
    const std::lock_guard lock(mutex_);
    views_ = std::move(read);
    file_ = file;
    return true;
}

void PostViews::add(qint64 puid) {
    const std::lock_guard lock(mutex_);
    ++views_[puid];
    if (file_.isEmpty()) return;
    QJsonObject views;
    for (const auto& [post, count] : views_) views.insert(QString::number(post), count);
    KeptJsonFile::write(file_, QJsonObject{{"views", views}});
}

qint64 PostViews::of(qint64 puid) const {
    const std::lock_guard lock(mutex_);
    const auto found = views_.find(puid);
    return found == views_.end() ? 0 : found->second;
}

}  // namespace standin
