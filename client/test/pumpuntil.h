// A bounded wait for the tests of code that hands results to the main thread.
#pragma once
#include "core/thread.h"

#include <chrono>

namespace client::test {

// Runs queued calls on the main thread until the condition holds (bounded).
template <class F>
bool PumpUntil(F condition, int timeoutMs = 10000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        core::CheckSynchronize(5);
    }
    return true;
}

} // namespace client::test
