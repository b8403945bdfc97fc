#include "standin/PostedNeeds.h"

#include "standin/JsonText.h"

#include <QDateTime>
#include <QJsonObject>

#include <algorithm>

namespace standin {

namespace {

// Numbers come as JSON numbers or as decimal text.
qint64 number(const QJsonValue& value) {
    return value.isString() ? value.toString().toLongLong() : value.toVariant().toLongLong();
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
    need.postedAt = QDateTime::currentSecsSinceEpoch();
    return need;
}

qint64 PostedNeeds::add(PostedNeed need) {
    std::vector<Listener> listeners;
    {
        const std::lock_guard lock(mutex_);
        need.id = ++lastId_;
        needs_.push_back(need);
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
    const auto found = std::find_if(needs_.begin(), needs_.end(),
                                    [id](const auto& need) { return need.id == id; });
    if (found == needs_.end()) return std::nullopt;
    return *found;
}

bool PostedNeeds::remove(qint64 id) {
    const std::lock_guard lock(mutex_);
    const auto before = needs_.size();
    std::erase_if(needs_, [id](const auto& need) { return need.id == id; });
    return needs_.size() != before;
}

void PostedNeeds::onPosted(Listener listener) {
    const std::lock_guard lock(mutex_);
    listeners_.push_back(std::move(listener));
}

void PostedNeeds::reset() {
    const std::lock_guard lock(mutex_);
    needs_.clear();
}

}  // namespace standin
