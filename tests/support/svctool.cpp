// A command-line tool for tests: manages services and registry values inside the Wine prefix.
//
//   create <name> <exe_path> [display]   delete <name>        start <name> [args...]   stop <name>
//   state <name>  (0 and why when it cannot be queried)   wait <name> <state> <timeout_ms>   reset <name>
//   set-mode <name> <mode>                set-param <name> <value_name> <text>
//   reg-get <key> <name>                  reg-set <key> <name> <value> [REG_SZ|REG_SZ_ODD|REG_EXPAND_SZ|REG_DWORD]
//   reg-delete-key <key>                  idle          (reg-get prints binary data as hex bytes)
//   numbered <count> <command> <stem> [args...]   the command for <stem>01 to <stem><count> in turn
// Keys start with HKCU\ or HKLM\ (or the long root names). Output is UTF-8; exit code 0 on success, and
// every failure prints a line saying why: winenv.py takes a silent failure for Wine's, not the tool's.
#include <windows.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

const wchar_t* const kStateNames[] = {L"",       L"Stopped",          L"Start Pending", L"Stop Pending",
                                      L"Running", L"Continue Pending", L"Pause Pending", L"Paused"};

class Sc {
public:
    explicit Sc(SC_HANDLE h = nullptr) : h_(h) {}
    Sc(const Sc&) = delete;
    Sc& operator=(const Sc&) = delete;
    ~Sc() {
        if (h_) ::CloseServiceHandle(h_);
    }
    SC_HANDLE get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }

private:
    SC_HANDLE h_;
};

void Print(const std::wstring& text) {
    const std::wstring line = text + L"\n";
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), utf8.data(), size, nullptr,
                          nullptr);
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

int Fail(const std::wstring& what, DWORD error = ::GetLastError()) {
    Print(L"error " + std::to_wstring(error) + L": " + what);
    return 1;
}

std::wstring ParametersKey(const std::wstring& service) {
    return L"SYSTEM\\CurrentControlSet\\Services\\" + service + L"\\Parameters";
}

bool SplitKey(const std::wstring& full, HKEY& root, std::wstring& path) {
    const size_t slash = full.find(L'\\');
    const std::wstring head = full.substr(0, slash);
    path = slash == std::wstring::npos ? L"" : full.substr(slash + 1);
    if (head == L"HKCU" || head == L"HKEY_CURRENT_USER") root = HKEY_CURRENT_USER;
    else if (head == L"HKLM" || head == L"HKEY_LOCAL_MACHINE") root = HKEY_LOCAL_MACHINE;
    else return false;
    return true;
}

int SetValue(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& value,
             const std::wstring& type) {
    HKEY key = nullptr;
    LSTATUS status =
        ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return Fail(L"cannot create key " + path, static_cast<DWORD>(status));
    if (type == L"REG_DWORD") {
        const DWORD number = static_cast<DWORD>(std::wcstoul(value.c_str(), nullptr, 0));
        status = ::RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                  sizeof(number));
    } else if (type == L"REG_SZ" || type == L"REG_EXPAND_SZ" || type == L"REG_SZ_ODD") {
        // REG_SZ_ODD: wcslen * 2 + 1 bytes, the size mistake some tools make.
        const DWORD bytes = static_cast<DWORD>(type == L"REG_SZ_ODD" ? value.size() * sizeof(wchar_t) + 1
                                                                     : (value.size() + 1) * sizeof(wchar_t));
        status = ::RegSetValueExW(key, name.c_str(), 0, type == L"REG_EXPAND_SZ" ? REG_EXPAND_SZ : REG_SZ,
                                  reinterpret_cast<const BYTE*>(value.c_str()), bytes);
    } else {
        ::RegCloseKey(key);
        return Fail(L"unknown type " + type, ERROR_INVALID_PARAMETER);
    }
    ::RegCloseKey(key);
    return status == ERROR_SUCCESS ? 0 : Fail(L"cannot set " + name, static_cast<DWORD>(status));
}

int GetValue(HKEY root, const std::wstring& path, const std::wstring& name) {
    DWORD type = 0;
    DWORD bytes = 0;
    LSTATUS status = ::RegGetValueW(root, path.c_str(), name.c_str(), RRF_RT_ANY, &type, nullptr, &bytes);
    if (status != ERROR_SUCCESS) return Fail(L"no value " + name, static_cast<DWORD>(status));
    std::vector<BYTE> data(bytes + sizeof(wchar_t));
    status = ::RegGetValueW(root, path.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type, data.data(), &bytes);
    if (status != ERROR_SUCCESS) return Fail(L"cannot read " + name, static_cast<DWORD>(status));
    if (type == REG_DWORD) {
        DWORD number = 0;
        std::memcpy(&number, data.data(), sizeof(number));
        Print(std::to_wstring(number));
    } else if (type == REG_SZ || type == REG_EXPAND_SZ) {
        Print(reinterpret_cast<const wchar_t*>(data.data()));
    } else if (type == REG_BINARY) {
        std::wstring hex;
        for (DWORD i = 0; i < bytes; ++i) hex += (i ? L" " : L"") + std::wstring{L"0123456789abcdef"[data[i] >> 4], L"0123456789abcdef"[data[i] & 15]};
        Print(hex);
    } else {
        return Fail(L"unsupported value type " + std::to_wstring(type), ERROR_UNSUPPORTED_TYPE);
    }
    return 0;
}

