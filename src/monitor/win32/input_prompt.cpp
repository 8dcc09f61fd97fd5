// The prompt dialog, built from the IDD_PROMPT template.
#include "monitor/win32/input_prompt.h"

#include "resource.h"
#include "win32/text.h"

namespace kestrin {
namespace {

struct PromptState {
    std::wstring title;
    std::wstring prompt;
    std::wstring answer;
};

std::wstring ControlText(HWND dialog, int id) {
    HWND control = ::GetDlgItem(dialog, id);
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(control)) + 1, L'\0');
    const int length = ::GetWindowTextW(control, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

INT_PTR CALLBACK PromptProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
    auto* state = reinterpret_cast<PromptState*>(::GetWindowLongPtrW(dialog, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG:
        state = reinterpret_cast<PromptState*>(lp);
        ::SetWindowLongPtrW(dialog, DWLP_USER, lp);
        ::SetWindowTextW(dialog, state->title.c_str());
        ::SetDlgItemTextW(dialog, IDC_PROMPT_TEXT, state->prompt.c_str());
        return TRUE;  // focus goes to the edit box, the first tab stop
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK) {
            state->answer = ControlText(dialog, IDC_PROMPT_EDIT);
            ::EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wp) == IDCANCEL) {
            ::EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

std::string ShowInputPrompt(HINSTANCE instance, const std::string& title, const std::string& prompt) {
    PromptState state{Widen(title), Widen(prompt), {}};
    ::DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_PROMPT), nullptr, PromptProc,
                      reinterpret_cast<LPARAM>(&state));
    return Narrow(state.answer);
}

}  // namespace kestrin
