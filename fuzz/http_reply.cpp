// Plain-http replies as a connection delivers them: the same bytes cut into pieces at places
// the input chooses. Whatever the cuts, the reader comes to the same end with the same head,
// body and count of chunks, and once the server has closed it has come to an end.
#include "tests/support/ReplyReading.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

ReplyReading read(const QByteArray& reply, bool noBody, qsizetype first, qsizetype later) {
    std::vector<qsizetype> cuts;
    for (qsizetype at = first; at < reply.size(); at += later) cuts.push_back(at);
    return readReply(reply, cuts, noBody);
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

    const ReplyReading whole = readReply(reply, {}, noBody);
    if (read(reply, noBody, first, later) != whole) std::abort();
    if (whole.outcome == ns::HTTPReplyParser::Outcome::Reading ||
        whole.outcome == ns::HTTPReplyParser::Outcome::Stopped)
        std::abort();
    if (whole.body.size() > reply.size()) std::abort();
    return 0;
}
