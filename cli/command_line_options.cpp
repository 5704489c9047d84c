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

// Runs a standard conversion, names its failures the same on every standard library, and
// requires the whole value to be consumed.
template <typename Convert>
auto convertWhole(const NativeString& value, const char* conversion, const char* message,
                  Convert convert) {
    std::size_t consumed = 0;
    decltype(convert(value, &consumed)) number{};
    try {
        number = convert(value, &consumed);
    } catch (const std::invalid_argument&) {
        throw std::invalid_argument(std::string("invalid ") + conversion + " argument");
    } catch (const std::out_of_range&) {
        throw std::out_of_range(std::string(conversion) + " argument out of range");
    }
    if (consumed != value.size())
        throw std::runtime_error(message);
    return number;
}

constexpr unsigned long long kMaximumLimitGiB = 1ull << 20;  // 1 PiB

CommandLineRequest fullCheckRequest(CommandLineRequest& request, FullCheckOptions& fullCheck,
                                    const std::vector<NativeString>& seen) {
    for (const char* benchmarkOnly : {"--benchmark", "--size-mib", "--seconds", "--files"}) {
        for (const NativeString& name : seen) {
            if (isOption(name, benchmarkOnly))
                throw std::runtime_error("--full-check takes no benchmark options.");
        }
    }
    if (request.reportPath.empty())
        throw std::runtime_error("CLI requires --full-check FOLDER and --report FILE.");
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

    for (std::size_t i = 1; i < arguments.size(); i += 2) {
        if (i + 1 >= arguments.size())
            throw std::runtime_error("Every CLI option needs a value.");
        const NativeString& name = arguments[i];
        const NativeString& value = arguments[i + 1];
        if (isOption(name, "--benchmark")) {
            request.options.folder = value;
        } else if (isOption(name, "--report")) {
            request.reportPath = value;
        } else if (isOption(name, "--size-mib")) {
            const unsigned long long mib = convertWhole(
                value, "stoull", "Invalid size",
                [](const NativeString& v, std::size_t* end) { return std::stoull(v, end, 10); });
            if (mib < 16 || mib > 3072)
                throw std::runtime_error("Invalid size");
            request.options.testBytes = mib * kMiB;
        } else if (isOption(name, "--seconds")) {
            request.options.randomSecondsPerPhase = convertWhole(
                value, "stod", "Invalid duration",
                [](const NativeString& v, std::size_t* end) { return std::stod(v, end); });
        } else if (isOption(name, "--files")) {
            request.options.smallFiles = convertWhole(
                value, "stoi", "Invalid count",
                [](const NativeString& v, std::size_t* end) { return std::stoi(v, end, 10); });
        } else if (isOption(name, "--model-gb")) {
            request.options.modelGB = convertWhole(
                value, "stod", "Invalid model size",
                [](const NativeString& v, std::size_t* end) { return std::stod(v, end); });
        } else if (isOption(name, "--full-check")) {
            fullCheck.folder = value;
        } else if (isOption(name, "--limit-gib")) {
            const unsigned long long gib = convertWhole(
                value, "stoull", "Invalid limit",
                [](const NativeString& v, std::size_t* end) { return std::stoull(v, end, 10); });
            if (gib < 1 || gib > kMaximumLimitGiB)
                throw std::runtime_error("Invalid limit");
            fullCheck.limitBytes = gib * kGiB;
        } else if (isOption(name, "--model-file")) {
            fullCheck.modelFile = value;
        } else {
            throw std::runtime_error("Unknown CLI option.");
        }
        seen.push_back(name);
    }
    if (!fullCheck.folder.empty())
        return fullCheckRequest(request, fullCheck, seen);
    if (fullCheck.limitBytes || !fullCheck.modelFile.empty())
        throw std::runtime_error("--limit-gib and --model-file belong to --full-check.");
    if (request.reportPath.empty() || request.options.folder.empty()) {
        throw std::runtime_error("CLI requires --benchmark FOLDER and --report FILE.");
    }
    return request;
}

}  // namespace orvane
