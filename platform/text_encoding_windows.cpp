#include "platform/text_encoding.h"

#include <climits>
#include <stdexcept>

#include "platform/windows_api.h"

namespace orvane {

std::string toUtf8(const NativeString& text) {
    if (text.empty())
        return {};
    if (text.size() > static_cast<std::size_t>(INT_MAX))
        throw std::length_error("Text too long");
    const int length = static_cast<int>(text.size());
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, out.data(), bytes, nullptr, nullptr);
    return out;
}

NativeString fromUtf8(const std::string& utf8) {
    if (utf8.empty())
        return {};
    if (utf8.size() > static_cast<std::size_t>(INT_MAX))
        throw std::length_error("Text too long");
    const int length = static_cast<int>(utf8.size());
    const int chars = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    NativeString out(static_cast<std::size_t>(chars), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, out.data(), chars);
    return out;
}

}  // namespace orvane
