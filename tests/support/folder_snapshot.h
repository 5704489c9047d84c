#pragma once
// What a folder holds, to prove that a run left the user's files exactly as they were.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "platform/text_encoding.h"
#include "tests/support/temp_folder.h"

namespace orvane::testing {

// Entry name (UTF-8) to a hash of its bytes; folders map to 0 and are not entered.
using FolderSnapshot = std::map<std::string, std::uint64_t>;

inline FolderSnapshot snapshotFolder(const std::filesystem::path& folder) {
    FolderSnapshot snapshot;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        snapshot[toUtf8(entry.path().filename().native())] =
            entry.is_directory() ? 0 : std::hash<std::string>{}(readWholeFile(entry.path()));
    }
    return snapshot;
}

}  // namespace orvane::testing
