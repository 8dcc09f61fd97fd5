// A test build's service-manager port: every open waits five seconds first, as an unreachable
// computer makes it wait, then goes to the real local service manager.
#include "app/scm_port_factory.h"

#include <windows.h>

#include "service_control/win32/advapi_scm_port.h"

namespace kestrin {
namespace {

constexpr DWORD kOpenDelayMs = 5000;

class SlowScmPort : public ScmPort {
public:
    ScmHandle OpenManager(const std::string& computer) override {
        ::Sleep(kOpenDelayMs);
        return real_.OpenManager(computer);
    }
    ScmHandle OpenServiceByName(ScmHandle manager, const std::string& service, ServiceAccess access) override {
        ::Sleep(kOpenDelayMs);
        return real_.OpenServiceByName(manager, service, access);
    }
    std::optional<std::uint32_t> QueryState(ScmHandle service) override { return real_.QueryState(service); }
    std::uint32_t Start(ScmHandle service) override { return real_.Start(service); }
    std::uint32_t Stop(ScmHandle service) override { return real_.Stop(service); }
    void Close(ScmHandle handle) override { real_.Close(handle); }
    std::uint32_t LastError() override { return real_.LastError(); }

private:
    AdvapiScmPort real_;
};

}  // namespace

std::unique_ptr<ScmPort> MakeScmPort() { return std::make_unique<SlowScmPort>(); }

}  // namespace kestrin
