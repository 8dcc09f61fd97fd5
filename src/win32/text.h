// UTF-8 inside the program, UTF-16 at the Windows boundary.
#pragma once

#include <string>

namespace kestrin {

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& utf16);
std::string Narrow(const wchar_t* utf16, std::size_t length);

// The system's text for an error code, in the user's language; "" when it has none.
std::string SystemMessageText(unsigned long error);

}  // namespace kestrin
