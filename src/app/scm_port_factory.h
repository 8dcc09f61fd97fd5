// Chooses the service-manager port the program's worker uses; test builds link a different one.
#pragma once

#include <memory>

#include "service_control/scm_port.h"

namespace kestrin {

std::unique_ptr<ScmPort> MakeScmPort();

}  // namespace kestrin
