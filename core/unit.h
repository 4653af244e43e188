// The program's unit table: each module's initialise/finalise pair, run in a fixed order from the
// program entry instead of static constructors.
#pragma once

#include "core/string.h"

#include <deque>
#include <functional>
#include <vector>

namespace core {

// Used from the program entry's thread only.
class UnitTable {
public:
    using Procedure = std::function<void()>;

    UnitTable() = default;
    UnitTable(const UnitTable&) = delete;
    UnitTable& operator=(const UnitTable&) = delete;
    // Finalises what is still initialised.
    ~UnitTable();

    // Appends a unit; either procedure may be empty. A unit added while InitializeAll runs (by an
    // initialiser) is initialised in the same run.
    void Add(String name, Procedure initialize, Procedure finalize = {});

    // Initialises, in table order, every unit not initialised yet. When an initialiser throws,
    // every unit initialised so far is finalised, last first, and the exception propagates.
    // EInvalidOperation when called from inside an initialiser or finaliser.
    void InitializeAll();
    // Finalises the initialised units in reverse order of initialisation, each once. A finaliser's
    // exception goes to HandleException and the others still run.
    void FinalizeAll() noexcept;

    int Count() const { return int(m_units.size()); }
    const String& Name(int index) const;            // EListError outside 0..Count-1
    bool IsInitialized(int index) const;            // EListError outside 0..Count-1
    int InitializedCount() const { return int(m_order.size()); }

private:
    struct Unit {
        String name;
        Procedure initialize;
        Procedure finalize;
        bool initialized = false;
    };
    const Unit& At(int index) const;

    std::deque<Unit> m_units;    // a deque: adding keeps references to running procedures valid
    std::vector<size_t> m_order; // indexes of initialised units, in order of initialisation
    bool m_running = false;
};

} // namespace core
