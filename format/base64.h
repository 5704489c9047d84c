#pragma once
// Base64 without line breaks, the form PowerShell's -EncodedCommand and FromBase64String expect.

#include <cstdint>
#include <string>
#include <vector>

namespace orvane {

// Throws "Cannot encode the format utility." when the platform encoder fails.
std::string encodeBase64(const std::vector<std::uint8_t>& bytes);

}  // namespace orvane
