// Ordered initialisation and finalisation of the program's units, with rollback on failure.
#include "core/unit.h"

#include "core/exception.h"
#include "core/flagscope.h"

namespace core {

UnitTable::~UnitTable()
{
    FinalizeAll();
}

void UnitTable::Add(String name, Procedure initialize, Procedure finalize)
{
    m_units.push_back(Unit{std::move(name), std::move(initialize), std::move(finalize)});
}

const UnitTable::Unit& UnitTable::At(int index) const
{
    if (index < 0 || index >= Count())
        throw EListError(u"List index out of bounds (" + IntToStr(index) + u")");
    return m_units[size_t(index)];
}

const String& UnitTable::Name(int index) const
{
    return At(index).name;
}

bool UnitTable::IsInitialized(int index) const
{
    return At(index).initialized;
}

void UnitTable::InitializeAll()
{
    if (m_running)
        throw EInvalidOperation(u"Unit table is already running");
    try {
        FlagScope running(m_running);
        // By index: an initialiser may add units.
        for (size_t i = 0; i < m_units.size(); ++i) {
            if (m_units[i].initialized)
                continue;
            if (m_units[i].initialize)
                m_units[i].initialize();
            m_units[i].initialized = true;
            m_order.push_back(i);
        }
    } catch (...) {
        FinalizeAll();
        throw;
    }
}

void UnitTable::FinalizeAll() noexcept
{
    if (m_running)
        return;
    FlagScope running(m_running);
    while (!m_order.empty()) {
        const size_t index = m_order.back();
        m_order.pop_back();
        m_units[index].initialized = false;
        const Procedure& finalize = m_units[index].finalize;
        if (!finalize)
            continue;
        try {
            finalize();
        } catch (...) {
            HandleException();
        }
    }
}

} // namespace core
