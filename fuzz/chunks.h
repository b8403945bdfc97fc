// Reading a text in chunks at places the input chooses, for the harnesses of the readers that
// read as the bytes come.
#pragma once

#include "src/net/transport/JsonParser.h"

#include <QByteArray>
#include <QByteArrayView>

#include <algorithm>

// Hands `text` to `read` in a first chunk of `first` bytes and the rest in chunks of `later`,
// until the reading ends (a status of ParserStatusOK or ParserStatusError); its last status.
template <class Read>
ParserStatus readInChunks(const QByteArray& text, int first, int later, Read read) {
    ParserStatus status = ParserStatusNone;
    for (qsizetype at = 0, length = first;
         at < text.size() && status != ParserStatusError && status != ParserStatusOK;
         at += length, length = later) {
        status = read(
            QByteArrayView(text.constData() + at, std::min<qsizetype>(length, text.size() - at)));
    }
    return status;
}
