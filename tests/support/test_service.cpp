// A service for tests whose behaviour is chosen per start: normal, slow to stop, failing to start, crashing.
//
// The mode comes from the start parameters, else from the value "Mode" under the service's
// Parameters key: "normal", "stop-pending=<ms>", "fail-start" or "crash=<ms>". Every start and stop
// appends a line to the file named by the Parameters value "LogFile" (default C:\kestrin-test-service.log).
#include <windows.h>

#include <cwchar>
#include <string>

namespace {

const wchar_t kDefaultLog[] = L"C:\\kestrin-test-service.log";

struct Service {
    std::wstring name;
    std::wstring logFile;
    std::wstring mode = L"normal";
    SERVICE_STATUS_HANDLE statusHandle = nullptr;
    HANDLE stopRequested = nullptr;
    DWORD checkPoint = 0;
};

Service g_service;  // one service per process, reached from the control handler

std::wstring ReadParameter(const std::wstring& service, const wchar_t* name) {
    const std::wstring path = L"SYSTEM\\CurrentControlSet\\Services\\" + service + L"\\Parameters";
    wchar_t buffer[1024] = {};
    DWORD bytes = sizeof(buffer) - sizeof(wchar_t);
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, path.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &bytes) !=
        ERROR_SUCCESS) {
        return {};
    }
    return buffer;
}

void Log(const std::wstring& line) {
    const HANDLE file = ::CreateFileW(g_service.logFile.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const std::wstring text = line + L"\n";
    char utf8[2048];
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8,
                                           sizeof(utf8), nullptr, nullptr);
    DWORD written = 0;
    if (size > 0) ::WriteFile(file, utf8, static_cast<DWORD>(size), &written, nullptr);
    ::CloseHandle(file);
}

void Report(DWORD state, DWORD exitCode = NO_ERROR, DWORD waitHint = 0) {
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    status.dwWin32ExitCode = exitCode;
    if (exitCode != NO_ERROR) {
        status.dwWin32ExitCode = ERROR_SERVICE_SPECIFIC_ERROR;
        status.dwServiceSpecificExitCode = exitCode;
    }
    const bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
    status.dwCheckPoint = pending ? ++g_service.checkPoint : 0;
    status.dwWaitHint = waitHint;
    ::SetServiceStatus(g_service.statusHandle, &status);
}

// The number after "word=" when `mode` starts with it, else -1.
long long Milliseconds(const std::wstring& mode, const std::wstring& word) {
    if (mode.compare(0, word.size(), word) != 0) return -1;
    return std::wcstoll(mode.c_str() + word.size(), nullptr, 10);
}

DWORD WINAPI Control(DWORD control, DWORD, void*, void*) {
    switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
        ::SetEvent(g_service.stopRequested);
        return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
        return NO_ERROR;
    default:
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI ServiceMain(DWORD argc, wchar_t** argv) {
    g_service.name = argc > 0 ? argv[0] : L"";
    g_service.statusHandle = ::RegisterServiceCtrlHandlerExW(g_service.name.c_str(), Control, nullptr);
    if (!g_service.statusHandle) return;

    g_service.logFile = ReadParameter(g_service.name, L"LogFile");
    if (g_service.logFile.empty()) g_service.logFile = kDefaultLog;
    std::wstring mode = argc > 1 ? argv[1] : ReadParameter(g_service.name, L"Mode");
    for (DWORD i = 2; i < argc; ++i) mode += L" " + std::wstring(argv[i]);
    if (!mode.empty()) g_service.mode = mode;
    Log(L"start " + g_service.mode);

    if (g_service.mode == L"fail-start") {
        Log(L"fail-start: exiting without running");
        Report(SERVICE_STOPPED, 1);
        return;
    }

    g_service.stopRequested = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    Report(SERVICE_RUNNING);

    const long long crashAfter = Milliseconds(g_service.mode, L"crash=");
    const DWORD wait = crashAfter >= 0 ? static_cast<DWORD>(crashAfter) : INFINITE;
    if (::WaitForSingleObject(g_service.stopRequested, wait) == WAIT_TIMEOUT) {
        Log(L"crash");
        // Wine's manager never notices a service process that dies, so record what the Windows
        // manager records for one (stopped, ERROR_PROCESS_ABORTED), then die without cleaning up.
        Report(SERVICE_STOPPED, ERROR_PROCESS_ABORTED);
        ::TerminateProcess(::GetCurrentProcess(), 3);
    }

    const long long stopDelay = Milliseconds(g_service.mode, L"stop-pending=");
    if (stopDelay > 0) {
        Report(SERVICE_STOP_PENDING, NO_ERROR, static_cast<DWORD>(stopDelay) + 1000);
        ::Sleep(static_cast<DWORD>(stopDelay));
    }
    Log(L"stop");
    ::CloseHandle(g_service.stopRequested);
    Report(SERVICE_STOPPED);
}

}  // namespace

int wmain() {
    wchar_t anyName[] = L"";  // an own-process service runs under whatever name it was registered with
    const SERVICE_TABLE_ENTRYW table[] = {{anyName, ServiceMain}, {nullptr, nullptr}};
    return ::StartServiceCtrlDispatcherW(table) ? 0 : static_cast<int>(::GetLastError());
}
