#include "platform/platform_error.h"

namespace orvane {

std::string formatPlatformError(const std::string& operation, const char* codeKind,
                                unsigned long code, const std::string& systemText) {
    return operation + " (" + codeKind + " " + std::to_string(code) +
           "): " + (systemText.empty() ? std::string("I/O failure") : systemText);
}

}  // namespace orvane
