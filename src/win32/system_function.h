// Small pieces every window takes from the system: a function of a system DLL that older Windows
// may lack, looked up by name instead of imported (so the program still starts on Windows 7), and
// the program's icon at an exact size.
#pragma once

#include <windows.h>

namespace kestrin {

// `module` must already be loaded (kernel32 and user32 always are); nullptr when it lacks `name`.
template <class Fn>
Fn FindSystemFunction(const wchar_t* module, const char* name) {
    HMODULE loaded = ::GetModuleHandleW(module);
    // Through void*: the function's real type is Fn's, not FARPROC's.
    return loaded ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(loaded, name))) : nullptr;
}

// The program's icon resource `id`, drawn for `size` pixels rather than stretched from another size.
inline HICON LoadIconImage(HINSTANCE instance, int id, int size) {
    return static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

}  // namespace kestrin
