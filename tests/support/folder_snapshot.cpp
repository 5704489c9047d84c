#include "tests/support/folder_snapshot.h"

#include "platform/text_encoding.h"
#include "tests/support/temp_folder.h"

namespace orvane::testing {

namespace {

std::uint64_t fnv1a(const std::string& bytes) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char byte : bytes) {
        hash ^= static_cast<std::uint8_t>(byte);
        hash *= 1099511628211ull;
    }
    return hash;
}

}  // namespace

FolderSnapshot snapshotFolder(const std::filesystem::path& folder) {
    FolderSnapshot snapshot;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = toUtf8(entry.path().filename().native());
        snapshot[name] = entry.is_directory() ? 0 : fnv1a(readWholeFile(entry.path()));
    }
    return snapshot;
}

}  // namespace orvane::testing
