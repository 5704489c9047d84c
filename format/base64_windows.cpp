#include "format/base64.h"

#include <climits>
#include <stdexcept>

#include "format/format_command.h"
#include "platform/windows_api.h"

#include <wincrypt.h>

namespace orvane {

std::string encodeBase64(const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty())
        return {};
    if (bytes.size() > static_cast<std::size_t>(INT_MAX / 2)) {
        throw std::runtime_error(format_command_error::kEncode);
    }
    constexpr DWORD kFlags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;
    static_assert(kFlags == 0x40000001);
    const DWORD byteCount = static_cast<DWORD>(bytes.size());
    DWORD chars = 0;
    if (!CryptBinaryToStringW(bytes.data(), byteCount, kFlags, nullptr, &chars) || chars == 0) {
        throw std::runtime_error(format_command_error::kEncode);
    }
    std::wstring text(chars, L'\0');
    if (!CryptBinaryToStringW(bytes.data(), byteCount, kFlags, text.data(), &chars)) {
        throw std::runtime_error(format_command_error::kEncode);
    }
    text.resize(chars);
    while (!text.empty() && text.back() == L'\0')
        text.pop_back();
    // Base64 is ASCII: anything else means the encoder misbehaved.
    std::string out;
    out.reserve(text.size());
    for (const wchar_t c : text) {
        if (c < 0x20 || c > 0x7E)
            throw std::runtime_error(format_command_error::kEncode);
        out += static_cast<char>(c);
    }
    return out;
}

}  // namespace orvane
