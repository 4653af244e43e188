// The provider error and the connection's option objects.
#include "data/access/daerror.h"

namespace data {

void TDAConnectionOptions::SetProp(int Prop, const core::Variant& Value) const
{
    if (FOwner == nullptr)
        return;
    if (TCRConnection* connection = FOwner->GetIConnection())
        connection->SetProp(Prop, Value);
}

void TDAConnectionOptions::SetDisconnectedMode(bool Value)
{
    if (Value == FDisconnectedMode)
        return;
    if (FOwner != nullptr)
        FOwner->Disconnect();
    FDisconnectedMode = Value;
    SetProp(PropDisconnectedMode, core::Variant(Value));
}

void TDAConnectionOptions::SetDefaultSortType(TSortType Value)
{
    if (Value == FDefaultSortType)
        return;
    FDefaultSortType = Value;
    SetProp(PropDefaultSortType, core::Variant(int32_t(Value)));
}

void TDAConnectionOptions::SetEnableBCD(bool Value)
{
    FEnableBCD = Value;
    SetProp(PropEnableBCD, core::Variant(Value));
}

void TDAConnectionOptions::SetEnableFMTBCD(bool Value)
{
    FEnableFMTBCD = Value;
    SetProp(PropEnableFMTBCD, core::Variant(Value));
}

void TDAConnectionOptions::AssignTo(core::Persistent& Dest) const
{
    auto* dest = dynamic_cast<TDAConnectionOptions*>(&Dest);
    if (dest == nullptr) {
        core::Persistent::AssignTo(Dest);
        return;
    }
    dest->FKeepDesignConnected = FKeepDesignConnected;
    dest->SetDisconnectedMode(FDisconnectedMode);
    dest->FLocalFailover = FLocalFailover;
    dest->SetEnableBCD(FEnableBCD);
    dest->SetEnableFMTBCD(FEnableFMTBCD);
}

void TPoolingOptions::AssignTo(core::Persistent& Dest) const
{
    auto* dest = dynamic_cast<TPoolingOptions*>(&Dest);
    if (dest == nullptr) {
        core::Persistent::AssignTo(Dest);
        return;
    }
    dest->FMaxPoolSize = FMaxPoolSize;
    dest->FMinPoolSize = FMinPoolSize;
    dest->FConnectionLifetime = FConnectionLifetime;
    dest->FValidate = FValidate;
}

} // namespace data
