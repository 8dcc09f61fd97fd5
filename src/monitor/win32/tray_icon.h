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
    // Sends only what is given; false when the notification area no longer has the icon.
    bool Modify(const std::string* tip, HICON icon);
    void SetImage(HICON icon);            // not taken over; kept for every later add and modify
    // The balloon, shown by Windows 10 and 11 as a toast attributed to the program.
    void ShowBalloon(const std::string& title, const std::string& text, HICON largeIcon);
    void Delete();
    void GiveBackFocus();                 // the keyboard returns to the icon after its menu
    POINT MenuAnchor() const;             // where a menu opened from the keyboard belongs

private:
    void SetTip(const std::string& tip);

    NOTIFYICONDATAW record_{};
};

}  // namespace kestrin
