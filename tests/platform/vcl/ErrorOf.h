// The message of the exception a piece of code raises, for tests of the class library's errors.
#pragma once

#include "platform/vcl/Exceptions.h"

#include <functional>
#include <string>

namespace vcltest {

inline std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const vcl::Exception& e) {
        return e.Message();
    }
    return "no error";
}

} // namespace vcltest
