#include <gtest/gtest.h>

#include "platform/text_encoding.h"

namespace orvane {
namespace {

// Each invalid byte becomes U+FFFD: a stray byte, an overlong slash, a surrogate, a cut-short
// sequence, one above U+10FFFF; valid text stays, and round-trips through the native form.
TEST(TextEncoding, InvalidBytesBecomeReplacementCharacters) {
    const std::string r = "\xEF\xBF\xBD", text = "Modell \xC3\xBC \xE2\x82\xAC \xF0\x9F\x98\x80";
    EXPECT_EQ(toUtf8(fromUtf8(text)), text);
    EXPECT_EQ(sanitizeUtf8(text), text);
#ifdef _WIN32
    EXPECT_EQ(toUtf8(std::wstring(L"a\xD800z")), "a\xEF\xBF\xBDz");  // unpaired surrogate
#endif
    // clang-format off
    const std::pair<std::string, std::string> cases[] = {{"a\xFF" "b", "a" + r + "b"}, {"\xC0\xAF", r + r},
        {"\xED\xA0\x80", r + r + r}, {"x\xE2\x82", "x" + r + r}, {"\xF4\x90\x80\x80", r + r + r + r}};
    // clang-format on
    for (const auto& [bytes, sane] : cases)
        EXPECT_EQ(sanitizeUtf8(bytes), sane) << bytes;
}

}  // namespace
}  // namespace orvane
