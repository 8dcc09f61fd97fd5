// The system information launcher's port over the file system, CreateProcessW and MessageBoxW.
#include "about/win32/process_sys_info_port.h"

#include <utility>

#include "win32/text.h"
#include "win32/unique_handle.h"

namespace kestrin {

ProcessSysInfoPort::ProcessSysInfoPort(HWND owner, std::string title) : owner_(owner), title_(std::move(title)) {}

bool ProcessSysInfoPort::FileExists(const std::string& path) {
    // One exact path, no wildcards; directories, devices, hidden and system files do not count.
    const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    constexpr DWORD kNotNormal =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    return (attributes & kNotNormal) == 0;
}

bool ProcessSysInfoPort::Launch(const std::string& path) {
    const std::wstring application = Widen(path);
    std::wstring commandLine = L"\"" + application + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process)) {
        return false;
    }
    // The tool runs on its own; its handles are not kept.
    KernelHandle processHandle(process.hProcess);
    KernelHandle threadHandle(process.hThread);
    ::AllowSetForegroundWindow(process.dwProcessId);
    return true;
}

void ProcessSysInfoPort::ShowUnavailable() {
    ::MessageBoxW(owner_, Widen(kSysInfoUnavailable).c_str(), Widen(title_).c_str(), MB_OK);
}

}  // namespace kestrin
