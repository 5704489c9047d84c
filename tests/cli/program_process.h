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
// Starts the program without waiting, its standard output and error going to outputFile; for
// tests that signal it. Returns the process id.
int startProgram(const std::vector<std::string>& arguments, const std::string& outputFile);
// The exit code, or 128 + the signal that ended it.
int waitProgram(int pid);
// runProgram that also returns what the program printed (standard error after output).
int runProgram(const std::vector<std::string>& arguments, std::string& printed);
#endif

}  // namespace orvane
