#pragma once

#include "platform/foundation/http_reply_parser.h"

#include <QByteArray>

#include <vector>

// What a reply reader made of a reply, for tests and the fuzzing harness that compare
// readings of the same bytes cut differently.
struct ReplyReading {
    ns::HTTPReplyParser::Outcome outcome = ns::HTTPReplyParser::Outcome::Reading;
    int status = 0;
    ns::HTTPReplyParser::Fields fields;
    QByteArray body;
    qint64 chunks = 0;  // of a chunked body
    bool reusable = false;

    friend bool operator==(const ReplyReading&, const ReplyReading&) = default;
};

// Reads `reply` in the pieces cut at `cuts` (ascending), then the server closes.
inline ReplyReading readReply(const QByteArray& reply, const std::vector<qsizetype>& cuts,
                              bool noBody = false) {
    ReplyReading reading;
    ns::HTTPReplyParser parser(noBody, {[&](const ns::HTTPReplyParser::Head& head) {
                                            reading.status = head.status;
                                            reading.fields = head.fields;
                                            return true;
                                        },
                                        [&](QByteArrayView bytes) {
                                            reading.body += bytes;
                                            return true;
                                        }});
    qsizetype from = 0;
    std::vector<qsizetype> ends = cuts;
    ends.push_back(reply.size());
    for (const qsizetype to : ends) {
        (void)parser.feed(QByteArrayView(reply).sliced(from, to - from));
        from = to;
    }
    reading.outcome = parser.closed();
    reading.chunks = parser.chunks();
    reading.reusable = parser.reusable();
    return reading;
}
