// A provider cursor: a server result set handed out as the value of a cursor parameter. Shared and
// counted like blobs; the provider says whether rows can be fetched from it.
#pragma once

#include "data/storage/sharedobject.h"

namespace data {

class TCRCursor : public TSharedObject {
public:
    virtual bool CanFetch() = 0;
};

} // namespace data
