#include <gtest/gtest.h>

#include "platform/text_encoding.h"

namespace orvane {
namespace {

TEST(TextEncoding, RoundTripsUnicodeAndEmptyText) {
    const std::string text = "Modell \xC3\xBC \xE2\x82\xAC \xF0\x9F\x98\x80";
    EXPECT_EQ(toUtf8(fromUtf8(text)), text);
    EXPECT_TRUE(toUtf8(NativeString()).empty());
    EXPECT_TRUE(fromUtf8(std::string()).empty());
#ifdef _WIN32
    EXPECT_EQ(toUtf8(std::wstring(L"a\xD800z")), "a\xEF\xBF\xBDz");  // unpaired surrogate
#endif
}

// Each invalid byte becomes U+FFFD: a stray byte, an overlong slash, a surrogate, a cut-short
// sequence, one above U+10FFFF; valid text stays.
TEST(TextEncoding, InvalidBytesBecomeReplacementCharacters) {
    const std::string r = "\xEF\xBF\xBD";
    // clang-format off
    const std::pair<std::string, std::string> cases[] = {{"a\xFF" "b", "a" + r + "b"}, {"\xC0\xAF", r + r},
        {"\xED\xA0\x80", r + r + r}, {"x\xE2\x82", "x" + r + r}, {"\xF4\x90\x80\x80", r + r + r + r}, {"ok \xC3\xBC", "ok \xC3\xBC"}};
    // clang-format on
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(sanitizeUtf8(bytes), text) << bytes;
}

}  // namespace
}  // namespace orvane
