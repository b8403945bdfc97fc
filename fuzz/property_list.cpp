// Property lists come from server replies, user defaults and the keychain file: any bytes
// give a value or nil with an error, never a crash or an abort, and what was read can be
// written in both forms and read back to the same value.
#include "platform/foundation/property_list.h"

#include <QByteArray>
#include <QVariant>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using ns::PropertyList;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    PropertyList::Format format = PropertyList::Format::Xml;
    const QVariant value = PropertyList::propertyListWithData(bytes, &format);
    if (!value.isValid()) return 0;
    const QByteArray binary =
        PropertyList::dataWithPropertyList(value, PropertyList::Format::Binary);
    if (binary.isEmpty()) std::abort();
    // Compared as XML texts (a NaN equals nothing; the binary writer's object order varies).
    const QByteArray xml = PropertyList::dataWithPropertyList(value, PropertyList::Format::Xml);
    const QVariant back = PropertyList::propertyListWithData(binary);
    if (xml.isEmpty() || PropertyList::dataWithPropertyList(back, PropertyList::Format::Xml) != xml)
        std::abort();
    return 0;
}
