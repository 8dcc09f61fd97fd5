// Conversions between the core's UTF-8 and the UTF-16 of the W functions.
#include "win32/text.h"

#include <windows.h>

#include "text/utf.h"

namespace kestrin {

std::wstring Widen(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
    return wide;
}

std::string Narrow(const wchar_t* utf16, std::size_t length) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wchar_t");
    return Utf16ToUtf8(reinterpret_cast<const char16_t*>(utf16), length);
}

std::string Narrow(const std::wstring& utf16) { return Narrow(utf16.data(), utf16.size()); }

std::string SystemMessageText(unsigned long error) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, error, 0,
        reinterpret_cast<wchar_t*>(&text), 0, nullptr);  // language 0: the user's own
    const std::string message = length ? Narrow(text, length) : std::string();
    if (text) ::LocalFree(text);
    return message;
}

}  // namespace kestrin
