#pragma once

#include "net/RequestHeaderSet.h"

// What the messaging library's short calls to the message server share.
namespace QXIMWire {

// "ContentType" form-encoded, "QxData-Version" of the constant manager and, for a call
// with an interface name, that name as "interface", as every call carries it on the wire
// (the shared request object also finds the calls to replace by it).
[[nodiscard]] RequestHeaderSet shortCallHeaders(const QString& interface);

}  // namespace QXIMWire
