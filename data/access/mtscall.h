// Run-time binding of the distributed transaction coordinator's support library ("xolehlp.dll"), so
// that the program starts where the coordinator is missing and fails only when a distributed
// transaction is started. Also the coordinator's dispenser and transaction interfaces, declared here
// with the COM slot order so that portable code (and tests, with a fake dispenser) can use them.
#pragma once

#include <atomic>
#include <cstdint>

namespace data {

struct TDtcGuid {
    uint32_t D1;
    uint16_t D2;
    uint16_t D3;
    uint8_t D4[8];

    friend bool operator==(const TDtcGuid&, const TDtcGuid&) = default;
};

// The dispenser interface identity the transaction asks the coordinator for.
inline constexpr TDtcGuid IID_ITransactionDispenser = {
    0x3A6AD9E1, 0x23B9, 0x11CF, {0xAD, 0x60, 0x00, 0xAA, 0x00, 0xA7, 0x4C, 0xCD}};

// COM result codes: negative means failure.
using TDtcResult = int32_t;
inline constexpr TDtcResult DTC_S_OK = 0;
inline constexpr TDtcResult DTC_E_NOINTERFACE = int32_t(0x80004002u);

// The coordinator objects are COM objects: these classes only describe their slots, in order
// (the unknown's three first). x64 has one calling convention, so the layout is the platform's.
class IDtcUnknown {
public:
    virtual TDtcResult QueryInterface(const TDtcGuid& Iid, void** Object) = 0;
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;

protected:
    ~IDtcUnknown() = default;
};

class ICRTransactionSC : public IDtcUnknown {
public:
    virtual TDtcResult Commit(int32_t Retaining, uint32_t GrfTC, uint32_t GrfRM) = 0;
    virtual TDtcResult Abort(void* ReasonBoid, int32_t Retaining, int32_t Async) = 0;
    virtual TDtcResult GetTransactionInfo(void* Info) = 0;

protected:
    ~ICRTransactionSC() = default;
};

class ICRTransactionDispenserSC : public IDtcUnknown {
public:
    virtual TDtcResult GetOptionsObject(IDtcUnknown** Options) = 0;
    virtual TDtcResult BeginTransaction(IDtcUnknown* Outer, int32_t IsoLevel, uint32_t IsoFlags,
                                        IDtcUnknown* Options, ICRTransactionSC** Transaction) = 0;

protected:
    ~ICRTransactionDispenserSC() = default;
};

// The coordinator's entry point of the same name: host, transaction-manager name, interface identity,
// options, configuration, out object.
using TDtcGetTransactionManagerEx = TDtcResult (*)(char* Host, char* TmName, const TDtcGuid* Iid,
                                                   uint32_t Options, void* ConfigParams, void** Object);

// Until the library is bound this holds DtcNotLinked, which raises "Function is not linked".
extern std::atomic<TDtcGetTransactionManagerEx> DtcGetTransactionManagerEx;
TDtcResult DtcNotLinked(char* Host, char* TmName, const TDtcGuid* Iid, uint32_t Options, void* ConfigParams,
                        void** Object);

// Binds the library once per process; raises "Can not find xolehlp.dll" when it cannot be loaded (a
// later call tries again). A library without the entry point leaves the stub in place.
void LoadDtcLibrary();
// Frees the library and puts the stub back, so that no caller jumps into an unloaded module.
void FreeDtcLibrary();
bool DtcLibraryLoaded();

// Binds EntryPoint as if the library had been loaded, without loading it (null: unbound again). For
// tests, whose coordinator is a fake: Wine's entry point ends the process.
void SetDtcEntryPoint(TDtcGetTransactionManagerEx EntryPoint);

namespace detail {
// The system half: the library's handle (null when it cannot be loaded), the entry point in it (null
// when missing), and its release.
void* OpenDtcModule();
TDtcGetTransactionManagerEx DtcEntryPointOf(void* Module);
void CloseDtcModule(void* Module);
} // namespace detail

} // namespace data
