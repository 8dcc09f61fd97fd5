// frmAbout: the modeless About window with the program's title, version and description.
#pragma once

#include <windows.h>

#include "about/win32/advapi_registry_port.h"
#include "win32/app_lifetime.h"
#include "win32/unique_handle.h"

namespace kestrin {

class AboutWindow {
public:
    AboutWindow(HINSTANCE instance, AppLifetime& lifetime);
    ~AboutWindow();
    AboutWindow(const AboutWindow&) = delete;
    AboutWindow& operator=(const AboutWindow&) = delete;

    // Creates and loads the window with `icon` (not taken over) if it is not open, then shows it in front.
    void Show(HICON icon);
    // Lets the open window handle its keys (Tab, Enter, Esc); true when the message was used up.
    bool PreTranslate(MSG& msg);
    HWND Handle() const noexcept { return hwnd_; }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp);
    void Load();
    void PlaceControls();
    void PaintLines();
    void StartSysInfoClick();
    HWND Owner();

    struct WindowTraits {
        using Handle = HWND;
        static void Close(Handle h) noexcept { ::DestroyWindow(h); }
    };

    HINSTANCE instance_;
    AppLifetime& lifetime_;
    HICON icon_ = nullptr;
    HWND hwnd_ = nullptr;
    UniqueHandle<WindowTraits> owner_;  // hidden; keeps the window off the taskbar
    AdvapiRegistryPort registry_;
};

}  // namespace kestrin
