#pragma once
// Little-endian fields written into raw query answers, as Windows returns them.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "format/format_target.h"
#include "format/format_target_rules.h"

namespace orvane::testing {

using Bytes = std::vector<std::uint8_t>;

// Writes the low `width` bytes of value at `at`, least significant first.
inline void put(Bytes& bytes, std::size_t at, std::uint64_t value, std::size_t width = 4) {
    for (std::size_t i = 0; i < width; ++i)
        bytes.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
}
// A GUID as Windows lays it out: three little-endian fields, then eight bytes as they are.
inline void putGuid(Bytes& bytes, std::size_t at, const Guid& guid) {
    put(bytes, at, guid.data1);
    put(bytes, at + 4, guid.data2, 2);
    put(bytes, at + 6, guid.data3, 2);
    std::copy(guid.data4.begin(), guid.data4.end(),
              bytes.begin() + static_cast<std::ptrdiff_t>(at + 8));
}

// A storage device descriptor as the property query returns it, serial text after the header.
inline Bytes descriptorBytes(std::uint32_t busType, const std::string& serial,
                             bool terminated = true) {
    const std::size_t header = disk_layout::kDescriptorBytes;
    Bytes bytes(header + (serial.empty() ? 0 : serial.size() + (terminated ? 1u : 0u)), 0);
    put(bytes, disk_layout::kDescriptorBusTypeAt, busType);
    if (!serial.empty())
        put(bytes, disk_layout::kDescriptorSerialOffsetAt, header);
    std::copy(serial.begin(), serial.end(), bytes.begin() + static_cast<std::ptrdiff_t>(header));
    return bytes;
}

struct LayoutEntry {
    std::uint64_t offset = 0, length = 0;
    std::uint8_t mbrType = 0x07;
};

// A drive layout answer: GPT layouts carry diskId, MBR ones the signature 0x12345678.
inline Bytes layoutBytes(std::uint32_t style, const std::vector<LayoutEntry>& entries,
                         const Guid& diskId = Guid{}) {
    using namespace disk_layout;
    Bytes bytes(kLayoutHeaderBytes + entries.size() * kPartitionEntryBytes, 0);
    put(bytes, kLayoutStyleAt, style);
    put(bytes, kLayoutCountAt, entries.size());
    if (style == kPartitionStyleGpt)
        putGuid(bytes, kLayoutDiskIdAt, diskId);
    else
        put(bytes, kLayoutSignatureAt, 0x12345678);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::size_t at = kLayoutHeaderBytes + i * kPartitionEntryBytes;
        put(bytes, at, style);
        put(bytes, at + kPartitionOffsetAt, entries[i].offset, 8);
        put(bytes, at + kPartitionLengthAt, entries[i].length, 8);
        bytes[at + kPartitionMbrTypeAt] = style == kPartitionStyleMbr ? entries[i].mbrType : 0;
    }
    return bytes;
}

}  // namespace orvane::testing
