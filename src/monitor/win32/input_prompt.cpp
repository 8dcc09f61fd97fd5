// The prompt dialog, built from the IDD_PROMPT template.
#include "monitor/win32/input_prompt.h"

#include "resource.h"
#include "win32/dpi.h"
#include "win32/text.h"
#include "win32/ui_look.h"

namespace kestrin {
namespace {

constexpr UINT kApplyFont = WM_APP + 1;

struct PromptState {
    std::wstring title;
    std::wstring prompt;
    std::wstring answer;
    HWND& open;
    FontHandle font;  // the system's UI font, as in the other windows
};

// The template's font only sizes the layout; the text itself is drawn in the system's UI font.
void ApplyFont(HWND dialog, PromptState& state) {
    FontHandle font = CreateMessageFont(WindowDpi(dialog));
    SetFontOnChildren(dialog, font.Get());
    state.font = std::move(font);
}

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
        state->open = dialog;
        ApplyFont(dialog, *state);
        ::SetWindowTextW(dialog, state->title.c_str());
        ::SetDlgItemTextW(dialog, IDC_PROMPT_TEXT, state->prompt.c_str());
        return TRUE;  // focus goes to the edit box, the first tab stop
    case WM_SETTINGCHANGE:
        if (!SettingChangesLook(wp, lp)) return FALSE;
        [[fallthrough]];
    case WM_DPICHANGED:
        // The dialog manager rescales the layout and resets the fonts first; ours goes on after.
        ::PostMessageW(dialog, kApplyFont, 0, 0);
        return FALSE;
    case kApplyFont:
        if (state) ApplyFont(dialog, *state);
        return TRUE;
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

std::string ShowInputPrompt(HINSTANCE instance, const std::string& title, const std::string& prompt, HWND& open) {
    PromptState state{Widen(title), Widen(prompt), {}, open, {}};
    ::DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_PROMPT), nullptr, PromptProc,
                      reinterpret_cast<LPARAM>(&state));
    open = nullptr;
    return Narrow(state.answer);
}

void CancelInputPrompt(HWND open) {
    if (open) ::EndDialog(open, IDCANCEL);
}

}  // namespace kestrin
