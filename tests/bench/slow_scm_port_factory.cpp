// A test build's service-manager port: every open waits five seconds first, as an unreachable
// computer makes it wait, then goes to the real local service manager.
#include "app/scm_port_factory.h"

#include <windows.h>

#include "forwarding_scm_port.h"

namespace kestrin {
namespace {

constexpr DWORD kOpenDelayMs = 5000;

class SlowScmPort : public ForwardingScmPort {
public:
    ScmHandle OpenManager(const std::string& computer) override {
        ::Sleep(kOpenDelayMs);
        return ForwardingScmPort::OpenManager(computer);
    }
    ScmHandle OpenServiceByName(ScmHandle manager, const std::string& service, ServiceAccess access) override {
        ::Sleep(kOpenDelayMs);
        return ForwardingScmPort::OpenServiceByName(manager, service, access);
    }
};

}  // namespace

std::unique_ptr<ScmPort> MakeScmPort() { return std::make_unique<SlowScmPort>(); }

}  // namespace kestrin
