#include "engine/scratch_folder.h"

#include <array>
#include <cstdint>
#include <stdexcept>
#include <system_error>

#include "engine/run_option_rules.h"
#include "platform/random_bytes.h"

namespace orvane {

namespace fs = std::filesystem;

fs::path createScratchFolder(const fs::path& folder) {
    std::array<std::uint8_t, 16> randomBytes{};
    fillRandom(randomBytes.data(), randomBytes.size());
    const fs::path scratch = folder / scratchFolderName(randomBytes);
    // Non-recursive: the parent is the user's folder and must already exist.
    if (!fs::create_directory(scratch))
        throw std::runtime_error(kScratchFolderTakenMessage);
    return scratch;
}

bool removeCreatedFiles(const std::vector<fs::path>& createdFiles, const fs::path& scratchFolder) {
    bool complete = true;
    for (const auto& path : createdFiles) {
        std::error_code error;
        fs::remove(path, error);
        if (error)
            complete = false;
    }
    if (!scratchFolder.empty()) {
        std::error_code error;
        fs::remove(scratchFolder, error);  // never recursive: it may hold someone else's file
        if (error)
            complete = false;
    }
    return complete;
}

}  // namespace orvane
