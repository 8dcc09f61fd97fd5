// The notification-area icon: one record, added, modified and deleted through Shell_NotifyIconW.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "monitor/monitor_view.h"
#include "win32/unique_handle.h"

namespace kestrin {

class TrayIcon {
public:
    // `owner` receives `callbackMessage` with the mouse message in lParam.
    TrayIcon(HWND owner, UINT id, UINT callbackMessage);

    bool Add(const std::string& tip);  // false when the notification area did not take it
    // Sends only what is given: the tip, and the image when `image` is set.
    TrayAnswer Modify(const std::string* tip, bool image);
    void SetVersion();                 // the keyboard's callbacks, for the icon the area holds now
    // Takes the image over. The record points at the new one before the old one is destroyed, so a
    // record sent meanwhile (a message handled during a Shell_NotifyIcon call) never holds a dead handle.
    void SetImage(IconHandle image);
    // The balloon, shown by Windows 10 and 11 as a toast attributed to the program.
    void ShowBalloon(const std::string& title, const std::string& text, HICON largeIcon);
    void Delete();
    void GiveBackFocus();              // the keyboard returns to the icon after its menu
    POINT MenuAnchor() const;          // where a menu opened from the keyboard belongs

private:
    void SetTip(const std::string& tip);

    NOTIFYICONDATAW record_{};
    IconHandle image_;
};

}  // namespace kestrin
