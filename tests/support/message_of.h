#pragma once
// What an action says when it refuses, or "accepted": lets a table compare outcomes as text.

#include <exception>
#include <functional>
#include <string>

namespace orvane::testing {

inline std::string messageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "accepted";
}

}  // namespace orvane::testing
