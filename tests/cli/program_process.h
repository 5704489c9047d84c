#pragma once
// Starts the program under test with arguments and returns its exit code.

#include <string>
#include <vector>

namespace orvane {

int runProgram(const std::vector<std::string>& arguments);

#ifdef _WIN32
// The program under test as Windows (Wine) names it.
std::wstring programPath();
#else
// The same, keeping what the program wrote on standard output.
int runProgram(const std::vector<std::string>& arguments, std::string& standardOutput);
#endif

}  // namespace orvane
