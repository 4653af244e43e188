// IJsonObject: the reference-counted interface of one JSON value, as the utility interface hands
// it out.
// FIXME: the JSON document model, its reader and writer add the value's operations here; until
// they exist no value is ever made and ParseJson of the utility interface gives nil.
#pragma once

#include "core/interface.h"

namespace support {

class IJsonObject : public virtual core::IInterface {
protected:
    ~IJsonObject() override = default;
};

} // namespace support
