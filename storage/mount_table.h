#pragma once
// Parsing of /proc/self/mountinfo (pure, so it can be tested with made-up tables).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

struct MountEntry {
    std::uint64_t mountId = 0;
    unsigned major = 0;
    unsigned minor = 0;
    std::string root;
    std::string mountPoint;
    std::string mountOptions;
    std::string fsType;
    std::string source;
    std::string superOptions;
};

// Decodes the octal escapes the kernel writes for space, tab, newline and backslash.
std::string unescapeMountField(const std::string& field);
std::vector<MountEntry> parseMountInfo(const std::string& text);

std::optional<MountEntry> findMountById(const std::vector<MountEntry>& mounts, std::uint64_t id);
// The mount whose mount point is the longest prefix of path (the last one wins on a tie).
std::optional<MountEntry> findMountByPath(const std::vector<MountEntry>& mounts,
                                          const std::string& canonicalPath);

bool hasMountOption(const std::string& options, const std::string& name);

}  // namespace orvane
