#include <stdexcept>

#include "format/format_command.h"

namespace orvane {

// Only the Windows program carries the script; it is tested here through composeFormatCommandFrom.
NativeString composeFormatCommand(const FormatTarget& target, std::uint32_t clusterBytes,
                                  const NativeString& label) {
    validateFormatRequest(target, clusterBytes, label);
    throw std::runtime_error(format_command_error::kMissing);
}

}  // namespace orvane
