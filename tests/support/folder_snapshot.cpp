#include "tests/support/folder_snapshot.h"

#include <functional>

#include "platform/text_encoding.h"
#include "tests/support/temp_folder.h"

namespace orvane::testing {

FolderSnapshot snapshotFolder(const std::filesystem::path& folder) {
    FolderSnapshot snapshot;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        snapshot[toUtf8(entry.path().filename().native())] =
            entry.is_directory() ? 0 : std::hash<std::string>{}(readWholeFile(entry.path()));
    }
    return snapshot;
}

}  // namespace orvane::testing
