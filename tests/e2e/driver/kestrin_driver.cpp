// kestrin_driver: one command per run against the program's windows, answers on stdout.
//
// Targets are a window handle ("0x1A2B") or "<class>:<caption>" ("*" for any caption).
// Exit code 0 on success, 1 when the command failed or timed out, 2 on a usage error.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "list_view.h"
#include "win32/text.h"
#include "windows_query.h"

namespace kestrin::driver {
namespace {

using Args = std::vector<std::wstring>;

constexpr UINT kPromptTextId = 201;
constexpr UINT kPromptEditId = 202;
constexpr DWORD kDefaultWaitMs = 5000;

void Print(const std::wstring& line) {
    const std::string utf8 = Narrow(line) + "\n";
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
}

int Fail(const std::wstring& message) {
    const std::string utf8 = "error: " + Narrow(message) + "\n";
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
    return 1;
}

std::wstring Hex(HWND hwnd) {
    wchar_t buffer[32] = {};
    std::swprintf(buffer, 32, L"0x%llX",
                  static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hwnd)));
    return buffer;
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// Decimal or 0x-prefixed hexadecimal; nullopt when the text is not a whole number.
std::optional<unsigned long long> Number(const std::wstring& text) {
    if (text.empty()) return std::nullopt;
    wchar_t* end = nullptr;
    const unsigned long long value = std::wcstoull(text.c_str(), &end, 0);
    if (*end != L'\0') return std::nullopt;
    return value;
}

struct UsageError {
    std::wstring message;
};

unsigned long long NumberArg(const std::wstring& text) {
    const auto value = Number(text);
    if (!value) throw UsageError{L"not a number: " + text};
    return *value;
}

DWORD MillisArg(const Args& args, std::size_t index, DWORD fallback) {
    return index < args.size() ? static_cast<DWORD>(NumberArg(args[index])) : fallback;
}

Target TargetArg(const std::wstring& text) {
    const auto target = ParseTarget(text);
    if (!target) throw UsageError{L"not a window handle or class:caption: " + text};
    return *target;
}

// The target's window now, or nullptr after printing why not.
HWND Window(const std::wstring& text) {
    const HWND hwnd = Resolve(TargetArg(text));
    if (!hwnd) Fail(L"no window " + text);
    return hwnd;
}

HWND Control(HWND parent, const std::wstring& idText) {
    const HWND control = ::GetDlgItem(parent, static_cast<int>(NumberArg(idText)));
    if (!control) Fail(L"no control " + idText + L" in " + Hex(parent));
    return control;
}

int Find(const Args& a) {
    const WindowName name{a[0], a[1]};
    HWND found = nullptr;
    PollUntil(MillisArg(a, 2, 0), [&] {
        const auto all = FindTopLevel(name);
        found = all.empty() ? nullptr : all.front();
        return found != nullptr;
    });
    if (!found) return Fail(L"no window " + a[0] + L":" + a[1]);
    Print(Hex(found));
    return 0;
}

// Among several copies' windows of one class and caption, the one whose control reads `text`.
int FindByText(const Args& a) {
    const WindowName name{a[0], a[1]};
    const int id = static_cast<int>(NumberArg(a[2]));
    HWND found = nullptr;
    PollUntil(MillisArg(a, 4, 0), [&] {
        for (HWND hwnd : FindTopLevel(name)) {
            const auto text = ControlText(::GetDlgItem(hwnd, id));
            if (text && *text == a[3]) found = hwnd;
        }
        return found != nullptr;
    });
    if (!found) return Fail(L"no window " + a[0] + L":" + a[1] + L" whose control reads " + a[3]);
    Print(Hex(found));
    return 0;
}

int Count(const Args& a) {
    Print(std::to_wstring(FindTopLevel(WindowName{a[0], a[1]}).size()));
    return 0;
}

int Child(const Args& a) {
    const HWND hwnd = Window(a[0]);
    if (!hwnd) return 1;
    const HWND control = Control(hwnd, a[1]);
    if (!control) return 1;
    Print(Hex(control));
    return 0;
}

int Text(const Args& a) {
    const HWND hwnd = Window(a[0]);
    if (!hwnd) return 1;
    const HWND control = Control(hwnd, a[1]);
    if (!control) return 1;
    const auto text = ControlText(control);
    if (!text) return Fail(L"control " + a[1] + L" does not answer");
    Print(*text);
    return 0;
}

int WaitText(const Args& a) {
    const Target target = TargetArg(a[0]);
    const int id = static_cast<int>(NumberArg(a[1]));
    std::optional<std::wstring> last;
    const bool ok = PollUntil(MillisArg(a, 3, kDefaultWaitMs), [&] {
        const HWND hwnd = Resolve(target);
        last = hwnd ? ControlText(::GetDlgItem(hwnd, id)) : std::nullopt;
        return last && *last == a[2];
    });
    if (ok) return 0;
    return Fail(L"control " + a[1] + L" of " + a[0] + L" reads " +
                (last ? Quoted(*last) : std::wstring(L"nothing (no window or no answer)")) +
                L", not " + Quoted(a[2]));
}

int Caption(const Args& a) {
    const HWND hwnd = Window(a[0]);
    if (!hwnd) return 1;
    Print(CaptionOf(hwnd));
    return 0;
}

int Visible(const Args& a) {
    const HWND hwnd = Window(a[0]);
    if (!hwnd) return 1;
    Print(::IsWindowVisible(hwnd) ? L"1" : L"0");
    return 0;
}

int WaitVisible(const Args& a) {
    const Target target = TargetArg(a[0]);
    const bool wanted = NumberArg(a[1]) != 0;
    const bool ok = PollUntil(MillisArg(a, 2, kDefaultWaitMs), [&] {
        const HWND hwnd = Resolve(target);
        return hwnd && (::IsWindowVisible(hwnd) != FALSE) == wanted;
    });
    if (ok) return 0;
    return Fail(a[0] + (wanted ? L" is not shown" : L" is not hidden"));
}

int WaitGone(const Args& a) {
    const Target target = TargetArg(a[0]);
    if (PollUntil(MillisArg(a, 1, kDefaultWaitMs), [&] { return Resolve(target) == nullptr; })) {
        return 0;
    }
    return Fail(a[0] + L" is still there");
}

int Click(const Args& a) {
    const HWND hwnd = Window(a[0]);
    if (!hwnd) return 1;
    const HWND control = Control(hwnd, a[1]);
    if (!control) return 1;
    // Posted, so a handler that blocks cannot hold the driver up.
    return ::PostMessageW(control, BM_CLICK, 0, 0) ? 0 : Fail(L"cannot post BM_CLICK");
}

int Post(const Args& a) {
    const HWND hwnd = Window(a[0]);
    if (!hwnd) return 1;
    const auto message = static_cast<UINT>(NumberArg(a[1]));
    const auto wp = static_cast<WPARAM>(NumberArg(a[2]));
    const auto lp = static_cast<LPARAM>(NumberArg(a[3]));
    const auto times = a.size() > 4 ? NumberArg(a[4]) : 1;
    for (unsigned long long i = 0; i < times; ++i) {
        if (!::PostMessageW(hwnd, message, wp, lp)) return Fail(L"cannot post the message");
    }
    return 0;
}

int Close(const Args& a) {
    const HWND hwnd = Window(a[0]);
    if (!hwnd) return 1;
    return ::PostMessageW(hwnd, WM_CLOSE, 0, 0) ? 0 : Fail(L"cannot post WM_CLOSE");
}

// Types `key` into the popup menu that the target's thread has open, as a person would, and
// waits for the menu to close. Another process cannot read the menu's items under Wine.
int TypeIntoMenu(HWND hwnd, wchar_t key, DWORD timeoutMs) {
    HWND menu = nullptr;
    if (!PollUntil(timeoutMs, [&] { return (menu = OpenPopupMenuOf(hwnd)) != nullptr; })) {
        return Fail(L"no popup menu opened");
    }
    // The menu's loop reads every keyboard message of its thread's queue.
    if (!::PostMessageW(menu, WM_CHAR, key, 1)) return Fail(L"cannot post WM_CHAR");
    if (!PollUntil(timeoutMs, [&] { return OpenPopupMenuOf(hwnd) == nullptr; })) {
        return Fail(L"the popup menu stayed open");
    }
    return 0;
}

int MenuKey(const Args& a) {
    const HWND hwnd = Window(a[0]);
    if (!hwnd) return 1;
    if (a[1].size() != 1) throw UsageError{L"one character expected: " + a[1]};
    return TypeIntoMenu(hwnd, a[1][0], MillisArg(a, 2, kDefaultWaitMs));
}

int MenuOpen(const Args& a) {
    const HWND hwnd = Window(a[0]);
    if (!hwnd) return 1;
    Print(OpenPopupMenuOf(hwnd) ? L"1" : L"0");
    return 0;
}

// Alt+F opens the "&File" popup; the character chooses its item.
int MenuFile(const Args& a) {
    const HWND hwnd = Window(a[0]);
    if (!hwnd) return 1;
    if (a[1].size() != 1) throw UsageError{L"one character expected: " + a[1]};
    if (!::PostMessageW(hwnd, WM_SYSCOMMAND, SC_KEYMENU, L'f')) return Fail(L"cannot post SC_KEYMENU");
    return TypeIntoMenu(hwnd, a[1][0], MillisArg(a, 2, kDefaultWaitMs));
}

int MenuFileExit(const Args& a) {
    const HWND hwnd = Window(a[0]);
    if (!hwnd) return 1;
    // Alt+F: the menu bar opens its "&File" popup, then 'e' chooses "&Exit".
    if (!::PostMessageW(hwnd, WM_SYSCOMMAND, SC_KEYMENU, L'f')) {
        return Fail(L"cannot post SC_KEYMENU");
    }
    return TypeIntoMenu(hwnd, L'e', MillisArg(a, 1, kDefaultWaitMs));
}

// The visible start-up prompt ("#32770" captioned "Kestrin") that asks `prompt`.
HWND FindPrompt(const std::wstring& prompt) {
    for (HWND dialog : FindTopLevel(WindowName{L"#32770", L"Kestrin"})) {
        if (!::IsWindowVisible(dialog)) continue;
        const auto text = ControlText(::GetDlgItem(dialog, kPromptTextId));
        if (text && *text == prompt) return dialog;
    }
    return nullptr;
}

int Prompt(const std::wstring& prompt, const std::optional<std::wstring>& answer,
           DWORD timeoutMs) {
    HWND dialog = nullptr;
    if (!PollUntil(timeoutMs, [&] { return (dialog = FindPrompt(prompt)) != nullptr; })) {
        return Fail(L"no prompt " + Quoted(prompt));
    }
    int button = IDCANCEL;
    if (answer) {
        const HWND edit = ::GetDlgItem(dialog, kPromptEditId);
        if (!SetControlText(edit, *answer) || ControlText(edit) != *answer) {
            return Fail(L"cannot type the answer into the prompt");
        }
        button = IDOK;
    }
    if (!::PostMessageW(::GetDlgItem(dialog, button), BM_CLICK, 0, 0)) {
        return Fail(L"cannot press the prompt's button");
    }
    if (!PollUntil(timeoutMs, [&] { return !::IsWindow(dialog) || !::IsWindowVisible(dialog); })) {
        return Fail(L"the prompt stayed open");
    }
    return 0;
}

int AnswerPrompt(const Args& a) { return Prompt(a[0], a[1], MillisArg(a, 2, 10000)); }
int CancelPrompt(const Args& a) { return Prompt(a[0], std::nullopt, MillisArg(a, 1, 10000)); }

int Ping(const Args& a) {
    const HWND hwnd = Window(a[0]);
    if (!hwnd) return 1;
    const auto timeoutMs = static_cast<UINT>(NumberArg(a[1]));
    const ULONGLONG start = ::GetTickCount64();
    DWORD_PTR result = 0;
    const LRESULT answered =
        ::SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result);
    const ULONGLONG elapsed = ::GetTickCount64() - start;
    if (!answered) return Fail(L"no answer within " + a[1] + L" ms");
    Print(std::to_wstring(elapsed));
    return 0;
}

