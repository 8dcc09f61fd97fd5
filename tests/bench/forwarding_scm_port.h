// The real service manager, call for call: each test build overrides only the calls it changes.
#pragma once

#include "service_control/win32/advapi_scm_port.h"

namespace kestrin {

class ForwardingScmPort : public ScmPort {
public:
    ScmHandle OpenManager(const std::string& computer) override { return real_.OpenManager(computer); }
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

}  // namespace kestrin
