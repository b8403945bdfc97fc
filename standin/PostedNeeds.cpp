#include "standin/PostedNeeds.h"

#include "standin/JsonText.h"
#include "standin/KeptJsonFile.h"

#include <QDateTime>
#include <QJsonObject>

#include <algorithm>

namespace standin {

namespace {

// Numbers come as JSON numbers or as decimal text.
qint64 number(const QJsonValue& value) {
    return value.isString() ? value.toString().toLongLong() : value.toVariant().toLongLong();
}

// The need with this id among `needs` (const or not), or their end.
template <class Needs>
auto findNeed(Needs& needs, qint64 id) {
    return std::find_if(needs.begin(), needs.end(),
                        [id](const auto& need) { return need.id == id; });
}

}  // namespace

std::optional<PostedNeed> PostedNeed::fromArguments(const QJsonArray& arguments) {
    if (arguments.size() < 10 || !arguments.at(1).isObject()) return std::nullopt;
    PostedNeed need;
    need.arguments = arguments;
    need.rentOrBuy = jsonText(arguments.at(0));
    const QJsonObject place = arguments.at(1).toObject();
    need.cityScriptIndex = int(number(place.value("cityScriptIndex")));
    need.districtId = number(place.value("districtId"));
    need.streetId = number(place.value("streetId"));
    need.location = jsonText(arguments.at(2));
    need.houseTypes = arguments.at(3).toArray();
    need.userId = jsonText(arguments.at(4));
    need.voiceUrl = jsonText(arguments.at(5));
    need.voiceSeconds = int(number(arguments.at(6)));
    need.sentence = jsonText(arguments.at(7));
    need.price = jsonText(arguments.at(8));
    need.priceType = jsonText(arguments.at(9));
    if (arguments.size() > 10) need.mobile = jsonText(arguments.at(10));
    if (arguments.size() > 11) need.code = jsonText(arguments.at(11));
    need.postedAt = QDateTime::currentSecsSinceEpoch();
    return need;
}

QJsonArray PostedNeed::answeredByJson() const {
    QJsonArray people;
    for (const qint64 person : answeredBy) people.append(QString::number(person));
    return people;
}

bool PostedNeeds::keepIn(const QString& file) {
    KeptJsonFile::removeLeftovers(file);
    const auto kept = KeptJsonFile::read(file);
    if (!kept) return false;
    std::vector<PostedNeed> read;
    for (const QJsonValue entry : kept->value("needs").toArray()) {
        const QJsonObject stored = entry.toObject();
        auto need = PostedNeed::fromArguments(stored.value("arguments").toArray());
        if (!need) return false;
        need->id = number(stored.value("id"));
        need->postedAt = number(stored.value("postedAt"));
        need->answeredByNoted = stored.contains("answeredBy");
        for (const QJsonValue person : stored.value("answeredBy").toArray())
            need->answeredBy.push_back(number(person));
        read.push_back(*need);
    }
    const std::lock_guard lock(mutex_);
    needs_ = std::move(read);
    lastId_ = number(kept->value("lastId"));
    file_ = file;
    return true;
}

void PostedNeeds::save() const {
    if (file_.isEmpty()) return;
    QJsonArray needs;
    for (const PostedNeed& need : needs_) {
        QJsonObject kept{{"id", QString::number(need.id)},
                         {"postedAt", QString::number(need.postedAt)},
                         {"arguments", need.arguments}};
        if (need.answeredByNoted) kept.insert("answeredBy", need.answeredByJson());
        needs.append(kept);
    }
    KeptJsonFile::write(file_, QJsonObject{{"lastId", QString::number(lastId_)}, {"needs", needs}});
}

qint64 PostedNeeds::add(PostedNeed need) {
    std::vector<Listener> listeners;
    {
        const std::lock_guard lock(mutex_);
        need.id = ++lastId_;
        need.answersQueued = true;
        needs_.push_back(need);
        save();
        listeners = listeners_;
    }
    for (const Listener& listener : listeners) listener(need);
    return need.id;
}

std::vector<PostedNeed> PostedNeeds::all() const {
    const std::lock_guard lock(mutex_);
    return needs_;
}

std::optional<PostedNeed> PostedNeeds::byId(qint64 id) const {
    const std::lock_guard lock(mutex_);
    const auto found = findNeed(needs_, id);
    if (found == needs_.end()) return std::nullopt;
    return *found;
}

bool PostedNeeds::noteAnswered(qint64 needId, qint64 personId) {
    const std::lock_guard lock(mutex_);
    const auto need = findNeed(needs_, needId);
    if (need == needs_.end() ||
        std::ranges::find(need->answeredBy, personId) != need->answeredBy.end()) {
        return false;
    }
    need->answeredBy.push_back(personId);
    save();
    return true;
}

bool PostedNeeds::hasCheckedNumber(const QString& userId) const {
    const std::lock_guard lock(mutex_);
    return std::any_of(needs_.begin(), needs_.end(), [&userId](const auto& need) {
        return need.userId == userId && !need.code.isEmpty();
    });
}

bool PostedNeeds::remove(qint64 id) {
    const std::lock_guard lock(mutex_);
    const auto before = needs_.size();
    std::erase_if(needs_, [id](const auto& need) { return need.id == id; });
    if (needs_.size() == before) return false;
    save();
    return true;
}

void PostedNeeds::onPosted(Listener listener) {
    const std::lock_guard lock(mutex_);
    listeners_.push_back(std::move(listener));
}

void PostedNeeds::reset() {
    const std::lock_guard lock(mutex_);
    needs_.clear();
    save();
}

}  // namespace standin
