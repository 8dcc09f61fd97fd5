// The service procedures, written against the service-manager port.
#include "service_control/service_control.h"

#include <array>
#include <utility>

namespace kestrin {
namespace {

// Owns one port handle for the length of a procedure, so every path closes what it opened.
class PortHandle {
public:
    PortHandle(ScmPort& scm, ScmHandle handle) : scm_(scm), handle_(handle) {}
    PortHandle(const PortHandle&) = delete;
    PortHandle& operator=(const PortHandle&) = delete;
    ~PortHandle() {
        if (handle_ != 0) scm_.Close(handle_);
    }
    ScmHandle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != 0; }

private:
    ScmPort& scm_;
    ScmHandle handle_;
};

// Runs `action` on the opened service and answers its error code, or that of the open that failed;
// declaration order closes the service before the manager.
template <class Action>
std::uint32_t WithService(ScmPort& scm, const std::string& computerName, const std::string& serviceName,
                          ServiceAccess access, Action&& action) {
    const PortHandle manager(scm, scm.OpenManager(computerName));
    if (!manager) return scm.LastError();
    const PortHandle service(scm, scm.OpenServiceByName(manager.Get(), serviceName, access));
    if (!service) return scm.LastError();
    return std::forward<Action>(action)(service.Get());
}

}  // namespace

std::string StateText(std::uint32_t state) {
    static const std::array<const char*, 7> kTexts = {
        "Stopped", "Start Pending", "Stop Pending", "Running", "Continue Pending", "Pause Pending", "Paused"};
    if (state < 1 || state > kTexts.size()) return {};
    return kTexts[state - 1];
}

std::string ServiceStatus(ScmPort& scm, const std::string& computerName, const std::string& serviceName,
                          std::uint32_t* error) {
    std::string text;
    const std::uint32_t failure =
        WithService(scm, computerName, serviceName, ServiceAccess::QueryStatus, [&](ScmHandle service) {
            const auto state = scm.QueryState(service);
            if (!state) return scm.LastError();
            text = StateText(*state);
            return std::uint32_t{0};
        });
    if (error) *error = failure;
    return text;
}

std::uint32_t ServiceStart(ScmPort& scm, const std::string& computerName, const std::string& serviceName) {
    return WithService(scm, computerName, serviceName, ServiceAccess::Start,
                       [&](ScmHandle service) { return scm.Start(service); });
}

std::uint32_t ServiceStop(ScmPort& scm, const std::string& computerName, const std::string& serviceName) {
    return WithService(scm, computerName, serviceName, ServiceAccess::Stop,
                       [&](ScmHandle service) { return scm.Stop(service); });
}

}  // namespace kestrin
