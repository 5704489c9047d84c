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

}  // namespace

CommandLineRequest parseCommandLineOptions(const std::vector<NativeString>& arguments) {
    CommandLineRequest request;
    request.options.profile = "CLI";

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
        } else {
            throw std::runtime_error("Unknown CLI option.");
        }
    }
    if (request.reportPath.empty() || request.options.folder.empty()) {
        throw std::runtime_error("CLI requires --benchmark FOLDER and --report FILE.");
    }
    return request;
}

}  // namespace orvane