// Sends a message and prints the window's answer, as the system does when it asks about log-off.
int Send(const Args& a) {
    const HWND hwnd = Window(a[0]);
    if (!hwnd) return 1;
    const auto message = static_cast<UINT>(NumberArg(a[1]));
    const auto wp = static_cast<WPARAM>(NumberArg(a[2]));
    const auto lp = static_cast<LPARAM>(NumberArg(a[3]));
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(hwnd, message, wp, lp, SMTO_NORMAL, kDefaultWaitMs, &result)) {
        return Fail(L"no answer within " + std::to_wstring(kDefaultWaitMs) + L" ms");
    }
    Print(std::to_wstring(result));
    return 0;
}

// Removes the notification icon that `owner` added with `id`, as a restarting shell loses them all.
int TrayDelete(const Args& a) {
    const HWND owner = Window(a[0]);
    if (!owner) return 1;
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof(icon);
    icon.hWnd = owner;
    icon.uID = static_cast<UINT>(NumberArg(a[1]));
    return ::Shell_NotifyIconW(NIM_DELETE, &icon) ? 0 : Fail(L"no such icon");
}

// Posts the message registered under `name`, such as the shell's "TaskbarCreated".
int PostRegistered(const Args& a) {
    const HWND hwnd = Window(a[0]);
    if (!hwnd) return 1;
    const UINT message = ::RegisterWindowMessageW(a[1].c_str());
    return message && ::PostMessageW(hwnd, message, 0, 0) ? 0 : Fail(L"cannot post " + a[1]);
}

