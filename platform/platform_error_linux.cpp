#include <stdexcept>
#include <system_error>

#include "platform/platform_error.h"

namespace orvane {

void throwErrnoError(const std::string& operation, int error) {
    // generic_category avoids the GNU/XSI strerror_r split.
    const std::string text = error == 0 ? std::string() : std::generic_category().message(error);
    throw std::runtime_error(
        formatPlatformError(operation, "errno", static_cast<unsigned long>(error), text));
}

}  // namespace orvane
