// Keeps the icon record between calls so a modify only rewrites the tip.
#include "monitor/win32/tray_icon.h"

#include "text/utf.h"
#include "win32/text.h"

namespace kestrin {
namespace {

// Copies as much of `text` as the fixed field holds, in whole characters, always NUL-terminated.
template <std::size_t N>
void CopyToField(const std::string& text, wchar_t (&field)[N]) {
    const std::wstring wide = Widen(text);
    const std::size_t units =
        WholeUtf16Units(reinterpret_cast<const char16_t*>(wide.data()), wide.size(), N - 1);
    field[wide.copy(field, units)] = L'\0';
}

}  // namespace

TrayIcon::TrayIcon(HWND owner, UINT id, UINT callbackMessage) {
    record_.cbSize = sizeof(record_);
    record_.hWnd = owner;
    record_.uID = id;
    record_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record_.uCallbackMessage = callbackMessage;
}

void TrayIcon::SetTip(const std::string& tip) { CopyToField(tip, record_.szTip); }

bool TrayIcon::Add(const std::string& tip) {
    SetTip(tip);
    return ::Shell_NotifyIconW(NIM_ADD, &record_) != FALSE;
}

void TrayIcon::SetVersion() {
    // NOTIFYICON_VERSION, not _4: lParam still carries the mouse message as before, and the shell
    // adds NIN_KEYSELECT for Enter/Space and WM_CONTEXTMENU for the menu key, so the keyboard
    // reaches the icon. The version lasts as long as the icon, so every new icon sets it again.
    NOTIFYICONDATAW version = record_;
    version.uVersion = NOTIFYICON_VERSION;
    ::Shell_NotifyIconW(NIM_SETVERSION, &version);
}

TrayAnswer TrayIcon::Modify(const std::string* tip, bool image) {
    // Only what changed crosses to the shell; every add still sends the whole record.
    UINT flags = 0;
    if (tip) {
        SetTip(*tip);
        flags |= NIF_TIP;
    }
    if (image) flags |= NIF_ICON;
    NOTIFYICONDATAW change = record_;
    change.uFlags = flags;
    ::SetLastError(ERROR_SUCCESS);
    if (::Shell_NotifyIconW(NIM_MODIFY, &change)) return TrayAnswer::Done;
    // Shell_NotifyIcon waits about 4 s for Explorer and then fails with ERROR_TIMEOUT, or with no
    // error at all when the message went unanswered: Explorer may still have made the change.
    const DWORD error = ::GetLastError();
    return error == ERROR_TIMEOUT || error == ERROR_SUCCESS ? TrayAnswer::TimedOut : TrayAnswer::Refused;
}

void TrayIcon::SetImage(IconHandle image) {
    record_.hIcon = image.Get();
    image_ = std::move(image);  // the old image goes only now; the shell keeps its own copy
}

void TrayIcon::ShowBalloon(const std::string& title, const std::string& text, HICON largeIcon) {
    NOTIFYICONDATAW balloon = record_;
    balloon.uFlags = NIF_INFO;
    CopyToField(title, balloon.szInfoTitle);
    CopyToField(text, balloon.szInfo);
    // The program's own icon, large; no sound while the user is busy (quiet time, presentations).
    balloon.dwInfoFlags = NIIF_USER | NIIF_LARGE_ICON | NIIF_RESPECT_QUIET_TIME;
    balloon.hBalloonIcon = largeIcon;
    ::Shell_NotifyIconW(NIM_MODIFY, &balloon);
}

void TrayIcon::Delete() { ::Shell_NotifyIconW(NIM_DELETE, &record_); }

void TrayIcon::GiveBackFocus() { ::Shell_NotifyIconW(NIM_SETFOCUS, &record_); }

POINT TrayIcon::MenuAnchor() const {
    NOTIFYICONIDENTIFIER identifier{};
    identifier.cbSize = sizeof(identifier);
    identifier.hWnd = record_.hWnd;
    identifier.uID = record_.uID;
    RECT icon{};
    if (SUCCEEDED(::Shell_NotifyIconGetRect(&identifier, &icon))) return POINT{icon.left, icon.top};
    // Shells without the icon's rectangle: the notification area's, and the pointer as a last resort.
    if (HWND tray = ::FindWindowW(L"Shell_TrayWnd", nullptr)) {
        if (HWND area = ::FindWindowExW(tray, nullptr, L"TrayNotifyWnd", nullptr)) {
            RECT rect{};
            if (::GetWindowRect(area, &rect)) return POINT{rect.left, rect.top};
        }
    }
    POINT pointer{};
    ::GetCursorPos(&pointer);
    return pointer;
}

}  // namespace kestrin