int Pid(const Args& a) {
    const HWND hwnd = Window(a[0]);
    if (!hwnd) return 1;
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    Print(std::to_wstring(pid));
    return 0;
}

int Rect(const Args& a) {
    const HWND hwnd = Window(a[0]);
    if (!hwnd) return 1;
    RECT r{};
    if (!::GetWindowRect(hwnd, &r)) return Fail(L"no rectangle");
    Print(std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " +
          std::to_wstring(r.right) + L" " + std::to_wstring(r.bottom));
    return 0;
}

// Every child of the target: "<id> <left> <top> <width> <height> <screen left> <screen top>" in
// client pixels, then "client <width> <height>".
int Controls(const Args& a) {
    const HWND hwnd = Window(a[0]);
    if (!hwnd) return 1;
    for (HWND child = ::GetWindow(hwnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        RECT r{};
        ::GetWindowRect(child, &r);
        const POINT screen{r.left, r.top};
        ::MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
        Print(std::to_wstring(::GetDlgCtrlID(child)) + L" " + std::to_wstring(r.left) + L" " + std::to_wstring(r.top) +
              L" " + std::to_wstring(r.right - r.left) + L" " + std::to_wstring(r.bottom - r.top) + L" " +
              std::to_wstring(screen.x) + L" " + std::to_wstring(screen.y));
    }
    RECT client{};
    ::GetClientRect(hwnd, &client);
    Print(L"client " + std::to_wstring(client.right) + L" " + std::to_wstring(client.bottom));
    return 0;
}

// Sends WM_DPICHANGED as Windows does when the window moves to a monitor of `dpi`, with the suggested
// rectangle placed in the target's own memory: Wine does not carry the RECT across processes.
int SendDpiChanged(const Args& a) {
    const HWND hwnd = Window(a[0]);
    if (!hwnd) return 1;
    const auto dpi = static_cast<WORD>(NumberArg(a[1]));
    const RECT suggested{static_cast<LONG>(NumberArg(a[2])), static_cast<LONG>(NumberArg(a[3])),
                         static_cast<LONG>(NumberArg(a[4])), static_cast<LONG>(NumberArg(a[5]))};
    RemoteMemory remote(hwnd, sizeof(suggested));
    if (!remote.Write(&suggested, sizeof(suggested))) {
        return Fail(L"cannot place the rectangle in the window's process");
    }
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(hwnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), remote.At(), SMTO_NORMAL, kDefaultWaitMs,
                               &result)) {
        return Fail(L"no answer to WM_DPICHANGED");
    }
    return 0;
}

