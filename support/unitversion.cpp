// The unit-version registry.
#include "support/unitversion.h"

#include "core/convert.h"
#include "core/exception.h"
#include "support/syssync.h"
#include "support/sysos.h"

#include <algorithm>
#include <cstring>

namespace support {

namespace {

bool StartsWith(const core::String& text, core::StringView prefix)
{
    return text.size() >= prefix.size() && core::StringView(text).substr(0, prefix.size()) == prefix;
}

// The text without `head` characters at the front and `tail` at the end.
core::String Inner(const core::String& text, size_t head, size_t tail)
{
    return text.size() <= head + tail ? core::String() : text.substr(head, text.size() - head - tail);
}

// The value of the leading decimal digits; anything after them is ignored.
int LeadingNumber(core::StringView text)
{
    int value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9' || value > 100000000)
            break;
        value = value * 10 + (c - u'0');
    }
    return value;
}

int Number(const core::String& text, int index, int count) { return core::StrToInt(core::Copy(text, index, count)); }

} // namespace

core::String TUnitVersion::RCSfile() const
{
    core::String text = core::Trim(FInfo->RCSfile);
    if (StartsWith(text, u"$RCSfile: ")) {
        text = Inner(text, 10, 2);
        const size_t comma = text.rfind(u',');
        if (comma != core::String::npos)
            text.resize(comma);
    }
    if (StartsWith(text, u"$URL: ")) {
        text = Inner(text, 6, 2);
        for (size_t slash; (slash = text.find(u'/')) != core::String::npos;)
            text.erase(0, slash + 1);
    }
    return text;
}

core::String TUnitVersion::Revision() const
{
    const core::String text = core::Trim(FInfo->Revision);
    return StartsWith(text, u"$Revision: ") ? Inner(text, 11, 2) : text;
}

core::String TUnitVersion::Date() const
{
    const core::String text = core::Trim(FInfo->Date);
    return StartsWith(text, u"$Date: ") ? Inner(text, 7, 2) : text;
}

core::TDateTime TUnitVersion::DateTime() const
{
    const core::String text = Date();
    int p = core::Pos(u"/", text);
    if (p == 0)
        p = core::Pos(u"-", text);
    core::TDateTime date;
    if (p == 5)
        date = core::EncodeDate(Number(text, 1, 4), Number(text, 6, 2), Number(text, 9, 2));
    else if (p != 0)
        date = core::EncodeDate(Number(text, 7, 4), Number(text, 1, 2), Number(text, 4, 2));
    else if (core::Pos(u".", text) != 0)
        date = core::EncodeDate(Number(text, 7, 4), Number(text, 4, 2), Number(text, 1, 2));
    else
        return 0;

    const size_t blank = text.find(u' ');
    const core::String time = blank == core::String::npos ? core::String() : core::Trim(core::StringView(text).substr(blank + 1));
    const char16_t separator = time.find(u':') != core::String::npos ? u':' : u'/';
    int parts[3] = {0, 0, 0};
    size_t at = 0;
    for (int i = 0; i < 3 && at <= time.size(); ++i) {
        const size_t next = time.find(separator, at);
        parts[i] = LeadingNumber(core::StringView(time).substr(at, next == core::String::npos ? core::String::npos : next - at));
        if (next == core::String::npos)
            break;
        at = next + 1;
    }
    return date + core::EncodeTime(parts[0], parts[1], parts[2], 0);
}

// ---- Modules ----

TUnitVersion& TUnitVersioningModule::Items(int index) const
{
    if (index < 0 || index >= Count())
        throw core::EListError(u"List index out of bounds (" + core::IntToStr(index) + u")");
    return *FItems[size_t(index)];
}

void TUnitVersioningModule::Add(const TUnitVersionInfo& info)
{
    for (const auto& item : FItems)
        if (item->Info() == &info)
            return;
    FItems.push_back(std::make_unique<TUnitVersion>(info));
}

int TUnitVersioningModule::IndexOf(const core::String& rcsFile, const core::String& logPath) const
{
    for (size_t i = 0; i < FItems.size(); ++i)
        if (core::SameText(FItems[i]->RCSfile(), rcsFile) &&
            (logPath == u"*" || core::SameText(FItems[i]->LogPath(), logPath)))
            return int(i);
    return -1;
}

// ---- Registry ----

void TUnitVersioning::ValidateModules()
{
    std::erase_if(FModules, [](const auto& m) { return !sysos::ModuleLoaded(m->Instance()); });
}

int TUnitVersioning::ModuleCount()
{
    ValidateModules();
    return int(FModules.size());
}

int TUnitVersioning::Count()
{
    ValidateModules();
    int total = 0;
    for (const auto& m : FModules)
        total += m->Count();
    return total;
}

TUnitVersioningModule& TUnitVersioning::Modules(int index) const
{
    if (index < 0 || index >= int(FModules.size()))
        throw core::EListError(u"List index out of bounds (" + core::IntToStr(index) + u")");
    return *FModules[size_t(index)];
}

TUnitVersion& TUnitVersioning::Items(int index) const
{
    int rest = index;
    for (const auto& m : FModules) {
        if (rest >= 0 && rest < m->Count())
            return m->Items(rest);
        rest -= m->Count();
    }
    throw core::EListError(u"List index out of bounds (" + core::IntToStr(index) + u")");
}

void TUnitVersioning::RegisterModule(std::uintptr_t instance, const TUnitVersionInfo& info)
{
    for (const auto& m : FModules)
        if (m->Instance() == instance) {
            m->Add(info);
            return;
        }
    FModules.push_back(std::make_unique<TUnitVersioningModule>(instance));
    FModules.back()->Add(info);
}

