#pragma once
// Starts the program under test with arguments and returns its exit code.

#include <string>
#include <vector>

namespace orvane {

int runProgram(const std::vector<std::string>& arguments);

}  // namespace orvane
