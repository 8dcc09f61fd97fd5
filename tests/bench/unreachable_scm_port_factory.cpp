// A test build's service-manager port in which every other computer is unreachable: opening its
// manager waits 20 seconds and fails as Windows does when no answer comes (RPC server unavailable).
// This computer's manager is the real one. Wine's own manager answers for any computer named.
#include "app/scm_port_factory.h"

#include <windows.h>

#include "service_control/win32/advapi_scm_port.h"
#include "settings/settings.h"

namespace kestrin {
namespace {

constexpr DWORD kGiveUpMs = 20000;

class UnreachableScmPort : public ScmPort {
public:
    ScmHandle OpenManager(const std::string& computer) override {
        if (BareComputerName(computer).empty()) return real_.OpenManager(computer);
        ::Sleep(kGiveUpMs);
        ::SetLastError(RPC_S_SERVER_UNAVAILABLE);
        return 0;
    }
    ScmHandle OpenServiceByName(ScmHandle manager, const std::string& service, ServiceAccess access) override {
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

std::unique_ptr<ScmPort> MakeScmPort() { return std::make_unique<UnreachableScmPort>(); }

}  // namespace kestrin
