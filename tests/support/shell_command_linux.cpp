#include "tests/support/shell_command_linux.h"

#include <cstdio>
#include <cstdlib>

namespace orvane::testing {

bool shellSucceeds(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string shellFirstLine(const std::string& command) {
    std::string line;
    if (FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r")) {
        char buffer[256];
        if (std::fgets(buffer, sizeof buffer, pipe))
            line = buffer;
        if (::pclose(pipe) != 0)
            line.clear();
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return line;
}

}  // namespace orvane::testing
