// A named mutex per set in the session's namespace, and a registered message to the running copy.
#include "monitor/win32/copy_handover.h"

#include <cwchar>

namespace kestrin {
namespace {

struct Search {
    std::uint64_t setHash;
    bool answered;
};

BOOL CALLBACK AskWindow(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<Search*>(parameter);
    wchar_t className[64] = {};
    if (!::GetClassNameW(window, className, 64) || ::lstrcmpW(className, kMonitorWindowClass) != 0) return TRUE;
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    // Windows lets a program take the foreground only when the one that has it allows it.
    ::AllowSetForegroundWindow(process);
    static const UINT message = ::RegisterWindowMessageW(kBringForwardMessage);
    DWORD_PTR result = 0;
    if (::SendMessageTimeoutW(window, message, static_cast<WPARAM>(search.setHash & 0xFFFFFFFFu),
                              static_cast<LPARAM>(search.setHash >> 32), SMTO_ABORTIFHUNG | SMTO_BLOCK, 3000,
                              &result) &&
        static_cast<LRESULT>(result) == kBroughtForward) {
        search.answered = true;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

bool IsBroughtForward(std::uint64_t setHash, WPARAM wp, LPARAM lp) {
    return static_cast<std::uint32_t>(wp) == static_cast<std::uint32_t>(setHash & 0xFFFFFFFFu) &&
           static_cast<std::uint32_t>(lp) == static_cast<std::uint32_t>(setHash >> 32);
}

CopyClaim::CopyClaim(std::uint64_t setHash) {
    wchar_t name[64] = {};
    std::swprintf(name, 64, L"Local\\Kestrin-%016llX", static_cast<unsigned long long>(setHash));
    ::SetLastError(ERROR_SUCCESS);
    mutex_.Reset(::CreateMutexW(nullptr, FALSE, name));
    // An elevated copy's mutex cannot even be opened by an unelevated one: held all the same.
    const DWORD error = ::GetLastError();
    held_ = mutex_ && error != ERROR_ALREADY_EXISTS;
    if (!mutex_ && error != ERROR_ACCESS_DENIED) held_ = true;  // no claim possible: watch, as before
}

bool BringRunningCopyForward(std::uint64_t setHash, DWORD waitMs) {
    const ULONGLONG until = ::GetTickCount64() + waitMs;
    do {
        Search search{setHash, false};
        ::EnumWindows(&AskWindow, reinterpret_cast<LPARAM>(&search));
        if (search.answered) return true;
        ::Sleep(250);
    } while (::GetTickCount64() < until);
    return false;
}

}  // namespace kestrin