void TUnitVersioning::UnregisterModule(std::uintptr_t instance)
{
    for (size_t i = FModules.size(); i-- > 0;)
        if (FModules[i]->Instance() == instance) {
            FModules.erase(FModules.begin() + std::ptrdiff_t(i));
            break;
        }
    for (const auto& p : FProviders)
        p->ReleaseModuleUnitVersioningInfo(instance);
}

int TUnitVersioning::IndexOf(const core::String& rcsFile, const core::String& logPath) const
{
    const core::String path = core::Trim(logPath);
    int base = 0;
    for (const auto& m : FModules) {
        const int at = m->IndexOf(rcsFile, path);
        if (at >= 0)
            return base + at;
        base += m->Count();
    }
    return -1;
}

TUnitVersion* TUnitVersioning::FindUnit(const core::String& rcsFile, const core::String& logPath) const
{
    const int at = IndexOf(rcsFile, logPath);
    return at < 0 ? nullptr : &Items(at);
}

void TUnitVersioning::LoadModuleUnitVersioningInfo(std::uintptr_t instance)
{
    for (const auto& p : FProviders)
        p->LoadModuleUnitVersioningInfo(instance);
}

// ---- The state of one module ----

namespace {

// Holds the registry mutex for a scope.
class MutexHold {
public:
    explicit MutexHold(TSysMutex& mutex) : m_mutex(mutex) { m_held = m_mutex.WaitForever() != wrError; }
    ~MutexHold()
    {
        if (m_held)
            m_mutex.Release();
    }
    MutexHold(const MutexHold&) = delete;
    MutexHold& operator=(const MutexHold&) = delete;

private:
    TSysMutex& m_mutex;
    bool m_held = false;
};

TUnitVersioning* ReadPointer(const void* block)
{
    TUnitVersioning* registry = nullptr;
    std::memcpy(&registry, block, sizeof(registry));
    return registry;
}

void WritePointer(void* block, TUnitVersioning* registry) { std::memcpy(block, &registry, sizeof(registry)); }

} // namespace

TUnitVersioningState::TUnitVersioningState(uint32_t processId)
    : m_mutex_name(u"MutexNPA_UnitVersioning_" + core::UIntToStr(processId)),
      m_block_name(u"ShmNPA_UnitVersioning_" + core::UIntToStr(processId))
{
}

TUnitVersioningState::~TUnitVersioningState() { Finalize(); }

TUnitVersioning* TUnitVersioningState::GetUnitVersioning()
{
    if (m_finalized)
        return nullptr;
    if (!m_mutex)
        m_mutex = std::make_unique<TSysMutex>(nullptr, false, m_mutex_name);
    if (m_registry && !m_block)
        return m_registry;  // a private registry: there is no block to look at
    MutexHold hold(*m_mutex);
    if (!m_block)
        OpenSharedBlock(m_block, m_block_name, uint32_t(sizeof(void*)), kMapAllAccess);
    if (m_block) {
        TUnitVersioning* shared = ReadPointer(m_block);
        if (shared) {
            // Adopt the published registry (or keep ours when it is the one published).
            if (shared != m_registry && m_owner) {
                delete m_registry;
                m_owner = false;
            }
            m_registry = shared;
        } else {
            // Nothing published (first module, or the owner has gone): this module makes one. A
            // registry adopted earlier belonged to the module that cleared the block and is gone.
            if (!m_owner)
                m_registry = nullptr;
            if (!m_registry) {
                m_registry = new TUnitVersioning();
                m_owner = true;
            }
            WritePointer(m_block, m_registry);
        }
    } else if (!m_registry) {
        m_registry = new TUnitVersioning();
        m_owner = true;
    }
    return m_registry;
}

void TUnitVersioningState::RegisterUnitVersion(std::uintptr_t instance, const TUnitVersionInfo& info)
{
    if (TUnitVersioning* registry = GetUnitVersioning())
        registry->RegisterModule(instance, info);
}

void TUnitVersioningState::UnregisterUnitVersion(std::uintptr_t instance)
{
    if (TUnitVersioning* registry = GetUnitVersioning())
        registry->UnregisterModule(instance);
}

void TUnitVersioningState::Finalize() noexcept
{
    if (m_finalized)
        return;
    m_finalized = true;
    try {
        if (m_block && m_mutex) {
            MutexHold hold(*m_mutex);
            // Only the owner withdraws the published address; a module that adopted it leaves it.
            if (m_owner && ReadPointer(m_block) == m_registry)
                WritePointer(m_block, nullptr);
            CloseSharedBlock(m_block);
        }
    } catch (...) {
    }
    if (m_owner)
        delete m_registry;
    m_registry = nullptr;
    m_owner = false;
    m_block = nullptr;
    m_mutex.reset();
}

void TUnitVersioningState::Reset()
{
    Finalize();
    m_finalized = false;
}

TUnitVersioningState& ModuleUnitVersioning()
{
    static TUnitVersioningState* state = new TUnitVersioningState(sysos::CurrentProcessId());
    return *state;
}

void RegisterUnitVersion(std::uintptr_t instance, const TUnitVersionInfo& info)
{
    ModuleUnitVersioning().RegisterUnitVersion(instance, info);
}

void UnregisterUnitVersion(std::uintptr_t instance) { ModuleUnitVersioning().UnregisterUnitVersion(instance); }

TUnitVersioning* GetUnitVersioning() { return ModuleUnitVersioning().GetUnitVersioning(); }

} // namespace support
