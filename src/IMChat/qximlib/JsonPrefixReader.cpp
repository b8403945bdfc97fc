#include "IMChat/qximlib/JsonPrefixReader.h"

#include <array>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The first byte from `at` on that ends a run of a string's text, or `end`: sixteen bytes at a
// time where the processor compares them so, for a message's text is the bulk of a stream.
const char* endOfText(const char* at, const char* end) {
#if defined(__SSE2__)
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i escape = _mm_set1_epi8('\\');
    const __m128i mark = _mm_set1_epi8('<');
    for (; end - at >= 16; at += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        const __m128i stops =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, quote), _mm_cmpeq_epi8(bytes, escape)),
                         _mm_cmpeq_epi8(bytes, mark));
        if (const int found = _mm_movemask_epi8(stops)) return at + __builtin_ctz(found);
    }
#endif
    while (at < end && !kStopsText[static_cast<unsigned char>(*at)]) ++at;
    return at;
}

}  // namespace

bool JsonPrefixReader::open(Kind kind) {
    if (depth_ == kMostDepth) {
        state_ = State::TooDeep;
        return false;
    }
    const std::uint64_t bit = std::uint64_t(1) << (depth_ % 64);
    if (kind == Kind::Object) {
        kinds_[depth_ / 64] |= bit;
    } else {
        kinds_[depth_ / 64] &= ~bit;
    }
    ++depth_;
    return true;
}

bool JsonPrefixReader::close(Kind kind) {
    if (innermost() != kind) return false;
    --depth_;
    return true;
}

// The reader's place is where the code is: a label for each thing that may come next, from
// which the bytes that are expected go on at once. Where the bytes end, or a mark stops the
// reading, the place is kept in the members, and the next reading goes on from it.
qsizetype JsonPrefixReader::take(QByteArrayView bytes, bool stopAtMarks) {
    const char* const begin = bytes.data();
    const char* const end = begin + bytes.size();
    const char* at = begin;
    // Passes the white space before what may come at `place`; keeps the place when the bytes
    // end there.
#define JSON_PREFIX_AT(place)                                  \
    do {                                                       \
        while (at < end && classOf(*at) == Class::Space) ++at; \
        if (at == end) {                                       \
            next_ = Next::place;                               \
            return end - begin;                                \
        }                                                      \
    } while (false)

    if (state_ == State::InString) {
        if (escaped_) goto escaped;
        goto text;
    }
    if (state_ != State::Reading) return 0;
    if (inWord_) goto word;
    switch (next_) {
        case Next::Value:
            goto value;
        case Next::ValueOrClose:
            goto valueOrClose;
        case Next::Name:
            goto name;
        case Next::NameOrClose:
            goto nameOrClose;
        case Next::Colon:
            goto colon;
        case Next::CommaOrClose:
            goto commaOrClose;
        case Next::Nothing:
            goto nothing;
    }

value:
    JSON_PREFIX_AT(Value);
    switch (classOf(*at)) {
        case Class::Quote:
            ++at;
            goto text;
        case Class::OpenObject:
            if (!open(Kind::Object)) return at + 1 - begin;
            ++at;
            goto nameOrClose;
        case Class::OpenArray:
            if (!open(Kind::Array)) return at + 1 - begin;
            ++at;
            goto valueOrClose;
        case Class::Word:
            ++at;
            goto word;
        default:
            next_ = Next::Value;
            goto other;
    }

valueOrClose:
    JSON_PREFIX_AT(ValueOrClose);
    if (*at != ']') goto value;
    next_ = Next::ValueOrClose;
    if (!close(Kind::Array)) goto other;
    ++at;
    goto valueDone;

name:
    JSON_PREFIX_AT(Name);
    if (*at != '"') {
        next_ = Next::Name;
        goto other;
    }
    ++at;
    inName_ = true;
    goto text;

nameOrClose:
    JSON_PREFIX_AT(NameOrClose);
    if (*at != '}') goto name;
    next_ = Next::NameOrClose;
    if (!close(Kind::Object)) goto other;
    ++at;
    goto valueDone;

colon:
    JSON_PREFIX_AT(Colon);
    if (*at != ':') {
        next_ = Next::Colon;
        goto other;
    }
    ++at;
    goto value;

commaOrClose:
    JSON_PREFIX_AT(CommaOrClose);
    next_ = Next::CommaOrClose;
    switch (*at) {
        case ',':
            ++at;
            if (innermost() == Kind::Object) goto name;
            goto value;
        case '}':
            if (!close(Kind::Object)) goto other;
            ++at;
            goto valueDone;
        case ']':
            if (!close(Kind::Array)) goto other;
            ++at;
            goto valueDone;
        default:
            goto other;
    }

valueDone:
    if (depth_ > 0) goto commaOrClose;
    goto nothing;

nothing:
    JSON_PREFIX_AT(Nothing);
    next_ = Next::Nothing;
    if (*at != ')') goto other;
    if (stopAtMarks) return at - begin;
    state_ = State::Ended;
    return at + 1 - begin;

word:
    while (at < end && classOf(*at) == Class::Word) ++at;
    if (at == end) {
        inWord_ = true;
        return end - begin;
    }
    inWord_ = false;
    goto valueDone;

text:
    // The text of a string: only its end, an escape or a mark matters.
    at = endOfText(at, end);
    if (at == end) {
        state_ = State::InString;
        escaped_ = false;
        return end - begin;
    }
    if (*at == '<') {
        if (stopAtMarks) {
            state_ = State::InString;
            escaped_ = false;
            return at - begin;
        }
        ++at;
        goto text;
    }
    if (*at++ == '\\') goto escaped;
    state_ = State::Reading;
    if (inName_) {
        inName_ = false;
        goto colon;
    }
    goto valueDone;

escaped:
    if (at == end || (stopAtMarks && *at == '<')) {
        state_ = State::InString;
        escaped_ = true;
        return at - begin;
    }
    ++at;
    goto text;

other:
    // A byte where none of its kind may come: a mark stops the reading, anything else breaks
    // it. `next_` is where the reading stands.
    if (stopAtMarks && (*at == '<' || *at == ')')) return at - begin;
    state_ = State::Broken;
    return at + 1 - begin;
#undef JSON_PREFIX_AT
}
