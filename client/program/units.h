// The program's unit table: every module's start-up, run in table order before the application
// object is made, and its finalisation, run in reverse order when the process ends normally. A
// module joins the program with one line of the table (units_win32.cpp).
#pragma once

#include <functional>
#include <span>

namespace client::program {

struct ProgramUnit {
    const char* name;
    void (*init)();  // may be null: a unit without a start-up of its own
    void (*done)();  // may be null: nothing to release
};

// The table, in start-up order.
std::span<const ProgramUnit> ProgramUnits();

// Runs the start-ups in table order; `starting` (when given) sees each unit just before its
// start-up. A start-up that throws leaves the units before it started (FinaliseUnits ends them).
void InitialiseUnits(const std::function<void(const ProgramUnit&)>& starting = {});
// Runs the finalisations of the started units in reverse order; `ending` sees each one before it.
void FinaliseUnits(const std::function<void(const ProgramUnit&)>& ending = {});

} // namespace client::program
