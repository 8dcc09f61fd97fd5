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

    // Creates and loads the window if it is not open, then shows it in front.
    void Show();
    // Lets the open window handle its keys (Tab, Enter, Esc); true when the message was used up.
    bool PreTranslate(MSG& msg);
    void Close();  // unloads the window if it is open
    HWND Handle() const noexcept { return hwnd_; }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp);
    void Load();
    void ApplyDpi();  // fonts, the picture and every place for dpi_
    void PlaceControls(const RECT* suggested);
    void PaintLines();
    void StartSysInfoClick();
    HWND Owner();

    struct WindowTraits {
        using Handle = HWND;
        static void Close(Handle h) noexcept { ::DestroyWindow(h); }
    };

    HINSTANCE instance_;
    AppLifetime& lifetime_;
    HWND hwnd_ = nullptr;
    UINT dpi_ = 96;
    IconHandle picture_;  // the program's icon at this window's size
    FontHandle font_;
    UniqueHandle<WindowTraits> owner_;  // hidden; keeps the window off the taskbar
    AdvapiRegistryPort registry_;
};

}  // namespace kestrin
