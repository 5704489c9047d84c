#include "cli/leftovers_command.h"

#include <chrono>
#include <ostream>

#include "cli/run_command_line.h"
#include "engine/number_text.h"
#include "platform/byte_units.h"
#include "platform/text_encoding.h"

namespace orvane {

namespace {

namespace fs = std::filesystem;

constexpr const char* kProgram = "orvane-varnolt: ";

std::string ageText(fs::file_time_type modified, fs::file_time_type now) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now - modified).count();
    if (seconds < 120)
        return std::to_string(seconds < 0 ? 0 : seconds) + " s";
    if (seconds < 2 * 3600)
        return std::to_string(seconds / 60) + " min";
    if (seconds < 2 * 86400)
        return std::to_string(seconds / 3600) + " h";
    return std::to_string(seconds / 86400) + " days";
}

std::string pathText(const fs::path& path) {
    return toUtf8(path.native());
}

}  // namespace

std::string leftoverText(const Leftover& leftover, fs::file_time_type now) {
    return pathText(leftover.folder) + " (" +
           fixedDecimalText(static_cast<double>(leftover.bytes) / kMiB, 1) + " MiB, " +
           ageText(leftover.modified, now) + " old)";
}

void reportLeftovers(const fs::path& folder, std::ostream& err) {
    std::vector<Leftover> leftovers;
    try {
        leftovers = findLeftovers(folder);
    } catch (const std::exception&) {
        return;
    }
    const auto now = fs::file_time_type::clock::now();
    for (const auto& leftover : leftovers) {
        if (leftover.removable()) {
            err << kProgram << "an earlier run that was stopped left "
                << leftoverText(leftover, now)
                << "; remove it with: orvane-varnolt --remove-leftovers " << pathText(folder)
                << "\n";
        } else {
            err << kProgram << "not removable: " << leftoverText(leftover, now) << " holds "
                << leftover.foreignEntry << ", which no run creates; it is left alone\n";
        }
    }
}

int removeLeftoversCommand(const fs::path& folder, std::ostream& out, std::ostream& err) {
    std::vector<Leftover> leftovers;
    try {
        leftovers = findLeftovers(folder);
    } catch (const std::exception& error) {
        err << kProgram << "cannot look into " << pathText(folder) << ": " << error.what() << "\n";
        return kExitFailed;
    }
    if (leftovers.empty()) {
        err << kProgram << "no leftovers of a stopped run in " << pathText(folder) << "\n";
        return kExitFailed;
    }
    const auto now = fs::file_time_type::clock::now();
    bool allRemoved = true;
    for (const auto& leftover : leftovers) {
        const std::string reason = removeLeftover(leftover.folder);
        if (reason.empty()) {
            out << "removed " << leftoverText(leftover, now) << "\n";
        } else {
            err << kProgram << "not removed: " << pathText(leftover.folder) << ": " << reason
                << "\n";
            allRemoved = false;
        }
    }
    return allRemoved ? kExitCompleted : kExitFailed;
}

}  // namespace orvane
