// The shipped program talks to the real service manager.
#include "app/scm_port_factory.h"

#include "service_control/win32/advapi_scm_port.h"

namespace kestrin {

std::unique_ptr<ScmPort> MakeScmPort() { return std::make_unique<AdvapiScmPort>(); }

}  // namespace kestrin
