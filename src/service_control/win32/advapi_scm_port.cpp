// Service-manager calls with the W functions; SC_HANDLEs travel through the core as numbers.
#include "service_control/win32/advapi_scm_port.h"

#include <windows.h>
#include <winsvc.h>

#include "win32/text.h"

namespace kestrin {
namespace {

SC_HANDLE ToSc(ScmHandle handle) { return reinterpret_cast<SC_HANDLE>(handle); }
ScmHandle FromSc(SC_HANDLE handle) { return reinterpret_cast<ScmHandle>(handle); }

DWORD RightFor(ServiceAccess access) {
    switch (access) {
    case ServiceAccess::QueryStatus: return SERVICE_QUERY_STATUS;
    case ServiceAccess::Start: return SERVICE_START;
    case ServiceAccess::Stop: return SERVICE_STOP;
    }
    return 0;
}

}  // namespace

ScmHandle AdvapiScmPort::OpenManager(const std::string& computer) {
    // Connecting is all that opening a service needs; a standard user is refused anything more.
    const std::wstring machine = Widen(computer);
    return FromSc(::OpenSCManagerW(machine.empty() ? nullptr : machine.c_str(), SERVICES_ACTIVE_DATABASEW,
                                   SC_MANAGER_CONNECT));
}

ScmHandle AdvapiScmPort::OpenServiceByName(ScmHandle manager, const std::string& service, ServiceAccess access) {
    const std::wstring name = Widen(service);
    return FromSc(::OpenServiceW(ToSc(manager), name.c_str(), RightFor(access)));
}

std::optional<std::uint32_t> AdvapiScmPort::QueryState(ScmHandle service) {
    SERVICE_STATUS status{};
    if (!::QueryServiceStatus(ToSc(service), &status)) return std::nullopt;
    return status.dwCurrentState;
}

std::uint32_t AdvapiScmPort::Start(ScmHandle service) {
    return ::StartServiceW(ToSc(service), 0, nullptr) ? 0 : ::GetLastError();
}

std::uint32_t AdvapiScmPort::Stop(ScmHandle service) {
    SERVICE_STATUS status{};
    return ::ControlService(ToSc(service), SERVICE_CONTROL_STOP, &status) ? 0 : ::GetLastError();
}

void AdvapiScmPort::Close(ScmHandle handle) { ::CloseServiceHandle(ToSc(handle)); }

std::uint32_t AdvapiScmPort::LastError() { return ::GetLastError(); }

}  // namespace kestrin
