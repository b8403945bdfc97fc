#include "net/transport/JsonDocument.h"

JsonDocument::JsonDocument(ParserOptions options) : parser_(options) {
    parser_.setDelegate(this);
    // Room for the usual depth of a reply, kept small: an allocation of a kilobyte or
    // more per parse makes the allocator consolidate the small blocks of the last tree.
    stack_.reserve(8);
}

JsonDocument::JsonDocument(QByteArrayView data, ParserOptions options,
                           std::optional<ns::Error>* error)
    : JsonDocument(options) {
    parserStatus_ = parser_.parseWhole(data);
    reportStatus(error);
}

JsonDocument::~JsonDocument() {
    parser_.setDelegate(nullptr);
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
    if (stack_.empty()) return root_;
    const Container& bottom = stack_.front();
    return bottom.isDictionary ? QVariant(QVariantMap(bottom.dictionary)) : QVariant(bottom.array);
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
    if (!stack_.empty()) stack_.back().key = key;
}

void JsonDocument::parserDidAdd(JsonParser&, QVariant&& value) {
    add(std::move(value));
}

void JsonDocument::open(bool isDictionary) {
    stack_.emplace_back().isDictionary = isDictionary;
}

void JsonDocument::close() {
    if (stack_.empty()) return;
    Container finished = std::move(stack_.back());
    stack_.pop_back();
    const QVariantMap finishedDictionary =
        finished.isDictionary ? QVariantMap(std::move(finished.dictionary)) : QVariantMap();
    QVariant value =
        finished.isDictionary ? QVariant(finishedDictionary) : QVariant(finished.array);
    if (stack_.empty()) {
        root_ = value;
    } else {
        add(std::move(value));
    }
    if (!delegate_) return;
    if (finished.isDictionary) {
        delegate_->documentDidAddDictionary(*this, finishedDictionary);
    } else {
        delegate_->documentDidAddArray(*this, finished.array);
    }
}

void JsonDocument::add(QVariant&& value) {
    // A value outside any container (a top-level scalar) has nowhere to go.
    if (stack_.empty()) return;
    Container& top = stack_.back();
    // An invalid value is a string that was not UTF-8: the member or element is left out.
    if (top.isDictionary) {
        if (!value.isValid() || top.key.isNull()) return;
        // A later equal key replaces the earlier value.
        const auto member =
            top.dictionary.insert_or_assign(std::move(top.key), std::move(value)).first;
        if (delegate_) delegate_->documentDidSetObjectForKey(*this, member->second, member->first);
    } else {
        if (!value.isValid()) return;
        top.array.append(std::move(value));
        if (delegate_)
            delegate_->documentDidAddObjectToArray(*this, top.array.constLast(), top.array);
    }
}
