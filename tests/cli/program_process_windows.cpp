#include <stdexcept>

#include "platform/text_encoding.h"
#include "platform/unique_handle_windows.h"
#include "tests/cli/program_process.h"

namespace orvane {

// The build runs on Linux; Wine shows its root as drive Z:.
std::wstring programPath() {
#ifdef ORVANE_CLI_PROGRAM
    std::wstring path = fromUtf8(ORVANE_CLI_PROGRAM);
    for (auto& c : path) {
        if (c == L'/')
            c = L'\\';
    }
    return path.size() > 1 && path[1] == L':' ? path : L"Z:" + path;
#else
    throw std::logic_error("no program to start");
#endif
}

namespace {

std::wstring quoted(const std::wstring& text) {
    std::wstring out = L"\"";
    for (wchar_t c : text) {
        if (c == L'"')
            out += L'\\';
        out += c;
    }
    return out + L"\"";
}

}  // namespace

int runProgram(const std::vector<std::string>& arguments) {
    const std::wstring program = programPath();
    std::wstring commandLine = quoted(program);
    for (const auto& argument : arguments)
        commandLine += L" " + quoted(fromUtf8(argument));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        throw std::runtime_error("cannot start the program");
    }
    const UniqueKernelHandle processHandle(process.hProcess);
    const UniqueKernelHandle threadHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    return static_cast<int>(code);
}

}  // namespace orvane
