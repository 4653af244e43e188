// The message of the exception an action raises, for tests that compare exact texts.
#pragma once

#include "core/exception.h"

#include <functional>

template<class E>
core::String ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const E& error) {
        return error.Message();
    } catch (const std::exception& error) {
        return u"unexpected: " + core::ExceptionMessage(error);
    }
    return u"no exception";
}
