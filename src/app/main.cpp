// Kestrin's entry: reads the command line, builds the windows, runs the message loop, ends when the
// last window has closed.
#include <windows.h>
#include <commctrl.h>

#include <optional>

#include "about/win32/about_window.h"
#include "app/scm_port_factory.h"
#include "monitor/command_line.h"
#include "monitor/frm_srv_man.h"
#include "monitor/win32/copy_handover.h"
#include "monitor/win32/event_log_record.h"
#include "monitor/win32/monitor_window.h"
#include "settings/win32/registry_settings_store.h"
#include "settings/win32/registry_startup.h"
#include "win32/app_lifetime.h"
#include "win32/system_function.h"
#include "win32/text.h"

namespace {

constexpr DWORD kHandOverWaitMs = 10000;  // the running copy may itself be starting (both at logon)

// DLLs loaded from here on come from System32 only, never from the exe's folder (say Downloads).
// The function is Windows 8's, and Windows 7's with KB2533623: looked up, not imported.
void SearchSystemFolderOnly() {
    const auto set = kestrin::FindSystemFunction<BOOL(WINAPI*)(DWORD)>(L"kernel32.dll", "SetDefaultDllDirectories");
    if (set) set(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

void ShowMessage(const std::string& text, UINT icon) {
    ::MessageBoxW(nullptr, kestrin::Widen(text).c_str(), kestrin::Widen(kestrin::kApplicationTitle).c_str(),
                  MB_OK | icon);
}

// The administrator's one-off steps: the event source's registration, and its removal.
int ChangeEventSource(kestrin::ProgramAction action) {
    using namespace kestrin;
    const std::uint32_t error = action == ProgramAction::RegisterEventSource
                                    ? WriteEventSourceKey(Widen(ProgramPath()))
                                    : DeleteEventSourceKey();
    if (error == 0) return 0;
    std::string reason = SystemMessageText(error);
    if (reason.empty()) reason = "Error " + std::to_string(error) + ".";
    ShowMessage("The event source could not be changed: " + reason, MB_ICONERROR);
    return static_cast<int>(error);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    using namespace kestrin;
    SearchSystemFolderOnly();
    const CommandLine commandLine = ParseCommandLine(CommandLineArguments(Narrow(::GetCommandLineW())));
    if (!commandLine.error.empty()) {
        ShowMessage(commandLine.error + "\n\nUsage:\n" + kUsage, MB_ICONERROR);
        return kBadCommandLineExitCode;  // before anything is read or stored
    }
    switch (commandLine.action) {
    case ProgramAction::ShowHelp: ShowMessage(std::string("Usage:\n") + kUsage, MB_ICONINFORMATION); return 0;
    case ProgramAction::RegisterEventSource:
    case ProgramAction::UnregisterEventSource: return ChangeEventSource(commandLine.action);
    case ProgramAction::Watch: break;
    }

    // One copy per set of several services in a session: a second one hands over and ends, storing nothing.
    const bool several = !commandLine.services.empty();
    std::optional<CopyClaim> claim;
    if (several) {
        const std::uint64_t setHash = NameHash(WatcherSetName(commandLine.services));
        claim.emplace(setHash);
        if (!claim->Held()) {
            BringRunningCopyForward(setHash, kHandOverWaitMs);
            return 0;
        }
    }

    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);

    const std::string computer = commandLine.computer.value_or("");
    AppLifetime lifetime;
    AboutWindow about(instance, lifetime);
    RegistrySettingsStore store(several ? WatcherSetKeyPath(commandLine.services)
                                        : SettingsKeyPath(commandLine.service, computer));
    RegistrySettingsStore machineDefaults(kMachineDefaultsKeyPath, true);
    EventLogRecord record;
    RegistryStartup startupKeys;
    StartWithWindows startWithWindows(startupKeys,
                                      several ? RunValueName(commandLine.services)
                                              : RunValueName(commandLine.service, computer),
                                      RunCommand(ProgramPath(), commandLine.Options()));
    startWithWindows.RepairMovedProgram();
    MonitorWindow monitor(instance, lifetime, store, machineDefaults, &MakeScmPort, record, startWithWindows,
                          [&about] { about.Show(); }, [&about] { about.Close(); });
    if (!monitor.Create(commandLine)) return 1;

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
