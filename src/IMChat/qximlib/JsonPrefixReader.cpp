#include "IMChat/qximlib/JsonPrefixReader.h"

#include <array>

namespace {

bool isJsonSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The bytes of a number or of true, false and null, or of a word that only looks like one.
constexpr std::array<bool, 256> kWordBytes = [] {
    std::array<bool, 256> word{};
    for (int c = 0; c < 256; ++c)
        word[c] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                  c == '+' || c == '-' || c == '.';
    return word;
}();

bool isWordByte(char c) {
    return kWordBytes[static_cast<unsigned char>(c)];
}

}  // namespace

JsonPrefixReader::Kind JsonPrefixReader::innermost() const {
    const int level = depth_ - 1;
    return (kinds_[level / 64] >> (level % 64)) & 1 ? Kind::Object : Kind::Array;
}

void JsonPrefixReader::open(Kind kind) {
    if (depth_ == kMostDepth) {
        state_ = State::Ended;
        return;
    }
    const std::uint64_t bit = std::uint64_t(1) << (depth_ % 64);
    if (kind == Kind::Object) {
        kinds_[depth_ / 64] |= bit;
    } else {
        kinds_[depth_ / 64] &= ~bit;
    }
    ++depth_;
    next_ = kind == Kind::Object ? Next::NameOrClose : Next::ValueOrClose;
}

void JsonPrefixReader::close(char c) {
    if (depth_ == 0 || innermost() != (c == '}' ? Kind::Object : Kind::Array)) {
        state_ = State::Broken;
        return;
    }
    --depth_;
    valueDone();
}

void JsonPrefixReader::valueDone() {
    next_ = depth_ == 0 ? Next::Nothing : Next::CommaOrClose;
}

void JsonPrefixReader::read(char c) {
    if (state_ == State::Ended || state_ == State::Broken) return;
    if (state_ == State::InString) {
        if (escaped_) {
            escaped_ = false;
        } else if (c == '\\') {
            escaped_ = true;
        } else if (c == '"') {
            state_ = State::Reading;
            if (inName_) {
                inName_ = false;
                next_ = Next::Colon;
            } else {
                valueDone();
            }
        }
        return;
    }
    if (inWord_) {
        if (isWordByte(c)) return;
        inWord_ = false;
        valueDone();
    }
    if (isJsonSpace(c)) return;
    switch (next_) {
        case Next::Value:
        case Next::ValueOrClose:
            if (c == '"') {
                state_ = State::InString;
                return;
            }
            if (c == '{' || c == '[') {
                open(c == '{' ? Kind::Object : Kind::Array);
                return;
            }
            if (c == ']' && next_ == Next::ValueOrClose) {
                close(c);
                return;
            }
            if (isWordByte(c)) {
                inWord_ = true;
                return;
            }
            break;
        case Next::Name:
        case Next::NameOrClose:
            if (c == '"') {
                state_ = State::InString;
                inName_ = true;
                return;
            }
            if (c == '}' && next_ == Next::NameOrClose) {
                close(c);
                return;
            }
            break;
        case Next::Colon:
            if (c == ':') {
                next_ = Next::Value;
                return;
            }
            break;
        case Next::CommaOrClose:
            if (c == ',') {
                next_ = innermost() == Kind::Object ? Next::Name : Next::Value;
                return;
            }
            if (c == ']' || c == '}') {
                close(c);
                return;
            }
            break;
        case Next::Nothing:
            state_ = State::Ended;
            return;
    }
    state_ = State::Broken;
}

qsizetype JsonPrefixReader::readUntilMark(QByteArrayView bytes) {
    qsizetype at = 0;
    while (at < bytes.size()) {
        if (state_ == State::Ended || state_ == State::Broken) return at;
        if (state_ == State::InString && !escaped_) {
            // The text of a string: only its end, an escape or a mark matters.
            while (at < bytes.size() && bytes[at] != '"' && bytes[at] != '\\' && bytes[at] != '<')
                ++at;
            if (at == bytes.size()) return at;
        }
        if (state_ == State::Reading) {
            // Words, separators and white space outside strings, the bulk of a long list's
            // payload, at once rather than by a call a byte.
            while (at < bytes.size()) {
                const char c = bytes[at];
                if (isWordByte(c)) {
                    if (!inWord_) {
                        if (next_ != Next::Value && next_ != Next::ValueOrClose) break;
                        inWord_ = true;
                    }
                } else if (c == ',' && (inWord_ || next_ == Next::CommaOrClose) && depth_ > 0) {
                    inWord_ = false;
                    next_ = innermost() == Kind::Object ? Next::Name : Next::Value;
                } else if (isJsonSpace(c)) {
                    if (inWord_) {
                        inWord_ = false;
                        valueDone();
                    }
                } else {
                    break;
                }
                ++at;
            }
            if (at == bytes.size()) return at;
        }
        const char c = bytes[at];
        if (c == '<' || (c == ')' && state_ != State::InString)) return at;
        read(c);
        ++at;
    }
    return at;
}
