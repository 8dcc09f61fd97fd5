// Kestrin's entry: builds the windows, runs the message loop, ends when the last window has closed.
#include <windows.h>
#include <commctrl.h>

#include "about/win32/about_window.h"
#include "app/scm_port_factory.h"
#include "monitor/command_line.h"
#include "monitor/win32/monitor_window.h"
#include "settings/win32/registry_settings_store.h"
#include "win32/app_lifetime.h"
#include "win32/text.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    using namespace kestrin;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);

    AppLifetime lifetime;
    AboutWindow about(instance, lifetime);
    RegistrySettingsStore store;
    MonitorWindow monitor(instance, lifetime, store, MakeScmPort(), [&about](HICON icon) { about.Show(icon); });
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
