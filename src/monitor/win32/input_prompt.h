// The modal text prompt of the start-up sequence.
#pragma once

#include <windows.h>

#include <string>

namespace kestrin {

// Shows `prompt` in a dialog titled `title` with an empty edit box; Cancel or close answers "".
// `open` holds the dialog while it is open, so the session's end can cancel it.
std::string ShowInputPrompt(HINSTANCE instance, const std::string& title, const std::string& prompt, HWND& open);

// Closes the prompt that `open` holds as Cancel would; nothing when none is open.
void CancelInputPrompt(HWND open);

}  // namespace kestrin
