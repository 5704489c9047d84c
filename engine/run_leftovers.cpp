#include "engine/run_leftovers.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <system_error>

#include "engine/run_option_rules.h"
#include "platform/text_encoding.h"

namespace orvane {

namespace {

namespace fs = std::filesystem;

std::string nameOf(const fs::path& path) {
    return toUtf8(path.filename().native());
}

bool isLowerHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

// Reads what the folder holds; a scratch folder that is a link, or not a folder, is no leftover.
bool describe(const fs::path& folder, Leftover& leftover) {
    std::error_code error;
    if (!fs::is_directory(fs::symlink_status(folder, error)))
        return false;
    leftover = Leftover{};
    leftover.folder = folder;
    leftover.modified = fs::last_write_time(folder, error);
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string name = nameOf(entry.path());
        std::error_code sizeError;
        const auto status = fs::symlink_status(entry.path(), sizeError);
        if (!fs::is_regular_file(status) || !isRunFileName(name)) {
            if (leftover.foreignEntry.empty() || name < leftover.foreignEntry)
                leftover.foreignEntry = name;
            continue;
        }
        const auto size = fs::file_size(entry.path(), sizeError);
        if (!sizeError)
            leftover.bytes += size;
    }
    if (error)
        leftover.foreignEntry = "(unreadable: " + error.message() + ")";
    return true;
}

}  // namespace

bool isScratchFolderName(const std::string& name) {
    const std::size_t prefix = std::strlen(kScratchFolderPrefix);
    return name.size() == prefix + 32 && name.compare(0, prefix, kScratchFolderPrefix) == 0 &&
           std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix), name.end(), isLowerHex);
}

namespace {

// head, then digits, then tail; with padTo, exactly that many digits or more (fill-00007.bin),
// otherwise a decimal index without leading zeros (item-7.bin).
bool isNumberedName(const std::string& name, const std::string& head, const std::string& tail,
                    std::size_t padTo) {
    if (name.size() <= head.size() + tail.size() || name.compare(0, head.size(), head) != 0 ||
        name.compare(name.size() - tail.size(), tail.size(), tail) != 0) {
        return false;
    }
    const std::string digits = name.substr(head.size(), name.size() - head.size() - tail.size());
    const bool wellFormed =
        padTo > 0 ? digits.size() >= padTo : (digits.size() == 1 || digits[0] != '0');
    return wellFormed && digits.size() <= 20 &&
           std::all_of(digits.begin(), digits.end(),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

}  // namespace

bool isRunFileName(const std::string& name) {
    // The benchmark's test file and small files, and the full check's fill files.
    return name == kTestFileName || isNumberedName(name, "item-", ".bin", 0) ||
           isNumberedName(name, "fill-", ".bin", 5);
}

std::vector<Leftover> findLeftovers(const fs::path& folder) {
    std::vector<Leftover> leftovers;
    for (const auto& entry : fs::directory_iterator(folder)) {
        Leftover leftover;
        if (isScratchFolderName(nameOf(entry.path())) && describe(entry.path(), leftover))
            leftovers.push_back(std::move(leftover));
    }
    std::sort(leftovers.begin(), leftovers.end(),
              [](const Leftover& a, const Leftover& b) { return a.folder < b.folder; });
    return leftovers;
}

std::string removeLeftover(const fs::path& scratchFolder) {
    Leftover leftover;
    if (!isScratchFolderName(nameOf(scratchFolder)) || !describe(scratchFolder, leftover))
        return "not a test folder of this program";
    if (!leftover.removable())
        return "it holds " + leftover.foreignEntry + ", which no run creates; nothing was removed";
    std::error_code error;
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(scratchFolder, error)) {
        // Only names a run creates: anything that appeared since keeps the folder.
        if (isRunFileName(nameOf(entry.path())))
            files.push_back(entry.path());
    }
    for (const auto& file : files) {
        std::error_code removeError;
        fs::remove(file, removeError);
        if (removeError)
            return nameOf(file) + ": " + removeError.message();
    }
    if (!error)
        fs::remove(scratchFolder, error);
    return error ? error.message() : std::string();
}

}  // namespace orvane
