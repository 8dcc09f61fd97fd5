// The notification-area icon: one record, added, modified and deleted through Shell_NotifyIconW.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace kestrin {

class TrayIcon {
public:
    // `owner` receives `callbackMessage` with the mouse message in lParam.
    TrayIcon(HWND owner, UINT id, UINT callbackMessage, HICON icon);

    bool Add(const std::string& tip);     // false when the notification area refused it
    bool Modify(const std::string& tip);  // false when the notification area no longer has it
    bool SetImage(HICON icon);            // not taken over; kept for every later add
    void Delete();
    void GiveBackFocus();                 // the keyboard returns to the icon after its menu
    POINT MenuAnchor() const;             // where a menu opened from the keyboard belongs

private:
    void SetTip(const std::string& tip);
    bool ModifyOnly(UINT flags);

    NOTIFYICONDATAW record_{};
};

}  // namespace kestrin
