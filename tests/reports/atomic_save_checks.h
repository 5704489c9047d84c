#pragma once
// Checks shared by the atomic save tests of both platforms.

#include <filesystem>
#include <string>
#include <vector>

namespace orvane::testing {

// Names of the entries of a folder, sorted.
std::vector<std::filesystem::path> folderEntries(const std::filesystem::path& folder);

// The save must throw exactly this message.
void expectSaveFailure(const std::filesystem::path& target, const std::string& text,
                       const char* message);

}  // namespace orvane::testing
