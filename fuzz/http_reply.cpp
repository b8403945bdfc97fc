// Plain-http replies as a connection delivers them: the same bytes cut into pieces at places
// the input chooses. Whatever the cuts, the reader comes to the same end with the same head
// and body; a reply read to its end left nothing unread that its framing claimed.
#include "platform/foundation/http_reply_parser.h"

#include <QByteArray>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

struct Reading {
    ns::HTTPReplyParser::Outcome outcome = ns::HTTPReplyParser::Outcome::Reading;
    int status = 0;
    ns::HTTPReplyParser::Fields fields;
    QByteArray body;
    bool reusable = false;

    friend bool operator==(const Reading&, const Reading&) = default;
};

Reading read(const QByteArray& reply, bool noBody, qsizetype first, qsizetype later) {
    Reading reading;
    ns::HTTPReplyParser parser(noBody, {[&](const ns::HTTPReplyParser::Head& head) {
                                            reading.status = head.status;
                                            reading.fields = head.fields;
                                            return true;
                                        },
                                        [&](QByteArrayView bytes) {
                                            reading.body += bytes;
                                            return true;
                                        }});
    for (qsizetype at = 0, length = first; at < reply.size(); at += length, length = later)
        (void)parser.feed(QByteArrayView(reply).sliced(at, std::min(length, reply.size() - at)));
    reading.outcome = parser.closed();
    reading.reusable = parser.reusable();
    return reading;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    // The first byte says whether the request was HEAD and the first piece's length, the
    // second the length of the later pieces; the rest is the reply.
    const bool noBody = (data[0] & 0x80) != 0;
    const qsizetype first = data[0] % 64 + 1;
    const qsizetype later = data[1] % 16 + 1;
    const QByteArray reply(reinterpret_cast<const char*>(data) + 2,
                           static_cast<qsizetype>(size - 2));

    const Reading whole = read(reply, noBody, reply.size() + 1, 1);
    if (read(reply, noBody, first, later) != whole) std::abort();
    if (whole.outcome == ns::HTTPReplyParser::Outcome::Reading ||
        whole.outcome == ns::HTTPReplyParser::Outcome::Stopped)
        std::abort();
    if (whole.body.size() > reply.size()) std::abort();
    return 0;
}
