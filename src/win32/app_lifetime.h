// Ends the message loop when the program's last top-level window has gone.
#pragma once

#include <windows.h>

namespace kestrin {

class AppLifetime {
public:
    void WindowOpened() noexcept { ++windows_; }
    void WindowClosed() noexcept {
        if (--windows_ == 0) ::PostQuitMessage(0);
    }

private:
    int windows_ = 0;
};

}  // namespace kestrin
