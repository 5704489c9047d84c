#include <stdexcept>

#include "format/format_command.h"
#include "platform/program_path_windows.h"
#include "platform/windows_api.h"

namespace orvane {

namespace {

std::string_view embeddedScript() {
    const HMODULE module = GetModuleHandleW(nullptr);
    const HRSRC resource =
        FindResourceW(module, MAKEINTRESOURCEW(kFormatScriptResourceId), RT_RCDATA);
    if (!resource)
        throw std::runtime_error(format_command_error::kMissing);
    // Resources stay mapped for the life of the module: nothing to release.
    const HGLOBAL loaded = LoadResource(module, resource);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = SizeofResource(module, resource);
    if (!data || size == 0)
        throw std::runtime_error(format_command_error::kUnloadable);
    return {static_cast<const char*>(data), size};
}

}  // namespace

NativeString composeFormatCommand(const FormatTarget& target, std::uint32_t clusterBytes,
                                  const NativeString& label) {
    validateFormatRequest(target, clusterBytes, label);
    const std::string_view script = embeddedScript();
    // Empty (refused as a host path) when the path cannot be read whole.
    return composeFormatCommandFrom(target, clusterBytes, label, script,
                                    programFilePath().value_or(NativeString()));
}

}  // namespace orvane
