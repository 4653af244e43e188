// The error every database provider raises, and the connection's two option objects: behaviour
// switches that the connection forwards to its provider connection as numbered properties, and the
// parameters with which a pooled provider connection is obtained.
#pragma once

#include "core/persistent.h"
#include "data/access/craccess.h"
#include "data/dataset/dbtypes.h"
#include "data/storage/sortcolumns.h"

#include <cstdint>

namespace data {

class EDAError : public EDatabaseError {
public:
    EDAError(int32_t ErrorCode, String Msg) : EDatabaseError(std::move(Msg)), FErrorCode(ErrorCode) {}

    // The provider's error number; 0 when the layer raises the error itself.
    int32_t ErrorCode() const { return FErrorCode; }
    // The connection, dataset or SQL command during whose work the error arose, or null (not owned).
    core::Object* Component() const { return FComponent; }
    void SetComponent(core::Object* Value) { FComponent = Value; }

    // True when the connection to the server is lost or unusable; a provider's error class decides.
    virtual bool IsFatalError() const { return false; }
    // True when the error is a unique-key violation.
    virtual bool IsKeyViolation() const { return false; }

private:
    int32_t FErrorCode;
    core::Object* FComponent = nullptr;
};

// What the option objects and the SQL monitor need of the connection component that owns them.
class IDAConnection {
public:
    // Closes the server connection; errors propagate.
    virtual void Disconnect() = 0;
    // The provider connection, or null.
    virtual TCRConnection* GetIConnection() const = 0;
    virtual String GetUsername() const = 0;
    virtual String GetServer() const = 0;

protected:
    ~IDAConnection() = default;
};

class TDAConnectionOptions : public core::Persistent {
public:
    explicit TDAConnectionOptions(IDAConnection* Owner) : FOwner(Owner) {}

    bool DisconnectedMode() const { return FDisconnectedMode; }
    // A change disconnects the owner first (its errors propagate and the value stays) and is passed
    // to the provider connection.
    void SetDisconnectedMode(bool Value);
    bool KeepDesignConnected() const { return FKeepDesignConnected; }
    void SetKeepDesignConnected(bool Value) { FKeepDesignConnected = Value; }
    bool LocalFailover() const { return FLocalFailover; }
    void SetLocalFailover(bool Value) { FLocalFailover = Value; }
    TSortType DefaultSortType() const { return FDefaultSortType; }
    void SetDefaultSortType(TSortType Value);
    // Published by a provider's option class; passed on also when unchanged, so that a new provider
    // connection can be brought in line by setting them again.
    bool EnableBCD() const { return FEnableBCD; }
    void SetEnableBCD(bool Value);
    bool EnableFMTBCD() const { return FEnableFMTBCD; }
    void SetEnableFMTBCD(bool Value);

    IDAConnection* Owner() const { return FOwner; }

protected:
    // DefaultSortType is not copied: it belongs to the connection's data, not its behaviour.
    void AssignTo(core::Persistent& Dest) const override;
    // Sets a property of the owner's provider connection, when there is one.
    void SetProp(int Prop, const core::Variant& Value) const;

private:
    bool FKeepDesignConnected = true;
    bool FDisconnectedMode = false;
    bool FLocalFailover = false;
    TSortType FDefaultSortType = stCaseSensitive;
    bool FEnableBCD = false;
    bool FEnableFMTBCD = false;
    IDAConnection* FOwner;  // not owned
};

// A change takes effect for the next pooled connection obtained.
class TPoolingOptions : public core::Persistent {
public:
    explicit TPoolingOptions(IDAConnection* Owner) : FOwner(Owner) {}

    int32_t MaxPoolSize() const { return FMaxPoolSize; }
    void SetMaxPoolSize(int32_t Value) { FMaxPoolSize = Value; }
    int32_t MinPoolSize() const { return FMinPoolSize; }
    void SetMinPoolSize(int32_t Value) { FMinPoolSize = Value; }
    // The lifetime limit of a pooled connection; 0: none.
    int32_t ConnectionLifetime() const { return FConnectionLifetime; }
    void SetConnectionLifetime(int32_t Value) { FConnectionLifetime = Value; }
    bool Validate() const { return FValidate; }
    void SetValidate(bool Value) { FValidate = Value; }

    IDAConnection* Owner() const { return FOwner; }

protected:
    void AssignTo(core::Persistent& Dest) const override;

private:
    IDAConnection* FOwner;  // not owned
    int32_t FMaxPoolSize = 100;
    int32_t FMinPoolSize = 0;
    int32_t FConnectionLifetime = 0;
    bool FValidate = false;
};

} // namespace data
