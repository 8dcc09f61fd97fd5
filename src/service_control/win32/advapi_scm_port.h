// The service-manager port over advapi32, asking for no more rights than each operation needs.
#pragma once

#include "service_control/scm_port.h"

namespace kestrin {

class AdvapiScmPort final : public ScmPort {
public:
    ScmHandle OpenManager(const std::string& computer) override;
    ScmHandle OpenServiceByName(ScmHandle manager, const std::string& service, ServiceAccess access) override;
    std::optional<std::uint32_t> QueryState(ScmHandle service) override;
    std::uint32_t Start(ScmHandle service) override;
    std::uint32_t Stop(ScmHandle service) override;
    void Close(ScmHandle handle) override;
    std::uint32_t LastError() override;
};

}  // namespace kestrin
