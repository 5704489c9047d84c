#pragma once
// Scratch folders that a killed run left behind (SIGKILL, a crash, a pulled drive), found by their
// exact name and their contents, and removed only when they hold nothing a run does not create.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace orvane {

struct Leftover {
    std::filesystem::path folder;
    std::uint64_t bytes = 0;  // of the run's files in it
    std::filesystem::file_time_type modified;
    // Empty when the folder holds only the test file and small files; else the first name that
    // no run creates (a file, a subfolder or a link), and nothing in the folder is touched.
    std::string foreignEntry;

    bool removable() const { return foreignEntry.empty(); }
};

// The prefix and 32 lowercase hexadecimal digits, nothing more.
bool isScratchFolderName(const std::string& name);
// "workload.bin" or a small file's "item-N.bin".
bool isRunFileName(const std::string& name);

// The leftovers directly inside folder, in name order. Throws when folder cannot be listed.
std::vector<Leftover> findLeftovers(const std::filesystem::path& folder);

// Looks at the folder again, then removes the run's files and the then empty folder (never
// recursively). Returns why it could not, empty when it is gone.
std::string removeLeftover(const std::filesystem::path& scratchFolder);

}  // namespace orvane
