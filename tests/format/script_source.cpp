#include "tests/format/script_source.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "tests/support/source_tree.h"
#include "tests/support/temp_folder.h"

namespace orvane::testing {

std::string readFormatScript() {
    return readWholeFile(sourceTree() / "format" / "script" / "format-exfat.ps1");
}

std::vector<std::string> hereStringsOf(const std::string& script) {
    std::vector<std::string> bodies;
    std::size_t at = 0;
    while ((at = script.find("@'\r\n", at)) != std::string::npos) {
        const std::size_t begin = at + 4;
        const std::size_t end = script.find("\r\n'@", begin);
        if (end == std::string::npos)
            throw std::runtime_error("unterminated here-string");
        bodies.push_back(script.substr(begin, end - begin));
        at = end + 4;
    }
    return bodies;
}

}  // namespace orvane::testing
