#include "reports/report_file_name.h"

#include <cstdint>
#include <type_traits>

namespace orvane {

namespace {

using Char = NativeString::value_type;
constexpr std::size_t kMaxUtf16Units = 180;

bool isForbidden(Char c) {
    if (static_cast<std::make_unsigned_t<Char>>(c) < 0x20)
        return true;
    switch (c) {
        case '<':
        case '>':
        case ':':
        case '"':
        case '/':
        case '\\':
        case '|':
        case '?':
        case '*':
            return true;
        default:
            return false;
    }
}

bool isReservedDeviceName(const NativeString& name) {
    const auto stop = name.find(Char('.'));
    NativeString stem = name.substr(0, stop);
    for (Char& c : stem) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<Char>(c - 'a' + 'A');
    }
    for (const char* device : {"CON", "PRN", "AUX", "NUL"}) {
        if (stem == NativeString(device, device + 3))
            return true;
    }
    if (stem.size() == 4 && stem[3] >= '1' && stem[3] <= '9') {
        const NativeString prefix = stem.substr(0, 3);
        for (const char* device : {"COM", "LPT"}) {
            if (prefix == NativeString(device, device + 3))
                return true;
        }
    }
    return false;
}

// Length of the code unit sequence that starts at i, and how many UTF-16 units it makes.
// A surrogate pair (Windows) or a four-byte UTF-8 sequence (Linux) is kept whole.
std::size_t sequenceAt(const NativeString& text, std::size_t i, std::size_t& utf16Units) {
    const auto unit = static_cast<std::uint32_t>(static_cast<std::make_unsigned_t<Char>>(text[i]));
    if constexpr (sizeof(Char) == 1) {
        std::size_t length = unit >= 0xF0 ? 4 : unit >= 0xE0 ? 3 : unit >= 0xC0 ? 2 : 1;
        std::size_t k = 1;
        while (k < length && i + k < text.size() &&
               (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80) {
            ++k;
        }
        utf16Units = (length == 4 && k == 4) ? 2 : 1;
        return k;
    } else {
        const auto next = i + 1 < text.size() ? static_cast<std::uint32_t>(text[i + 1]) : 0u;
        const bool pair = unit >= 0xD800 && unit <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF;
        utf16Units = pair ? 2 : 1;
        return utf16Units;
    }
}

NativeString cutToUtf16Units(const NativeString& text, std::size_t maxUnits) {
    std::size_t end = 0, units = 0;
    while (end < text.size()) {
        std::size_t sequenceUnits = 0;
        const std::size_t length = sequenceAt(text, end, sequenceUnits);
        if (units + sequenceUnits > maxUnits)
            break;
        units += sequenceUnits;
        end += length;
    }
    return text.substr(0, end);
}

}  // namespace

NativeString reportFileBaseName(const NativeString& displayName) {
    NativeString name = displayName;
    for (Char& c : name) {
        if (isForbidden(c))
            c = Char('_');
    }
    while (!name.empty() && (name.back() == Char('.') || name.back() == Char(' ')))
        name.pop_back();
    if (name.empty()) {
        const char* unnamed = "Unnamed volume";
        name.assign(unnamed, unnamed + 14);
    }
    if (isReservedDeviceName(name))
        name.insert(name.begin(), Char('_'));
    return cutToUtf16Units(name, kMaxUtf16Units);
}

}  // namespace orvane
