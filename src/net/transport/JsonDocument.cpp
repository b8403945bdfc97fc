#include "net/transport/JsonDocument.h"

#include <algorithm>

JsonDocument::Scratch& JsonDocument::threadScratch() {
    thread_local Scratch scratch;
    return scratch;
}

namespace {

// The thread's scratch when it is free and may be lent, else a new one owned by the
// document.
template <class Scratch>
Scratch* borrow(Scratch& shared, std::unique_ptr<Scratch>& own, bool mayBorrow) {
    if (mayBorrow && !shared.lent) {
        shared.lent = true;
        return &shared;
    }
    own = std::make_unique<Scratch>();
    return own.get();
}

}  // namespace

JsonDocument::JsonDocument(ParserOptions options, Room room)
    : parser_(options),
      scratch_(borrow(threadScratch(), ownScratch_, room == Room::Thread)),
      stack_(scratch_->stack) {
    parser_.setDelegate(this);
}

JsonDocument::JsonDocument(QByteArrayView data, ParserOptions options,
                           std::optional<ns::Error>* error)
    : JsonDocument(options) {
    parserStatus_ = parser_.parseWhole(data);
    reportStatus(error);
}

JsonDocument::~JsonDocument() {
    parser_.setDelegate(nullptr);
    // What an unfinished text left open goes now; the room stays for the next parse.
    for (std::size_t i = 0; i < open_; ++i) {
        stack_[i].members.clear();
        stack_[i].array = QVariantList();
        stack_[i].key = QString();
    }
    if (scratch_ == &threadScratch()) scratch_->lent = false;
}

ParserStatus JsonDocument::parse(QByteArrayView chunk, std::optional<ns::Error>* error) {
    parserStatus_ = parser_.parse(chunk);
    reportStatus(error);
    return parserStatus_;
}

void JsonDocument::reportStatus(std::optional<ns::Error>* error) const {
    if (!error) return;
    if (parserStatus_ == ParserStatusError) {
        *error = parser_.parserError();
    } else {
        error->reset();
    }
}

QVariant JsonDocument::root() const {
    if (open_ == 0) return root_;
    const Container& bottom = stack_.front();
    if (!bottom.isDictionary) return bottom.array;
    QVariantMap dictionary;
    for (const auto& [key, value] : bottom.members) dictionary.insert(key, value);
    return dictionary;
}

void JsonDocument::closeOpenContainers() {
    while (open_ > 0) close();
}

void JsonDocument::parserDidStartDictionary(JsonParser&) {
    open(true);
}
void JsonDocument::parserDidEndDictionary(JsonParser&) {
    close();
}
void JsonDocument::parserDidStartArray(JsonParser&) {
    open(false);
}
void JsonDocument::parserDidEndArray(JsonParser&) {
    close();
}

void JsonDocument::parserDidMapKey(JsonParser&, const QString& key) {
    if (open_ > 0) stack_[open_ - 1].key = key;
}

void JsonDocument::parserDidAdd(JsonParser&, QVariant&& value) {
    add(std::move(value));
}

void JsonDocument::open(bool isDictionary) {
    if (open_ == stack_.size()) stack_.emplace_back();
    Container& container = stack_[open_++];
    container.isDictionary = isDictionary;
    container.members.clear();
    container.array = QVariantList();
    container.key = QString();
}

std::map<QString, QVariant> JsonDocument::takeDictionary(Container& container) {
    auto& members = container.members;
    Scratch& scratch = *scratch_;
    const std::size_t count = members.size();
    bool sameKeys = count == scratch.shape.size();
    for (std::size_t i = 0; sameKeys && i < count; ++i) {
        // Held in the shape, a key's text cannot be freed and its address reused.
        sameKeys = members[i].first.constData() == scratch.shape[i].constData();
    }
    if (!sameKeys) {
        scratch.shape.resize(count);
        scratch.sortedOrder.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            scratch.shape[i] = members[i].first;
            scratch.sortedOrder[i] = quint32(i);
        }
        // Stable: of equal keys the later stays later, and so replaces the earlier.
        std::stable_sort(scratch.sortedOrder.begin(), scratch.sortedOrder.end(),
                         [&](quint32 a, quint32 b) { return members[a].first < members[b].first; });
        scratch.repeatsKey.assign(count, false);
        scratch.keysOnly.clear();
        for (std::size_t place = 0; place < count; ++place) {
            const QString& key = members[scratch.sortedOrder[place]].first;
            if (place > 0 && key == members[scratch.sortedOrder[place - 1]].first) {
                scratch.repeatsKey[place] = true;
            } else {
                scratch.keysOnly.emplace_hint(scratch.keysOnly.end(), key, QVariant());
            }
        }
    }
    std::map<QString, QVariant> dictionary(scratch.keysOnly);
    auto member = dictionary.begin();
    for (std::size_t place = 0; place < count; ++place) {
        if (place > 0 && !scratch.repeatsKey[place]) ++member;
        member->second = std::move(members[scratch.sortedOrder[place]].second);
    }
    members.clear();
    return dictionary;
}

void JsonDocument::close() {
    if (open_ == 0) return;
    Container& finished = stack_[--open_];
    const QVariantMap finishedDictionary =
        finished.isDictionary ? QVariantMap(takeDictionary(finished)) : QVariantMap();
    const QVariantList finishedArray = std::move(finished.array);
    finished.array = QVariantList();
    QVariant value = finished.isDictionary ? QVariant(finishedDictionary) : QVariant(finishedArray);
    if (open_ == 0) {
        root_ = value;
    } else {
        add(std::move(value));
    }
    if (!delegate_) return;
    if (finished.isDictionary) {
        delegate_->documentDidAddDictionary(*this, finishedDictionary);
    } else {
        delegate_->documentDidAddArray(*this, finishedArray);
    }
}

void JsonDocument::add(QVariant&& value) {
    // A value outside any container (a top-level scalar) has nowhere to go.
    if (open_ == 0) return;
    Container& top = stack_[open_ - 1];
    // An invalid value is a string that was not UTF-8: the member or element is left out.
    if (top.isDictionary) {
        if (!value.isValid() || top.key.isNull()) return;
        top.members.emplace_back(std::move(top.key), std::move(value));
        if (delegate_) {
            const auto& [key, object] = top.members.back();
            delegate_->documentDidSetObjectForKey(*this, object, key);
        }
    } else {
        if (!value.isValid()) return;
        top.array.append(std::move(value));
        if (delegate_)
            delegate_->documentDidAddObjectToArray(*this, top.array.constLast(), top.array);
    }
}
