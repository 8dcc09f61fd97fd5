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

    void Add(const std::string& tip);
    void Modify(const std::string& tip);
    void Delete();

private:
    void SetTip(const std::string& tip);

    NOTIFYICONDATAW record_{};
};

}  // namespace kestrin
