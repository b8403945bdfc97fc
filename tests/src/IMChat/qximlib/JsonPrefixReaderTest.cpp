#include "IMChat/qximlib/JsonPrefixReader.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QList>

namespace {

using State = JsonPrefixReader::State;

// The state after each byte of `text`, read one at a time.
QList<State> statesOf(const QByteArray& text) {
    JsonPrefixReader reader;
    QList<State> states;
    for (const char c : text) {
        reader.read(c);
        states.append(reader.state());
    }
    return states;
}

// The state after `text`, read in runs up to each mark and the mark by itself.
State stateByRuns(QByteArrayView text) {
    JsonPrefixReader reader;
    for (qsizetype at = 0; at < text.size(); ++at) {
        at += reader.readUntilMark(text.sliced(at));
        if (at == text.size()) break;
        reader.read(text[at]);
    }
    return reader.state();
}

// Every JSON text is read to its end without breaking, whatever its shape, and inside its
// strings exactly where a string's text is; what follows the whole value ends the reading.
TEST(JsonPrefixReaderTest, JsonIsReadWholeAndItsStringsAreKnown) {
    const QList<QByteArray> texts{
        "{}",
        "[]",
        " { \"a\" : 1 }\n",
        R"({"a":[1,-2.5e+3,true,false,null,"x\"y\\",{}]," b ":{"c":[[],[{}]]}})",
        R"("看\u0041 );</script> <script>")",
        "123",
        R"([{"msgs":[{"id":9000000000001,"contents":["a","b"]}]}])",
    };
    for (const QByteArray& text : texts) {
        const QList<State> states = statesOf(text + ");</script>");
        for (qsizetype at = 0; at < text.size(); ++at)
            EXPECT_NE(states[at], State::Broken) << text.toStdString() << " at " << at;
        EXPECT_EQ(states[text.size()], State::Ended) << text.toStdString();
        EXPECT_EQ(states.last(), State::Ended) << text.toStdString();
    }
    const QByteArray message = R"({"t":"a\"b","u":[")";
    const QList<State> states = statesOf(message);
    const auto stateAfter = [&](const char* prefix) {
        return states[QByteArray(prefix).size() - 1];
    };
    EXPECT_EQ(stateAfter(R"({")"), State::InString);
    EXPECT_EQ(stateAfter(R"({"t")"), State::Reading);
    EXPECT_EQ(stateAfter(R"({"t":"a\")"), State::InString);
    EXPECT_EQ(stateAfter(R"({"t":"a\"b")"), State::Reading);
    EXPECT_EQ(states.last(), State::InString);
}

// What no JSON text begins with breaks the reading at its byte: a string that ends where a
// name, a colon or a separator must come (a segment torn off inside a string, and the next one
// read into it), a closer of the wrong kind or after a separator, a byte no value begins with.
TEST(JsonPrefixReaderTest, WhatNoJsonBeginsWithBreaksAtItsByte) {
    const QList<QByteArray> broken{
        R"({"msgs":[{"contents":["a<script>({"m)",
        R"({"msgs":[{"con<script>({"m)",
        R"({"a" 1)",
        "[1,]",
        R"({"a":1,})",
        "{]",
        "[1}",
        "]",
        R"({"a":1,<)",
        R"({"a":x")",
    };
    for (const QByteArray& text : broken) {
        const QList<State> states = statesOf(text);
        for (qsizetype at = 0; at + 1 < text.size(); ++at)
            EXPECT_NE(states[at], State::Broken) << text.toStdString() << " at " << at;
        EXPECT_EQ(states.last(), State::Broken) << text.toStdString();
    }
}

// Read in runs, every beginning of a text ends as it does a byte at a time: lists of words,
// separators and white space, and what breaks or ends them.
TEST(JsonPrefixReaderTest, ReadingInRunsEndsAsReadingAByteAtATime) {
    const QList<QByteArray> texts{
        R"([1,2 , 3,true,-1.5e3, null ,"x",[4,5],{"a":1,"b":[6, 7],"c":8}] )",
        R"({"a" 1})",
        "[1 2]",
        "1 2",
        "[1,,2]",
        R"({"a":1,,"b":2})",
        "[1\t,\n2\r]x",
        R"({"a":[1,2}})",
        " 12 , 3",
        "12,3",
    };
    for (const QByteArray& text : texts) {
        const QList<State> states = statesOf(text);
        for (qsizetype size = 1; size <= text.size(); ++size)
            EXPECT_EQ(stateByRuns(QByteArrayView(text).first(size)), states[size - 1])
                << text.toStdString() << " to " << size;
    }
}

// Containers are followed 1,024 deep, of either kind, each closing as it opened; a deeper value
// is no longer followed, and so never breaks.
TEST(JsonPrefixReaderTest, AValueDeeperThanItFollowsIsNoLongerRead) {
    constexpr int kDepth = 1024;
    QByteArray nested;
    for (int depth = 0; depth < kDepth; ++depth) nested += depth % 3 == 0 ? R"({"a":)" : "[";
    QByteArray closing;
    for (int depth = kDepth - 1; depth >= 0; --depth) closing += depth % 3 == 0 ? "}" : "]";
    const QList<State> states = statesOf(nested + "1" + closing + ")");
    EXPECT_EQ(states.count(State::Broken), 0);
    EXPECT_EQ(states.last(), State::Ended);

    JsonPrefixReader reader;
    for (int depth = 0; depth < kDepth; ++depth) reader.read('[');
    EXPECT_EQ(reader.state(), State::Reading);
    reader.read('"');
    EXPECT_TRUE(reader.inString());
    reader.read('"');
    reader.read(',');
    reader.read('{');
    EXPECT_EQ(reader.state(), State::TooDeep);
    reader.read('}');
    EXPECT_EQ(reader.state(), State::TooDeep);
}

// After the whole value only white space (carriage returns too) and the call's ')' may come:
// anything else is no argument of a call. Carriage returns are white space between the bytes
// of the value as well.
TEST(JsonPrefixReaderTest, TheWholeValueIsFollowedOnlyByTheCallsParenthesis) {
    for (const QByteArray& value : {QByteArray("1"), QByteArray(R"("a")"), QByteArray("{}"),
                                    QByteArray("[1 ,\r\n2]"), QByteArray("{\r\"a\"\r:\r1\r}")}) {
        for (const QByteArray& after : {QByteArray(")"), QByteArray(" \r\n\t)")}) {
            const QList<State> states = statesOf(value + after);
            EXPECT_EQ(states.count(State::Broken), 0) << (value + after).toStdString();
            EXPECT_EQ(states.last(), State::Ended) << (value + after).toStdString();
            EXPECT_EQ(stateByRuns(value + after), State::Ended) << (value + after).toStdString();
        }
        for (const QByteArray& after : {QByteArray(","), QByteArray(" x"), QByteArray("\"b\""),
                                        QByteArray("<script>"), QByteArray("]")}) {
            EXPECT_EQ(statesOf(value + after).last(), State::Broken)
                << (value + after).toStdString();
            EXPECT_EQ(stateByRuns(value + after), State::Broken) << (value + after).toStdString();
        }
    }
}

// Reading runs up to a '<' anywhere and a ')' outside a string, and stops where the reading
// breaks or ends.
TEST(JsonPrefixReaderTest, ReadingRunsUpToTheMarksThatMayCutTheStream) {
    JsonPrefixReader reader;
    const QByteArray text = R"x({"t":"a );</script> <b","n":1});</script>)x";
    QList<qsizetype> stops;
    for (qsizetype at = 0; stops.size() < 3; ++at) {
        at += reader.readUntilMark(QByteArrayView(text).sliced(at));
        stops.append(at);
        reader.read(text[at]);
    }
    EXPECT_EQ(stops,
              (QList<qsizetype>{text.indexOf("</"), text.indexOf("<b"), text.indexOf("})") + 1}));
    EXPECT_EQ(reader.state(), State::Ended);

    JsonPrefixReader torn;
    const QByteArray tornText = R"({"t":"a"x")";
    EXPECT_EQ(torn.readUntilMark(tornText), tornText.indexOf('x') + 1);
    EXPECT_TRUE(torn.broken());
    EXPECT_EQ(torn.readUntilMark(")"), 0);
}

}  // namespace
