#include "storage/target_inspection.h"

#include <stdexcept>
#include <system_error>

#include "storage/target_rules.h"

namespace orvane {

std::filesystem::path requireExistingFolder(const std::filesystem::path& folder) {
    std::error_code error;
    const auto status = std::filesystem::status(folder, error);
    if (error && status.type() != std::filesystem::file_type::not_found) {
        throw std::filesystem::filesystem_error("status", folder, error);
    }
    if (error || !std::filesystem::is_directory(status)) {
        throw std::runtime_error(kChooseExistingFolderMessage);
    }
    return std::filesystem::absolute(folder);  // throws filesystem_error "absolute"
}

}  // namespace orvane
