#include <gtest/gtest.h>

#include <stdexcept>

#include "cli/command_line_options.h"
#include "platform/text_encoding.h"

namespace orvane {
namespace {

std::vector<NativeString> argv(std::initializer_list<const char*> texts) {
    std::vector<NativeString> arguments{fromUtf8("orvane-varnolt")};
    for (const char* text : texts)
        arguments.push_back(fromUtf8(text));
    return arguments;
}

std::string messageOf(std::initializer_list<const char*> texts) {
    try {
        parseCommandLineOptions(argv(texts));
    } catch (const std::exception& error) {
        return error.what();
    }
    return "accepted";
}

CommandLineRequest parse(std::initializer_list<const char*> extra) {
    std::vector<NativeString> arguments = argv({"--benchmark", "E:\\models", "--report", "r.json"});
    for (const char* text : extra)
        arguments.push_back(fromUtf8(text));
    return parseCommandLineOptions(arguments);
}

TEST(CommandLineOptions, DefaultsAndEveryOption) {
    const CommandLineRequest plain = parse({});
    EXPECT_EQ(toUtf8(plain.options.folder.native()), "E:\\models");
    EXPECT_EQ(toUtf8(plain.reportPath.native()), "r.json");
    EXPECT_EQ(plain.options.testBytes, 1073741824u);
    EXPECT_EQ(plain.options.randomSecondsPerPhase, 8.0);
    EXPECT_EQ(plain.options.smallFiles, 200);
    EXPECT_EQ(plain.options.modelGB, 6.6);
    EXPECT_EQ(plain.options.profile, "CLI");

    const CommandLineRequest all =
        parse({"--size-mib", "256", "--seconds", "3", "--files", "64", "--model-gb", "70.5"});
    EXPECT_EQ(all.options.testBytes, 256u * 1048576u);
    EXPECT_EQ(all.options.randomSecondsPerPhase, 3.0);
    EXPECT_EQ(all.options.smallFiles, 64);
    EXPECT_EQ(all.options.modelGB, 70.5);
    EXPECT_EQ(all.options.profile, "CLI");

    // A repeated option overwrites; the run validates the other ranges, not the parser.
    const CommandLineRequest repeated =
        parse({"--size-mib", "16", "--size-mib", "3072", "--files", "0", "--seconds", "0"});
    EXPECT_EQ(repeated.options.testBytes, 3072u * 1048576u);
    EXPECT_EQ(repeated.options.smallFiles, 0);
    EXPECT_EQ(repeated.options.randomSecondsPerPhase, 0.0);
    EXPECT_EQ(parse({"--size-mib", "16"}).options.testBytes, 16u * 1048576u);
    EXPECT_EQ(parse({"--size-mib", " 64"}).options.testBytes, 64u * 1048576u);
    EXPECT_FALSE(plain.quiet);
    EXPECT_TRUE(parse({"--quiet", "--files", "8"}).quiet);
    EXPECT_EQ(parse({"--quiet", "--files", "8"}).options.smallFiles, 8);
}

TEST(CommandLineOptions, SizeMustBeAWholeNumberOfMebibytesInRange) {
    for (const char* bad : {"15", "3073", "16.5", "0x10", "-1", "64 ", "64MiB",
                            "18446744073709551615", "abc", "99999999999999999999"}) {
        EXPECT_EQ(messageOf({"--benchmark", "d", "--report", "r", "--size-mib", bad}),
                  "--size-mib must be a whole number from 16 to 3072")
            << bad;
    }
}

TEST(CommandLineOptions, NumbersMustConsumeTheWholeText) {
    const struct {
        const char* option;
        const char* value;
        const char* expected;
    } rows[] = {
        {"--seconds", "3s", "--seconds must be a number of seconds"},
        {"--seconds", "x", "--seconds must be a number of seconds"},
        {"--seconds", "1e999", "--seconds must be a number of seconds"},
        {"--files", "12 ", "--files must be a whole number"},
        {"--files", "1.5", "--files must be a whole number"},
        {"--files", "", "--files must be a whole number"},
        {"--files", "99999999999", "--files must be a whole number"},
        {"--model-gb", "6.6GB", "--model-gb must be a number of gigabytes"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(messageOf({"--benchmark", "d", "--report", "r", row.option, row.value}),
                  row.expected)
            << row.option << " " << row.value;
    }
}

TEST(CommandLineOptions, UsageErrors) {
    constexpr const char* kBoth = "--benchmark FOLDER and --report FILE are both required";
    EXPECT_EQ(messageOf({"--preview-format-dialog"}), "unknown option: --preview-format-dialog");
    EXPECT_EQ(messageOf({"--benchmark", "d", "--report"}), "--report needs a value");
    EXPECT_EQ(messageOf({"--bogus"}), "unknown option: --bogus");
    EXPECT_EQ(messageOf({"--preview-format-dialog", "x"}),
              "unknown option: --preview-format-dialog");
    EXPECT_EQ(messageOf({"--benchmark", "d", "--Report", "r"}), "unknown option: --Report");
    EXPECT_EQ(messageOf({"--benchmark", "d"}), kBoth);
    EXPECT_EQ(messageOf({"--report", "r"}), kBoth);
    EXPECT_EQ(messageOf({"--benchmark", "", "--report", "r"}), kBoth);
}

}  // namespace
}  // namespace orvane
