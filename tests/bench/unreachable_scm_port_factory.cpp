// A test build's service-manager port in which every other computer is unreachable: opening its
// manager waits 20 seconds and fails as Windows does when no answer comes (RPC server unavailable).
// This computer's manager is the real one. Wine's own manager answers for any computer named.
#include "app/scm_port_factory.h"

#include <windows.h>

#include "forwarding_scm_port.h"
#include "settings/settings.h"

namespace kestrin {
namespace {

constexpr DWORD kGiveUpMs = 20000;

class UnreachableScmPort : public ForwardingScmPort {
public:
    ScmHandle OpenManager(const std::string& computer) override {
        if (BareComputerName(computer).empty()) return ForwardingScmPort::OpenManager(computer);
        ::Sleep(kGiveUpMs);
        ::SetLastError(RPC_S_SERVER_UNAVAILABLE);
        return 0;
    }
};

}  // namespace

std::unique_ptr<ScmPort> MakeScmPort() { return std::make_unique<UnreachableScmPort>(); }

}  // namespace kestrin