SC_HANDLE OpenManager(DWORD access) { return ::OpenSCManagerW(nullptr, nullptr, access); }

// The service's state, or 0 with `error` set to why it could not be queried.
DWORD QueryState(const std::wstring& name, DWORD& error) {
    const Sc manager(OpenManager(SC_MANAGER_CONNECT));
    const Sc service(manager ? ::OpenServiceW(manager.get(), name.c_str(), SERVICE_QUERY_STATUS) : nullptr);
    SERVICE_STATUS status{};
    if (!service || !::QueryServiceStatus(service.get(), &status)) {
        error = ::GetLastError();  // before the handles close
        return 0;
    }
    return status.dwCurrentState;
}

DWORD QueryState(const std::wstring& name) {
    DWORD error = 0;
    return QueryState(name, error);
}

bool WaitFor(const std::wstring& name, DWORD state, DWORD timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (QueryState(name) == state) return true;
        if (::GetTickCount64() >= deadline) return false;
        ::Sleep(50);
    }
}

int Create(const std::wstring& name, const std::wstring& exe, const std::wstring& display) {
    const Sc manager(OpenManager(SC_MANAGER_CREATE_SERVICE | SC_MANAGER_CONNECT));
    if (!manager) return Fail(L"cannot open the service manager");
    const std::wstring command = L"\"" + exe + L"\"";
    Sc service(::CreateServiceW(manager.get(), name.c_str(), display.c_str(), SERVICE_ALL_ACCESS,
                                SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                command.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    if (service) return 0;
    if (::GetLastError() != ERROR_SERVICE_EXISTS) return Fail(L"cannot create " + name);
    // Already there (a reused prefix): point it at this exe.
    const Sc existing(::OpenServiceW(manager.get(), name.c_str(), SERVICE_CHANGE_CONFIG));
    if (!existing || !::ChangeServiceConfigW(existing.get(), SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                             SERVICE_ERROR_NORMAL, command.c_str(), nullptr, nullptr, nullptr,
                                             nullptr, nullptr, display.c_str())) {
        return Fail(L"cannot update " + name);
    }
    return 0;
}

int Delete(const std::wstring& name) {
    const Sc manager(OpenManager(SC_MANAGER_CONNECT));
    if (!manager) return Fail(L"cannot open the service manager");
    const Sc service(::OpenServiceW(manager.get(), name.c_str(), DELETE));
    if (!service) return Fail(L"cannot open " + name);
    return ::DeleteService(service.get()) ? 0 : Fail(L"cannot delete " + name);
}

int Start(const std::wstring& name, std::vector<const wchar_t*> args) {
    const Sc manager(OpenManager(SC_MANAGER_CONNECT));
    if (!manager) return Fail(L"cannot open the service manager");
    const Sc service(::OpenServiceW(manager.get(), name.c_str(), SERVICE_START));
    if (!service) return Fail(L"cannot open " + name);
    if (!::StartServiceW(service.get(), static_cast<DWORD>(args.size()), args.empty() ? nullptr : args.data())) {
        return Fail(L"cannot start " + name);
    }
    return 0;
}

int Stop(const std::wstring& name) {
    const Sc manager(OpenManager(SC_MANAGER_CONNECT));
    if (!manager) return Fail(L"cannot open the service manager");
    const Sc service(::OpenServiceW(manager.get(), name.c_str(), SERVICE_STOP));
    if (!service) return Fail(L"cannot open " + name);
    SERVICE_STATUS status{};
    return ::ControlService(service.get(), SERVICE_CONTROL_STOP, &status) ? 0 : Fail(L"cannot stop " + name);
}

int State(const std::wstring& name) {
    DWORD error = 0;
    const DWORD state = QueryState(name, error);
    if (state == 0) {
        Print(L"0 error " + std::to_wstring(error) + L": cannot query " + name);
        return 1;
    }
    Print(std::to_wstring(state) + (state < 8 ? L" " + std::wstring(kStateNames[state]) : L""));
    return 0;
}

// Stops the service whatever it is doing and leaves it in normal mode. A start may still be pending,
// and a service whose process died without reporting (crash mode) still reads Running under Wine and
// refuses the stop control: starting it again gives it a live process that can be stopped.
int Reset(const std::wstring& name) {
    if (const int rc = SetValue(HKEY_LOCAL_MACHINE, ParametersKey(name), L"Mode", L"normal", L"REG_SZ")) return rc;
    const ULONGLONG deadline = ::GetTickCount64() + 30000;
    for (;;) {
        DWORD error = 0;
        const DWORD state = QueryState(name, error);
        if (state == 0) return Fail(L"cannot query " + name, error);
        if (state == SERVICE_STOPPED) return 0;
        if (state != SERVICE_STOP_PENDING) {
            const Sc manager(OpenManager(SC_MANAGER_CONNECT));
            const Sc service(manager ? ::OpenServiceW(manager.get(), name.c_str(), SERVICE_STOP | SERVICE_START)
                                     : nullptr);
            SERVICE_STATUS status{};
            if (service && !::ControlService(service.get(), SERVICE_CONTROL_STOP, &status) &&
                ::GetLastError() == ERROR_SERVICE_CANNOT_ACCEPT_CTRL && state == SERVICE_RUNNING) {
                ::StartServiceW(service.get(), 0, nullptr);  // fails harmlessly when the process is alive
            }
        }
        if (::GetTickCount64() >= deadline) return Fail(L"still not stopped: " + name, ERROR_TIMEOUT);
        ::Sleep(100);
    }
}

int Usage() {
    Print(L"usage: kestrin_svctool create|delete|start|stop|state|wait|reset|set-mode|set-param|"
          L"reg-get|reg-set|reg-delete-key|numbered|idle ...");
    return 2;
}

int Run(const std::wstring& command, const std::vector<std::wstring>& args) {
    const auto has = [&](size_t count) { return args.size() >= count; };
    if (command == L"create" && has(2)) return Create(args[0], args[1], has(3) ? args[2] : args[0]);
    if (command == L"delete" && has(1)) return Delete(args[0]);
    if (command == L"start" && has(1)) {
        std::vector<const wchar_t*> startArgs;
        for (size_t i = 1; i < args.size(); ++i) startArgs.push_back(args[i].c_str());
        return Start(args[0], startArgs);
    }
    if (command == L"stop" && has(1)) return Stop(args[0]);
    if (command == L"state" && has(1)) return State(args[0]);
    if (command == L"wait" && has(3)) {
        const DWORD state = static_cast<DWORD>(std::wcstoul(args[1].c_str(), nullptr, 10));
        const DWORD timeout = static_cast<DWORD>(std::wcstoul(args[2].c_str(), nullptr, 10));
        if (WaitFor(args[0], state, timeout)) return 0;
        Print(L"timeout; state " + std::to_wstring(QueryState(args[0])));
        return 1;
    }
    if (command == L"reset" && has(1)) return Reset(args[0]);
    if (command == L"set-mode" && has(2)) return SetValue(HKEY_LOCAL_MACHINE, ParametersKey(args[0]), L"Mode", args[1], L"REG_SZ");
    if (command == L"set-param" && has(3)) return SetValue(HKEY_LOCAL_MACHINE, ParametersKey(args[0]), args[1], args[2], L"REG_SZ");
    // The benchmarks' sixteen services in one run of the tool: each Wine start costs a good part of a second.
    if (command == L"numbered" && has(3)) {
        const unsigned long count = std::wcstoul(args[0].c_str(), nullptr, 10);
        for (unsigned long i = 1; i <= count; ++i) {
            std::vector<std::wstring> each(args.begin() + 2, args.end());
            wchar_t number[16] = {};
            std::swprintf(number, 16, L"%02lu", i);
            each[0] += number;
            if (const int rc = Run(args[1], each)) return rc;
        }
        return 0;
    }

    HKEY root = nullptr;
    std::wstring path;
    if (command == L"reg-get" && has(2) && SplitKey(args[0], root, path)) return GetValue(root, path, args[1]);
    if (command == L"reg-set" && has(3) && SplitKey(args[0], root, path)) {
        return SetValue(root, path, args[1], args[2], has(4) ? args[3] : L"REG_SZ");
    }
    if (command == L"reg-delete-key" && has(1) && SplitKey(args[0], root, path) && !path.empty()) {
        const LSTATUS status = ::RegDeleteTreeW(root, path.c_str());
        if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) {
            ::RegDeleteKeyW(root, path.c_str());
            return 0;
        }
        return Fail(L"cannot delete " + args[0], static_cast<DWORD>(status));
    }
    return Usage();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return Usage();
    const std::wstring command = argv[1];
    if (command == L"idle") {
        // Keeps the prefix's wineserver, services and desktop alive between test programs.
        ::GetDesktopWindow();
        ::Sleep(INFINITE);
        return 0;
    }
    return Run(command, std::vector<std::wstring>(argv + 2, argv + argc));
}
