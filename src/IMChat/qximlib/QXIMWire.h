#pragma once

#include "net/RequestHeaderSet.h"

#include <QtGlobal>

// What the messaging library's calls to the message server share.
namespace QXIMWire {

// A string of a packet that comes in a reply or a segment too long to be kept whole (the
// offline fetch past 8 MB, a stream segment past 4 MB) is read only this far, as it comes,
// and the rest of it is skipped: 16 KB of text is more than a chat bubble shows (1,000
// characters, however the text is written), so the chat shows such a text cut with its
// "…", and the ids and short fields around it are read whole, so that its packet can be
// stored and acknowledged.
inline constexpr qsizetype kLongestString = 16 * 1024;

// What one packet read as it comes (in a fetch reply, in a stream segment past 4 MB) may keep
// of its text, its strings cut: a packet is a few kilobytes, and what keeps more is set
// aside with the ids it names.
inline constexpr qint64 kMostPacketBytes = 4 * 1024 * 1024;

// "ContentType" form-encoded, "QxData-Version" of the constant manager and, for a call
// with an interface name, that name as "interface", as every call carries it on the wire
// (the shared request object also finds the calls to replace by it).
[[nodiscard]] RequestHeaderSet shortCallHeaders(const QString& interface);

}  // namespace QXIMWire