int Enabled(const Args& a) {
    const HWND hwnd = Window(a[0]);
    if (!hwnd) return 1;
    const HWND control = Control(hwnd, a[1]);
    if (!control) return 1;
    Print(::IsWindowEnabled(control) ? L"1" : L"0");
    return 0;
}

// The list view `a[1]` of the window `a[0]`, or nullptr after printing why not.
HWND List(const Args& a) {
    const HWND hwnd = Window(a[0]);
    return hwnd ? Control(hwnd, a[1]) : nullptr;
}

// One line per row: 1 or 0 for selected, then its cells, all separated by tabs.
int Rows(const Args& a) {
    const HWND list = List(a);
    if (!list) return 1;
    const auto rows = ReadListRows(list);
    if (!rows) return Fail(L"the list does not answer");
    for (const ListRow& row : *rows) {
        std::wstring line = row.selected ? L"1" : L"0";
        for (const std::wstring& cell : row.cells) line += L"\t" + cell;
        Print(line);
    }
    return 0;
}

int WaitCell(const Args& a) {
    const Target target = TargetArg(a[0]);
    const int id = static_cast<int>(NumberArg(a[1]));
    const auto row = static_cast<std::size_t>(NumberArg(a[2]));
    const auto column = static_cast<std::size_t>(NumberArg(a[3]));
    std::optional<std::wstring> last;
    const bool ok = PollUntil(MillisArg(a, 5, kDefaultWaitMs), [&] {
        const HWND hwnd = Resolve(target);
        const auto rows = hwnd ? ReadListRows(::GetDlgItem(hwnd, id)) : std::nullopt;
        last = rows && row < rows->size() && column < (*rows)[row].cells.size()
                   ? std::optional<std::wstring>((*rows)[row].cells[column])
                   : std::nullopt;
        return last && *last == a[4];
    });
    if (ok) return 0;
    return Fail(L"row " + a[2] + L" column " + a[3] + L" of " + a[0] + L" reads " +
                (last ? Quoted(*last) : std::wstring(L"nothing (no window, list or row)")) + L", not " + Quoted(a[4]));
}

