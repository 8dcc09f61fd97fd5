// The modal text prompt of the start-up sequence.
#pragma once

#include <windows.h>

#include <string>

namespace kestrin {

// Shows `prompt` in a dialog titled `title` with an empty edit box; Cancel or close answers "".
std::string ShowInputPrompt(HINSTANCE instance, const std::string& title, const std::string& prompt);

}  // namespace kestrin
