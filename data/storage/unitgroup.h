// A module's units behind one nesting-counted start/finish pair, as the program's unit table and
// tests call it: only the outermost pair does the work.
#pragma once

#include <cstddef>

namespace data {

// Either step may be null.
struct TUnitSteps {
    void (*Init)();
    void (*Done)();
};

// Used from the program entry's thread only. Constant-initialised, so that it needs no static
// constructor.
class TUnitGroup {
public:
    template <size_t N>
    constexpr explicit TUnitGroup(const TUnitSteps (&Units)[N]) : FUnits(Units), FCount(N)
    {
    }
    TUnitGroup(const TUnitGroup&) = delete;
    TUnitGroup& operator=(const TUnitGroup&) = delete;

    // Starts the units in order. When one raises, those started before it are finished, last first,
    // the nesting is not counted and the exception passes.
    void Start();
    // Finishes them in reverse order when the outermost Start is matched; unmatched calls do nothing.
    void Finish();
    bool Started() const { return FNesting > 0; }

private:
    const TUnitSteps* FUnits;
    size_t FCount;
    int FNesting = 0;
};

} // namespace data
