// Kestrin's entry: builds the windows, runs the message loop, ends when the last window has closed.
#include <windows.h>
#include <commctrl.h>

#include "about/win32/about_window.h"
#include "app/scm_port_factory.h"
#include "monitor/command_line.h"
#include "monitor/win32/monitor_window.h"
#include "settings/win32/registry_settings_store.h"
#include "win32/app_lifetime.h"
#include "win32/system_function.h"
#include "win32/text.h"

namespace {

// DLLs loaded from here on come from System32 only, never from the exe's folder (say Downloads).
// The function is Windows 8's, and Windows 7's with KB2533623: looked up, not imported.
void SearchSystemFolderOnly() {
    const auto set = kestrin::FindSystemFunction<BOOL(WINAPI*)(DWORD)>(L"kernel32.dll", "SetDefaultDllDirectories");
    if (set) set(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    using namespace kestrin;
    SearchSystemFolderOnly();
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);

    AppLifetime lifetime;
    AboutWindow about(instance, lifetime);
    RegistrySettingsStore store;
    MonitorWindow monitor(instance, lifetime, store, MakeScmPort(), [&about] { about.Show(); },
                          [&about] { about.Close(); });
    if (!monitor.Create(CommandLineArguments(Narrow(::GetCommandLineW())))) return 1;

    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (about.PreTranslate(msg)) continue;
        // Tab between the buttons and their Alt mnemonics, as in a dialog.
        if (monitor.Handle() && ::IsDialogMessageW(monitor.Handle(), &msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