int SelectRows(const Args& a) {
    const HWND list = List(a);
    if (!list) return 1;
    std::vector<int> rows;
    for (std::size_t i = 2; i < a.size(); ++i) rows.push_back(static_cast<int>(NumberArg(a[i])));
    return SelectListRows(list, rows) ? 0 : Fail(L"cannot select the rows");
}

int RowPoint(const Args& a) {
    const HWND list = List(a);
    if (!list) return 1;
    const auto centre = ListRowCentre(list, static_cast<int>(NumberArg(a[2])));
    if (!centre) return Fail(L"no row " + a[2]);
    Print(std::to_wstring(centre->x) + L" " + std::to_wstring(centre->y));
    return 0;
}

int Columns(const Args& a) {
    const HWND list = List(a);
    if (!list) return 1;
    std::wstring line;
    for (const int width : ListColumnWidths(list)) line += (line.empty() ? L"" : L" ") + std::to_wstring(width);
    if (line.empty()) return Fail(L"the list has no columns");
    Print(line);
    return 0;
}

// Waits for a notification balloon whose text contains `part` and prints its text. Wine's explorer
// shows balloons as tooltip windows, whose text another process can read (not their title).
int WaitBalloon(const Args& a) {
    std::wstring found;
    const bool ok = PollUntil(MillisArg(a, 1, kDefaultWaitMs), [&] {
        for (HWND tip : FindTopLevel(WindowName{L"tooltips_class32", L"*"})) {
            if (!::IsWindowVisible(tip)) continue;
            const auto text = ControlText(tip);
            if (text && text->find(a[0]) != std::wstring::npos) {
                found = *text;
                return true;
            }
        }
        return false;
    });
    if (!ok) return Fail(L"no notification saying " + Quoted(a[0]));
    Print(found);
    return 0;
}

// The system's text for an error code, as the program words its notifications.
int SystemMessage(const Args& a) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr,
        static_cast<DWORD>(NumberArg(a[0])), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length ? std::wstring(text, length) : std::wstring();
    if (text) ::LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' ')) {
        message.pop_back();
    }
    if (message.empty()) return Fail(L"no text for " + a[0]);
    Print(message);
    return 0;
}

struct Command {
    const wchar_t* name;
    std::size_t minArgs;
    std::size_t maxArgs;
    const wchar_t* usage;
    int (*run)(const Args&);
};

