// The exe's version resource as Windows' own reader (version.dll) hands it to Explorer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "orvane_version.h"
#include "platform/text_encoding.h"
#include "platform/windows_api.h"
#include "tests/cli/program_process.h"

#ifdef ORVANE_CLI_PROGRAM

namespace orvane {
namespace {

TEST(ProgramVersion, PropertiesShowTheProjectVersion) {
    const std::wstring path = programPath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_NE(size, 0u) << "no version resource";
    std::vector<unsigned char> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

    void* found = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", &found, &length));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(found);
    for (const auto& [ms, ls] : {std::pair{fixed->dwFileVersionMS, fixed->dwFileVersionLS},
                                 std::pair{fixed->dwProductVersionMS, fixed->dwProductVersionLS}}) {
        EXPECT_EQ(HIWORD(ms), ORVANE_VERSION_MAJOR);
        EXPECT_EQ(LOWORD(ms), ORVANE_VERSION_MINOR);
        EXPECT_EQ(HIWORD(ls), ORVANE_VERSION_PATCH);
    }

    const struct {
        const wchar_t* name;
        std::string value;
    } rows[] = {
        {L"FileVersion", ORVANE_VERSION_TEXT},      {L"ProductVersion", ORVANE_VERSION_TEXT},
        {L"ProductName", "Orvane Varnolt"},         {L"LegalCopyright", ORVANE_COPYRIGHT_TEXT},
        {L"OriginalFilename", "OrvaneVarnolt.exe"},
    };
    for (const auto& row : rows) {
        const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + row.name;
        ASSERT_TRUE(VerQueryValueW(block.data(), key.c_str(), &found, &length)) << toUtf8(key);
        EXPECT_EQ(toUtf8(static_cast<const wchar_t*>(found)), row.value) << toUtf8(key);
    }
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\StringFileInfo\\040904B0\\FileDescription", &found,
                               &length));
    EXPECT_GT(length, 1u);
}

}  // namespace
}  // namespace orvane

#endif
