#pragma once

#include "net/RequestHeaderSet.h"

// What the messaging library's short calls to the message server share.
namespace QXIMWire {

// "ContentType" form-encoded and "QxData-Version" of the constant manager.
[[nodiscard]] RequestHeaderSet shortCallHeaders();

}  // namespace QXIMWire
