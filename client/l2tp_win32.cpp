// The remote-access registry value for L2TP.
#include "client/l2tp.h"

#include "support/registry.h"

namespace client {

ProhibitIpSecState ReadProhibitIpSec()
{
    support::Registry registry(support::HKeyLocalMachine);
    if (!registry.OpenKey(kRasManParametersKey, false))
        return ProhibitIpSecState::KeyMissing;
    if (registry.GetDataType(kProhibitIpSecValue) != support::RegistryDataType::Integer)
        return ProhibitIpSecState::ValueMissing;
    try {
        switch (registry.ReadInteger(kProhibitIpSecValue)) {
        case 0: return ProhibitIpSecState::Zero;
        case 1: return ProhibitIpSecState::One;
        default: return ProhibitIpSecState::Other;
        }
    } catch (const support::ERegistryException&) {
        return ProhibitIpSecState::ValueMissing;
    }
}

bool SetProhibitIpSec()
{
    try {
        support::Registry registry(support::HKeyLocalMachine);
        if (!registry.OpenKey(kRasManParametersKey, true))
            return false;
        registry.WriteInteger(kProhibitIpSecValue, 1);
        return true;
    } catch (const support::ERegistryException&) {
        return false;
    }
}

} // namespace client
