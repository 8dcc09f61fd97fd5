// One RAII owner for every kind of Windows handle, with a traits struct naming how to close it.
#pragma once

#include <windows.h>

#include <utility>

namespace kestrin {

template <class Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle h) noexcept : h_(h) {}
    UniqueHandle(UniqueHandle&& o) noexcept : h_(o.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        Reset(o.Release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Reset(); }

    Handle Get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != Handle{}; }
    Handle Release() noexcept { return std::exchange(h_, Handle{}); }
    void Reset(Handle h = Handle{}) noexcept {
        if (h_ != Handle{}) Traits::Close(h_);
        h_ = h;
    }

private:
    Handle h_{};
};

struct KeyTraits {
    using Handle = HKEY;
    static void Close(Handle h) noexcept { ::RegCloseKey(h); }
};
struct IconTraits {
    using Handle = HICON;
    static void Close(Handle h) noexcept { ::DestroyIcon(h); }
};
struct MenuTraits {
    using Handle = HMENU;
    static void Close(Handle h) noexcept { ::DestroyMenu(h); }
};
struct FontTraits {
    using Handle = HFONT;
    static void Close(Handle h) noexcept { ::DeleteObject(h); }
};
struct BrushTraits {
    using Handle = HBRUSH;
    static void Close(Handle h) noexcept { ::DeleteObject(h); }
};
struct KernelTraits {
    using Handle = HANDLE;
    static void Close(Handle h) noexcept { ::CloseHandle(h); }
};

using KeyHandle = UniqueHandle<KeyTraits>;
using IconHandle = UniqueHandle<IconTraits>;
using MenuHandle = UniqueHandle<MenuTraits>;
using FontHandle = UniqueHandle<FontTraits>;
using BrushHandle = UniqueHandle<BrushTraits>;
using KernelHandle = UniqueHandle<KernelTraits>;  // threads, events, processes

}  // namespace kestrin
