#pragma once
// The embedded format script as the tests read it from the source tree.

#include <string>
#include <vector>

namespace orvane::testing {

// The script's bytes; fails the calling test when the source tree cannot be found.
std::string readFormatScript();

// The bodies of the script's single-quoted here-strings (the inline C# sources), in order.
std::vector<std::string> hereStringsOf(const std::string& script);

}  // namespace orvane::testing
