// Finding and reading another process's windows, the way the end-to-end driver needs it.
#include "windows_query.h"

#include <cwchar>

namespace kestrin::driver {

namespace {

bool Matches(HWND hwnd, const WindowName& name) {
    if (ClassOf(hwnd) != name.className) return false;
    return name.caption == L"*" || CaptionOf(hwnd) == name.caption;
}

struct Search {
    const WindowName* name;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectMatch(HWND hwnd, LPARAM lp) {
    auto* search = reinterpret_cast<Search*>(lp);
    if (Matches(hwnd, *search->name)) search->found.push_back(hwnd);
    return TRUE;
}

}  // namespace

std::optional<Target> ParseTarget(const std::wstring& text) {
    Target target;
    if (text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X')) {
        wchar_t* end = nullptr;
        const unsigned long long value = std::wcstoull(text.c_str() + 2, &end, 16);
        if (*end != L'\0' || value == 0) return std::nullopt;
        target.hwnd = reinterpret_cast<HWND>(static_cast<UINT_PTR>(value));
        return target;
    }
    const auto colon = text.find(L':');
    if (colon == std::wstring::npos || colon == 0) return std::nullopt;
    target.name = WindowName{text.substr(0, colon), text.substr(colon + 1)};
    return target;
}

std::vector<HWND> FindTopLevel(const WindowName& name) {
    Search search{&name, {}};
    ::EnumWindows(CollectMatch, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND Resolve(const Target& target) {
    if (target.hwnd) return ::IsWindow(target.hwnd) ? target.hwnd : nullptr;
    const auto found = FindTopLevel(*target.name);
    return found.empty() ? nullptr : found.front();
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t buffer[256] = {};
    const int length = ::GetClassNameW(hwnd, buffer, 256);
    return std::wstring(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

std::wstring CaptionOf(HWND hwnd) {
    // For another process's top-level window this reads the stored caption without sending
    // a message, so a busy window cannot hold the driver up.
    wchar_t buffer[512] = {};
    const int length = ::GetWindowTextW(hwnd, buffer, 512);
    return std::wstring(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

std::optional<std::wstring> ControlText(HWND control, UINT timeoutMs) {
    if (!control || !::IsWindow(control)) return std::nullopt;
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, timeoutMs,
                               &length)) {
        return std::nullopt;
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(control, WM_GETTEXT, text.size(),
                               reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                               timeoutMs, &copied)) {
        return std::nullopt;
    }
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

bool SetControlText(HWND control, const std::wstring& text, UINT timeoutMs) {
    if (!control || !::IsWindow(control)) return false;
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                                 SMTO_ABORTIFHUNG, timeoutMs, &result) != 0;
}

HWND OpenPopupMenuOf(HWND hwnd) {
    const DWORD thread = ::GetWindowThreadProcessId(hwnd, nullptr);
    for (HWND menu : FindTopLevel(WindowName{L"#32768", L"*"})) {
        if (::IsWindowVisible(menu) && ::GetWindowThreadProcessId(menu, nullptr) == thread) {
            return menu;
        }
    }
    return nullptr;
}

bool PollUntil(DWORD timeoutMs, const std::function<bool()>& ready) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (ready()) return true;
        if (::GetTickCount64() >= deadline) return false;
        ::Sleep(50);
    }
}

}  // namespace kestrin::driver
