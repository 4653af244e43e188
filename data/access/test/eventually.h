// Waiting in tests for what another thread does: poll until it holds, with a generous bound.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace accesstest {

// Polls until done() holds; false after the given seconds.
inline bool Eventually(const std::function<bool()>& done, int seconds = 5)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

} // namespace accesstest
