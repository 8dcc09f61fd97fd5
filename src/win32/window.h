// Base for window classes: a static window procedure that forwards to the object's OnMessage.
#pragma once

#include <windows.h>

namespace kestrin {

template <class Derived>
class Window {
public:
    HWND Handle() const noexcept { return hwnd_; }

protected:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    ~Window() = default;

    static LRESULT CALLBACK Thunk(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
        auto* self = reinterpret_cast<Derived*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (msg == WM_NCCREATE) {
            self = static_cast<Derived*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
            self->hwnd_ = hwnd;
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
        if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
        const LRESULT result = self->OnMessage(msg, wp, lp);
        if (msg == WM_NCDESTROY) {  // the last message this window receives
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            self->hwnd_ = nullptr;
        }
        return result;
    }

    HWND hwnd_ = nullptr;
};

}  // namespace kestrin
