// The service manager as the service procedures see it: opaque handles, no Windows types.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kestrin {

using ScmHandle = std::uintptr_t;  // 0 means "not opened"

// The one right each operation needs on the service, so a standard user can use them.
enum class ServiceAccess { QueryStatus, Start, Stop };

class ScmPort {
public:
    virtual ~ScmPort() = default;
    // Opens the manager of `computer` (empty: this computer) for connecting only; 0 on failure.
    virtual ScmHandle OpenManager(const std::string& computer) = 0;
    // Opens `service` by key name with the given right; 0 on failure.
    virtual ScmHandle OpenServiceByName(ScmHandle manager, const std::string& service, ServiceAccess access) = 0;
    // The service's current state code, or nothing when the query fails.
    virtual std::optional<std::uint32_t> QueryState(ScmHandle service) = 0;
    // Both answer the system's error code, 0 when the manager accepted the request.
    virtual std::uint32_t Start(ScmHandle service) = 0;
    virtual std::uint32_t Stop(ScmHandle service) = 0;
    virtual void Close(ScmHandle handle) = 0;
    // The system's error code of the open or query that has just failed.
    virtual std::uint32_t LastError() = 0;
};

}  // namespace kestrin
