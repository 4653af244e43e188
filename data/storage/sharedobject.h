// Reference-counted objects whose handles sit in record slots: blobs, variants, structured types and
// provider cursors. A new object holds one reference; the release of the last one destroys it.
#pragma once

#include "core/object.h"
#include "core/variant.h"

namespace data {

class TSharedObject : public core::Object {
public:
    TSharedObject() = default;
    ~TSharedObject() override { FRefCount = 0; }

    int RefCount() const { return FRefCount; }
    void AddRef() { ++FRefCount; }
    // Drops one reference and destroys the object at the last one. A count already 0 or below is an
    // assertion failure "<class>.Free RefCount = <count>". Nothing for null.
    static void Free(TSharedObject* object);
    void Release() { Free(this); }
    // Exception "Invalid SharedObject" once the count is 0.
    void CheckValid() const;
    // The handle stored in record slots: the object itself.
    void* GCHandle() { return this; }
    // Lets a provider detach server resources; nothing here.
    virtual void Disconnect() {}

private:
    int FRefCount = 1;
};

// A variant in a record slot (code 19).
class TVariantObject : public TSharedObject {
public:
    const core::Variant& Value() const { return FValue; }
    void SetValue(core::Variant value) { FValue = std::move(value); }

private:
    core::Variant FValue;
};

} // namespace data
