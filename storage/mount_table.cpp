#include "storage/mount_table.h"

#include <sstream>

namespace orvane {

std::string unescapeMountField(const std::string& field) {
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        const auto isOctal = [&](std::size_t k) { return field[k] >= '0' && field[k] <= '7'; };
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(i + 1) && isOctal(i + 2) &&
            isOctal(i + 3)) {
            out.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                            (field[i + 3] - '0')));
            i += 3;
        } else {
            out.push_back(field[i]);
        }
    }
    return out;
}

std::vector<MountEntry> parseMountInfo(const std::string& text) {
    std::vector<MountEntry> mounts;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::vector<std::string> parts;
        for (std::string part; fields >> part;)
            parts.push_back(part);
        // id parent major:minor root mount-point options [optional...] - type source super-options
        std::size_t separator = 6;
        while (separator < parts.size() && parts[separator] != "-")
            ++separator;
        if (parts.size() < 6 || separator + 2 >= parts.size())
            continue;
        MountEntry entry;
        try {
            entry.mountId = std::stoull(parts[0]);
            const auto colon = parts[2].find(':');
            if (colon == std::string::npos)
                continue;
            entry.major = static_cast<unsigned>(std::stoul(parts[2].substr(0, colon)));
            entry.minor = static_cast<unsigned>(std::stoul(parts[2].substr(colon + 1)));
        } catch (const std::exception&) {
            continue;
        }
        entry.root = unescapeMountField(parts[3]);
        entry.mountPoint = unescapeMountField(parts[4]);
        entry.mountOptions = parts[5];
        entry.fsType = unescapeMountField(parts[separator + 1]);
        entry.source = unescapeMountField(parts[separator + 2]);
        if (separator + 3 < parts.size())
            entry.superOptions = parts[separator + 3];
        mounts.push_back(std::move(entry));
    }
    return mounts;
}

std::optional<MountEntry> findMountById(const std::vector<MountEntry>& mounts, std::uint64_t id) {
    for (const auto& mount : mounts) {
        if (mount.mountId == id)
            return mount;
    }
    return std::nullopt;
}

std::optional<MountEntry> findMountByPath(const std::vector<MountEntry>& mounts,
                                          const std::string& canonicalPath) {
    std::optional<MountEntry> best;
    for (const auto& mount : mounts) {
        const std::string& point = mount.mountPoint;
        const bool covers =
            point == "/" ||
            (canonicalPath.compare(0, point.size(), point) == 0 &&
             (canonicalPath.size() == point.size() || canonicalPath[point.size()] == '/'));
        if (covers && (!best || point.size() >= best->mountPoint.size()))
            best = mount;
    }
    return best;
}

bool hasMountOption(const std::string& options, const std::string& name) {
    std::size_t start = 0;
    while (start <= options.size()) {
        const auto end = options.find(',', start);
        const auto option =
            options.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (option == name)
            return true;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return false;
}

}  // namespace orvane
