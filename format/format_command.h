#pragma once
// The parameters text that starts the embedded format script in Windows PowerShell.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "format/format_target.h"

namespace orvane {

namespace format_command_error {
inline constexpr const char* kParameters = "Invalid formatting parameters.";
inline constexpr const char* kDriveLetter = "Invalid formatting drive letter.";
inline constexpr const char* kBus = "Unsupported formatting bus.";
inline constexpr const char* kIdentity = "Invalid partition identity.";
inline constexpr const char* kMissing = "Embedded format utility is missing.";
inline constexpr const char* kUnloadable = "Cannot load the embedded format utility.";
inline constexpr const char* kAppPath = "Unsupported application host path.";
inline constexpr const char* kEncode = "Cannot encode the format utility.";
inline constexpr const char* kTooLong = "Embedded format command exceeds Windows launch limits.";
}  // namespace format_command_error

// Windows limits a command line to 32,767 characters: options plus this much Base64.
inline constexpr std::size_t kMaxEncodedCommandChars = 32000;
inline constexpr std::string_view kPowerShellOptions =
    "-NoProfile -NonInteractive -WindowStyle Hidden -EncodedCommand ";
inline constexpr int kFormatScriptResourceId = 201;

bool isValidClusterBytes(std::uint32_t clusterBytes);

// The checks that come before anything is loaded or composed, in order.
void validateFormatRequest(const FormatTarget& target, std::uint32_t clusterBytes,
                           const NativeString& label);

// Drops blank and comment lines and every line's indentation; each kept line ends with "\n".
std::string compactFormatScript(std::string_view script);

// "C:\" from "C:\Tools\OrvaneVarnolt.exe"; refuses anything else, such as a network share.
std::string applicationRootOf(const NativeString& programPath);

// The four "$Expected..." lines, each ending with CRLF.
std::string formatParameterBlock(const FormatTarget& target, std::uint32_t clusterBytes,
                                 const NativeString& label, const std::string& applicationRoot);

// UTF-16LE bytes of UTF-8 text (invalid sequences become U+FFFD).
std::vector<std::uint8_t> utf16LeBytes(const std::string& utf8);

// The whole composition with the script text and the program path given.
NativeString composeFormatCommandFrom(const FormatTarget& target, std::uint32_t clusterBytes,
                                      const NativeString& label, std::string_view script,
                                      const NativeString& programPath);

// The same with the script embedded in the program and the program's own path.
NativeString composeFormatCommand(const FormatTarget& target, std::uint32_t clusterBytes,
                                  const NativeString& label);

}  // namespace orvane
