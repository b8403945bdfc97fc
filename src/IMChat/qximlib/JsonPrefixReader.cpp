#include "IMChat/qximlib/JsonPrefixReader.h"

#include <array>

namespace {

// What a byte is to the reader outside a string.
enum class Class : std::uint8_t {
    Other,
    Space,
    Word,
    Quote,
    OpenObject,
    OpenArray,
    CloseObject,
    CloseArray,
    Comma,
    Colon,
    // '<', which may begin a segment start: a mark wherever it stands.
    Angle,
    // ')', which may begin the closing text: a mark outside a string.
    Paren,
};

constexpr std::array<Class, 256> kClasses = [] {
    std::array<Class, 256> classes{};
    for (int c = 0; c < 256; ++c) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '+' || c == '-' || c == '.')
            classes[c] = Class::Word;
    }
    for (const char c : {' ', '\t', '\n', '\r'})
        classes[static_cast<unsigned char>(c)] = Class::Space;
    classes['"'] = Class::Quote;
    classes['{'] = Class::OpenObject;
    classes['['] = Class::OpenArray;
    classes['}'] = Class::CloseObject;
    classes[']'] = Class::CloseArray;
    classes[','] = Class::Comma;
    classes[':'] = Class::Colon;
    classes['<'] = Class::Angle;
    classes[')'] = Class::Paren;
    return classes;
}();

// The bytes that end a run of a string's text: its end, an escape, a mark.
constexpr std::array<bool, 256> kStopsText = [] {
    std::array<bool, 256> stops{};
    stops['"'] = true;
    stops['\\'] = true;
    stops['<'] = true;
    return stops;
}();

Class classOf(char c) {
    return kClasses[static_cast<unsigned char>(c)];
}

}  // namespace

JsonPrefixReader::Kind JsonPrefixReader::innermost() const {
    const int level = depth_ - 1;
    return (kinds_[level / 64] >> (level % 64)) & 1 ? Kind::Object : Kind::Array;
}

void JsonPrefixReader::open(Kind kind) {
    if (depth_ == kMostDepth) {
        state_ = State::TooDeep;
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

void JsonPrefixReader::close(Kind kind) {
    if (innermost() != kind) {
        state_ = State::Broken;
        return;
    }
    --depth_;
    valueDone();
}

qsizetype JsonPrefixReader::take(QByteArrayView bytes, bool stopAtMarks) {
    const char* const begin = bytes.data();
    const char* const end = begin + bytes.size();
    const char* at = begin;
    while (at < end) {
        if (state_ == State::InString) {
            if (escaped_) {
                if (stopAtMarks && *at == '<') break;
                escaped_ = false;
                ++at;
                continue;
            }
            // The text of a string: only its end, an escape or a mark matters.
            while (at < end && !kStopsText[static_cast<unsigned char>(*at)]) ++at;
            if (at == end || (*at == '<' && stopAtMarks)) break;
            const char c = *at++;
            if (c == '\\') {
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
            continue;
        }
        if (state_ != State::Reading) break;
        if (inWord_) {
            while (at < end && classOf(*at) == Class::Word) ++at;
            if (at == end) break;
            inWord_ = false;
            valueDone();
        }
        // Outside a string every byte decides something; the expected ones go on at once.
        const Class kind = classOf(*at);
        const bool value = next_ == Next::Value || next_ == Next::ValueOrClose;
        switch (kind) {
            case Class::Space:
                ++at;
                continue;
            case Class::Word:
                if (!value) break;
                inWord_ = true;
                ++at;
                continue;
            case Class::Quote:
                if (value) {
                    state_ = State::InString;
                    ++at;
                    continue;
                }
                if (next_ != Next::Name && next_ != Next::NameOrClose) break;
                state_ = State::InString;
                inName_ = true;
                ++at;
                continue;
            case Class::OpenObject:
            case Class::OpenArray:
                if (!value) break;
                open(kind == Class::OpenObject ? Kind::Object : Kind::Array);
                ++at;
                continue;
            case Class::CloseObject:
                if (next_ != Next::NameOrClose && next_ != Next::CommaOrClose) break;
                close(Kind::Object);
                ++at;
                continue;
            case Class::CloseArray:
                if (next_ != Next::ValueOrClose && next_ != Next::CommaOrClose) break;
                close(Kind::Array);
                ++at;
                continue;
            case Class::Comma:
                if (next_ != Next::CommaOrClose) break;
                next_ = innermost() == Kind::Object ? Next::Name : Next::Value;
                ++at;
                continue;
            case Class::Colon:
                if (next_ != Next::Colon) break;
                next_ = Next::Value;
                ++at;
                continue;
            case Class::Paren:
                if (stopAtMarks) return at - begin;
                if (next_ != Next::Nothing) break;
                state_ = State::Ended;
                ++at;
                continue;
            case Class::Angle:
                if (stopAtMarks) return at - begin;
                break;
            case Class::Other:
                break;
        }
        state_ = State::Broken;
        ++at;
    }
    return at - begin;
}
