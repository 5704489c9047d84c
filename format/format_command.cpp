#include "format/format_command.h"

#include <stdexcept>

#include "format/base64.h"
#include "format/format_target_rules.h"
#include "format/volume_label_rule.h"
#include "platform/text_encoding.h"

namespace orvane {

namespace {

[[noreturn]] void fail(const char* message) {
    throw std::runtime_error(message);
}

bool isIdentityText(const NativeString& text) {
    for (const auto c : text) {
        const bool allowed = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') ||
                             (c >= 'a' && c <= 'f') || c == '-' || c == '{' || c == '}';
        if (!allowed)
            return false;
    }
    return true;
}

bool isLineIndent(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// Appends one code point as UTF-16LE.
void appendUtf16Le(std::vector<std::uint8_t>& out, std::uint32_t codePoint) {
    const auto unit = [&](std::uint32_t u) {
        out.push_back(static_cast<std::uint8_t>(u & 0xFF));
        out.push_back(static_cast<std::uint8_t>(u >> 8));
    };
    if (codePoint < 0x10000) {
        unit(codePoint);
    } else {
        codePoint -= 0x10000;
        unit(0xD800 + (codePoint >> 10));
        unit(0xDC00 + (codePoint & 0x3FF));
    }
}

}  // namespace

bool isValidClusterBytes(std::uint32_t clusterBytes) {
    return clusterBytes == 0 || clusterBytes == 32768 || clusterBytes == 65536 ||
           clusterBytes == 131072 || clusterBytes == 262144;
}

void validateFormatRequest(const FormatTarget& target, std::uint32_t clusterBytes,
                           const NativeString& label) {
    if (!isVolumeGuidPath(target.volumePath))
        fail(format_command_error::kParameters);
    if (!isValidClusterBytes(clusterBytes))
        fail(format_command_error::kParameters);
    if (!isValidVolumeLabel(label))
        fail(format_command_error::kParameters);
    const NativeString& root = target.volume.root;
    if (root.size() != 3 || root[1] != ':' || root[2] != '\\' || root[0] < 'A' || root[0] > 'Z') {
        fail(format_command_error::kDriveLetter);
    }
    if (!isAcceptedFormatBus(target.busType))
        fail(format_command_error::kBus);
    if (!isIdentityText(target.partitionId) || !isIdentityText(target.diskId)) {
        fail(format_command_error::kIdentity);
    }
}

std::string compactFormatScript(std::string_view script) {
    std::string out;
    out.reserve(script.size());
    std::size_t start = 0;
    while (start < script.size()) {
        std::size_t end = script.find('\n', start);
        if (end == std::string_view::npos)
            end = script.size();
        std::size_t first = start;
        while (first < end && isLineIndent(script[first]))
            ++first;
        if (first < end && script[first] != '#') {
            out.append(script.substr(first, end - first));
            out += '\n';
        }
        start = end + 1;
    }
    return out;
}

std::string applicationRootOf(const NativeString& programPath) {
    std::size_t end = 0;
    if (programPath.size() >= 2 && programPath[1] == ':') {
        end = 2;
        while (end < programPath.size() && (programPath[end] == '\\' || programPath[end] == '/')) {
            ++end;
        }
    }
    const auto letter = end == 3 ? programPath[0] : 0;
    const bool isLetter = (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z');
    if (end != 3 || programPath[2] != '\\' || !isLetter)
        fail(format_command_error::kAppPath);
    return toUtf8(programPath.substr(0, 3));
}

std::vector<std::uint8_t> utf16LeBytes(const std::string& utf8) {
    const std::string text = sanitizeUtf8(utf8);
    std::vector<std::uint8_t> out;
    out.reserve(text.size() * 2);
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        std::uint32_t codePoint = length == 1 ? lead : lead & (0xFFu >> (length + 1));
        for (std::size_t k = 1; k < length; ++k) {
            codePoint = (codePoint << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        appendUtf16Le(out, codePoint);
        i += length;
    }
    return out;
}

std::string formatParameterBlock(const FormatTarget& target, std::uint32_t clusterBytes,
                                 const NativeString& label, const std::string& applicationRoot) {
    const auto number = [](std::uint64_t value) { return std::to_string(value); };
    const std::string serial = encodeBase64(utf16LeBytes(toUtf8(target.deviceSerial)));
    std::string block;
    block += "$ExpectedVolume = '" + toUtf8(target.volumePath) +
             "'; $ExpectedSerial = " + number(target.volumeSerial) +
             "; $ExpectedDiskNumber = " + number(target.diskNumber) +
             "; $ExpectedBusType = " + number(target.busType) + "; $ExpectedDriveLetter = '" +
             toUtf8(target.volume.root.substr(0, 1)) +
             "'; $AllocationUnitSize = " + number(clusterBytes) + ";\r\n";
    block += "$NewLabel = '" + toUtf8(label) +
             "'; $ExpectedDeviceSerial = "
             "[Text.Encoding]::Unicode.GetString([Convert]::FromBase64String('" +
             serial + "')); $ExpectedOffset = " + number(target.partitionOffset) +
             "; $ExpectedExtent = " + number(target.partitionLength) +
             "; $ExpectedDiskBytes = " + number(target.diskBytes) +
             "; $ExpectedCapacity = " + number(target.volume.totalBytes) +
             "; $ExpectedPartitionNumber = " + number(target.partitionNumber) +
             "; $ExpectedPartitionStyle = '" +
             (target.partitionStyle != kPartitionStyleMbr ? "GPT" : "MBR") + "';\r\n";
    block += "$ExpectedAppPath = '" + applicationRoot + "';\r\n";
    block += "$ExpectedPartitionId = '" + toUtf8(target.partitionId) + "'; $ExpectedDiskId = '" +
             toUtf8(target.diskId) + "';\r\n";
    return block;
}

NativeString composeFormatCommandFrom(const FormatTarget& target, std::uint32_t clusterBytes,
                                      const NativeString& label, std::string_view script,
                                      const NativeString& programPath) {
    validateFormatRequest(target, clusterBytes, label);
    const std::string compacted = compactFormatScript(script);
    const std::string block =
        formatParameterBlock(target, clusterBytes, label, applicationRootOf(programPath));
    const std::string encoded = encodeBase64(utf16LeBytes(block + compacted));
    if (encoded.size() > kMaxEncodedCommandChars)
        fail(format_command_error::kTooLong);
    return fromUtf8(std::string(kPowerShellOptions) + encoded);
}

}  // namespace orvane
