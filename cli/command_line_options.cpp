#include "cli/command_line_options.h"
#include "platform/byte_units.h"

#include <stdexcept>
#include <string>

namespace orvane {

namespace {

bool isOption(const NativeString& name, const char* option) {
    std::size_t i = 0;
    for (; option[i] != '\0'; ++i) {
        if (i >= name.size() || name[i] != static_cast<NativeString::value_type>(option[i])) {
            return false;
        }
    }
    return i == name.size();
}

// The whole text must be the number; a standard conversion's own failures read as the option's.
template <typename Convert>
auto convertWhole(const NativeString& value, const std::string& message, Convert convert) {
    std::size_t consumed = 0;
    decltype(convert(value, &consumed)) number{};
    try {
        number = convert(value, &consumed);
    } catch (const std::logic_error&) {  // invalid_argument, out_of_range
        throw std::runtime_error(message);
    }
    if (consumed != value.size())
        throw std::runtime_error(message);
    return number;
}

std::string optionText(const NativeString& name) {
    std::string text;
    for (const auto c : name)
        text.push_back(c >= 0x20 && c < 0x7f ? static_cast<char>(c) : '?');
    return text;
}

constexpr unsigned long long kMaximumLimitGiB = 1ull << 20;  // 1 PiB

CommandLineRequest fullCheckRequest(CommandLineRequest& request, FullCheckOptions& fullCheck,
                                    const std::vector<NativeString>& seen) {
    for (const char* benchmarkOnly : {"--benchmark", "--size-mib", "--seconds", "--files"}) {
        for (const NativeString& name : seen) {
            if (isOption(name, benchmarkOnly))
                throw std::runtime_error("--full-check takes no benchmark options");
        }
    }
    if (request.reportPath.empty())
        throw std::runtime_error("--full-check FOLDER and --report FILE are both required");
    fullCheck.modelGB = request.options.modelGB;
    request.fullCheck = fullCheck;
    return request;
}

}  // namespace

CommandLineRequest parseCommandLineOptions(const std::vector<NativeString>& arguments) {
    CommandLineRequest request;
    request.options.profile = "CLI";
    FullCheckOptions fullCheck;
    std::vector<NativeString> seen;

    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const NativeString& name = arguments[i];
        if (isOption(name, "--quiet")) {
            request.quiet = true;
            continue;
        }
        const bool known = isOption(name, "--benchmark") || isOption(name, "--report") ||
                           isOption(name, "--size-mib") || isOption(name, "--seconds") ||
                           isOption(name, "--files") || isOption(name, "--model-gb") ||
                           isOption(name, "--full-check") || isOption(name, "--limit-gib") ||
                           isOption(name, "--model-file");
        if (!known)
            throw std::runtime_error("unknown option: " + optionText(name));
        if (i + 1 >= arguments.size())
            throw std::runtime_error(optionText(name) + " needs a value");
        const NativeString& value = arguments[++i];
        if (isOption(name, "--benchmark")) {
            request.options.folder = value;
        } else if (isOption(name, "--report")) {
            request.reportPath = value;
        } else if (isOption(name, "--size-mib")) {
            constexpr const char* kSize = "--size-mib must be a whole number from 16 to 3072";
            const unsigned long long mib = convertWhole(
                value, kSize,
                [](const NativeString& v, std::size_t* end) { return std::stoull(v, end, 10); });
            if (mib < 16 || mib > 3072)
                throw std::runtime_error(kSize);
            request.options.testBytes = mib * kMiB;
        } else if (isOption(name, "--seconds")) {
            request.options.randomSecondsPerPhase = convertWhole(
                value, "--seconds must be a number of seconds",
                [](const NativeString& v, std::size_t* end) { return std::stod(v, end); });
        } else if (isOption(name, "--files")) {
            request.options.smallFiles = convertWhole(
                value, "--files must be a whole number",
                [](const NativeString& v, std::size_t* end) { return std::stoi(v, end, 10); });
        } else if (isOption(name, "--model-gb")) {
            request.options.modelGB = convertWhole(
                value, "--model-gb must be a number of gigabytes",
                [](const NativeString& v, std::size_t* end) { return std::stod(v, end); });
        } else if (isOption(name, "--full-check")) {
            fullCheck.folder = value;
        } else if (isOption(name, "--limit-gib")) {
            constexpr const char* kLimit =
                "--limit-gib must be a whole number of GiB from 1 to 1048576";
            const unsigned long long gib = convertWhole(
                value, kLimit,
                [](const NativeString& v, std::size_t* end) { return std::stoull(v, end, 10); });
            if (gib < 1 || gib > kMaximumLimitGiB)
                throw std::runtime_error(kLimit);
            fullCheck.limitBytes = gib * kGiB;
        } else {
            fullCheck.modelFile = value;
        }
        seen.push_back(name);
    }
    if (!fullCheck.folder.empty())
        return fullCheckRequest(request, fullCheck, seen);
    if (fullCheck.limitBytes || !fullCheck.modelFile.empty())
        throw std::runtime_error("--limit-gib and --model-file belong to --full-check");
    if (request.reportPath.empty() || request.options.folder.empty()) {
        throw std::runtime_error("--benchmark FOLDER and --report FILE are both required");
    }
    return request;
}

}  // namespace orvane
