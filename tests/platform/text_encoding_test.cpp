#include <gtest/gtest.h>

#include "platform/text_encoding.h"

namespace orvane {
namespace {

TEST(TextEncoding, RoundTripsUnicodeAndEmptyText) {
    const std::string text = "Modell \xC3\xBC \xE2\x82\xAC \xF0\x9F\x98\x80";
    EXPECT_EQ(toUtf8(fromUtf8(text)), text);
    EXPECT_TRUE(toUtf8(NativeString()).empty());
    EXPECT_TRUE(fromUtf8(std::string()).empty());
}

TEST(TextEncoding, InvalidBytesBecomeReplacementCharacters) {
    EXPECT_EQ(sanitizeUtf8("a\xFF"
                           "b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(sanitizeUtf8("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");  // overlong slash
    EXPECT_EQ(sanitizeUtf8("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");  // surrogate
    EXPECT_EQ(sanitizeUtf8("x\xE2\x82"), "x\xEF\xBF\xBD\xEF\xBF\xBD");                // cut short
    EXPECT_EQ(sanitizeUtf8("\xF4\x90\x80\x80").substr(0, 3), "\xEF\xBF\xBD");  // above U+10FFFF
    EXPECT_EQ(sanitizeUtf8("ok \xC3\xBC"), "ok \xC3\xBC");
}

#ifdef _WIN32
TEST(TextEncoding, UnpairedSurrogateBecomesReplacementCharacter) {
    EXPECT_EQ(toUtf8(std::wstring(L"a\xD800z")), "a\xEF\xBF\xBDz");
}
#endif

}  // namespace
}  // namespace orvane
