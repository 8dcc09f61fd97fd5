// Keeps the icon record between calls so a modify only rewrites the tip.
#include "monitor/win32/tray_icon.h"

#include "win32/text.h"

namespace kestrin {

TrayIcon::TrayIcon(HWND owner, UINT id, UINT callbackMessage, HICON icon) {
    record_.cbSize = sizeof(record_);
    record_.hWnd = owner;
    record_.uID = id;
    record_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record_.uCallbackMessage = callbackMessage;
    record_.hIcon = icon;
}

void TrayIcon::SetTip(const std::string& tip) {
    const std::wstring wide = Widen(tip);
    const std::size_t length = wide.copy(record_.szTip, ARRAYSIZE(record_.szTip) - 1);
    record_.szTip[length] = L'\0';
}

void TrayIcon::Add(const std::string& tip) {
    SetTip(tip);
    ::Shell_NotifyIconW(NIM_ADD, &record_);
}

void TrayIcon::Modify(const std::string& tip) {
    SetTip(tip);
    ::Shell_NotifyIconW(NIM_MODIFY, &record_);
}

void TrayIcon::Delete() { ::Shell_NotifyIconW(NIM_DELETE, &record_); }

}  // namespace kestrin