constexpr Command kCommands[] = {
    {L"find", 2, 3, L"<class> <caption> [timeout_ms]", Find},
    {L"find-by-text", 4, 5, L"<class> <caption> <control_id> <text> [timeout_ms]", FindByText},
    {L"menu-file", 2, 3, L"<target> <char> [timeout_ms]", MenuFile},
    {L"count", 2, 2, L"<class> <caption>", Count},
    {L"child", 2, 2, L"<target> <ctrl_id>", Child},
    {L"text", 2, 2, L"<target> <ctrl_id>", Text},
    {L"wait-text", 3, 4, L"<target> <ctrl_id> <expected> [timeout_ms]", WaitText},
    {L"caption", 1, 1, L"<target>", Caption},
    {L"visible", 1, 1, L"<target>", Visible},
    {L"wait-visible", 2, 3, L"<target> <1|0> [timeout_ms]", WaitVisible},
    {L"wait-gone", 1, 2, L"<target> [timeout_ms]", WaitGone},
    {L"click", 2, 2, L"<target> <ctrl_id>", Click},
    {L"post", 4, 5, L"<target> <msg> <wparam> <lparam> [count]", Post},
    {L"close", 1, 1, L"<target>", Close},
    {L"menu-key", 2, 3, L"<target> <char> [timeout_ms]", MenuKey},
    {L"menu-file-exit", 1, 2, L"<target> [timeout_ms]", MenuFileExit},
    {L"menu-open", 1, 1, L"<target>", MenuOpen},
    {L"answer-prompt", 2, 3, L"<prompt_text> <answer> [timeout_ms]", AnswerPrompt},
    {L"cancel-prompt", 1, 2, L"<prompt_text> [timeout_ms]", CancelPrompt},
    {L"ping", 2, 2, L"<target> <timeout_ms>", Ping},
    {L"send", 4, 4, L"<target> <msg> <wparam> <lparam>", Send},
    {L"tray-delete", 2, 2, L"<icon_owner> <icon_id>", TrayDelete},
    {L"post-registered", 2, 2, L"<target> <message_name>", PostRegistered},
    {L"pid", 1, 1, L"<target>", Pid},
    {L"rect", 1, 1, L"<target>", Rect},
    {L"controls", 1, 1, L"<target>", Controls},
    {L"wait-balloon", 1, 2, L"<text_part> [timeout_ms]", WaitBalloon},
    {L"system-message", 1, 1, L"<error_code>", SystemMessage},
    {L"send-dpichanged", 6, 6, L"<target> <dpi> <left> <top> <right> <bottom>", SendDpiChanged},
    {L"enabled", 2, 2, L"<target> <ctrl_id>", Enabled},
    {L"rows", 2, 2, L"<target> <list_id>", Rows},
    {L"wait-cell", 5, 6, L"<target> <list_id> <row> <column> <expected> [timeout_ms]", WaitCell},
    {L"select-rows", 2, 18, L"<target> <list_id> [row...]", SelectRows},
    {L"row-point", 3, 3, L"<target> <list_id> <row>", RowPoint},
    {L"columns", 2, 2, L"<target> <list_id>", Columns},
};

int Usage() {
    std::fputs("usage: kestrin_driver [--desktop NAME] <command> <arguments>\n", stderr);
    for (const Command& c : kCommands) {
        const std::string line = "  " + Narrow(c.name) + " " + Narrow(c.usage) + "\n";
        std::fputs(line.c_str(), stderr);
    }
    return 2;
}

}  // namespace
}  // namespace kestrin::driver

int wmain(int argc, wchar_t** argv) {
    using namespace kestrin::driver;
    // Real pixels, not coordinates scaled for a program that knows nothing of DPI.
    ::SetProcessDPIAware();
    // --desktop NAME: work on another desktop of the window station, such as one without a taskbar.
    if (argc > 2 && std::wstring(argv[1]) == L"--desktop") {
        HDESK desktop = nullptr;  // a desktop that is just being made may take a moment to appear
        PollUntil(10000, [&] { return (desktop = ::OpenDesktopW(argv[2], 0, FALSE, GENERIC_ALL)) != nullptr; });
        if (!desktop || !::SetThreadDesktop(desktop)) return Fail(L"cannot open desktop " + std::wstring(argv[2]));
        argc -= 2;
        argv += 2;
    }
    if (argc < 2) return Usage();
    const std::wstring name = argv[1];
    const Args args(argv + 2, argv + argc);
    for (const Command& c : kCommands) {
        if (name != c.name) continue;
        if (args.size() < c.minArgs || args.size() > c.maxArgs) return Usage();
        try {
            return c.run(args);
        } catch (const UsageError& e) {
            Fail(e.message);
            return 2;
        }
    }
    return Usage();
}
