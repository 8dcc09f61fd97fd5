// Finding and reading another process's windows, the way the end-to-end driver needs it.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kestrin::driver {

// A top-level window named by its class and caption; the caption "*" matches any caption.
struct WindowName {
    std::wstring className;
    std::wstring caption;
};

// Parses "0x1A2B" (a window handle) or "<class>:<caption>" (split at the first colon).
struct Target {
    HWND hwnd = nullptr;
    std::optional<WindowName> name;
};
std::optional<Target> ParseTarget(const std::wstring& text);

// Every top-level window of the desktop with that class and caption, hidden ones included.
std::vector<HWND> FindTopLevel(const WindowName& name);

// The handle a target stands for now: its own handle if still a window, else the first match.
HWND Resolve(const Target& target);

std::wstring ClassOf(HWND hwnd);
std::wstring CaptionOf(HWND hwnd);

// A control's text through WM_GETTEXT, which crosses processes; nullopt if the window is
// missing or does not answer within `timeoutMs`.
std::optional<std::wstring> ControlText(HWND control, UINT timeoutMs = 2000);

// Sets a control's text through WM_SETTEXT; false if it did not answer.
bool SetControlText(HWND control, const std::wstring& text, UINT timeoutMs = 2000);

// A visible popup menu (class "#32768") opened by the thread that owns `hwnd`, or nullptr.
HWND OpenPopupMenuOf(HWND hwnd);

// Calls `ready` every 50 ms until it answers true or `timeoutMs` has passed; true if ready.
bool PollUntil(DWORD timeoutMs, const std::function<bool()>& ready);

}  // namespace kestrin::driver
