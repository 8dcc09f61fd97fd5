// A service manager in memory that logs every call, for tests of anything that talks to services.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "service_control/scm_port.h"

namespace kestrin {

class FakeScmPort : public ScmPort {
public:
    // What the next calls do; change them at any time.
    bool failOpenManager = false;
    bool failOpenService = false;
    bool failQuery = false;
    std::uint32_t state = 4;       // the code QueryState answers (4: running)
    bool startsTakeEffect = true;  // Start makes the state 4 (running), Stop makes it 1 (stopped)
    std::uint32_t error = 5;       // what a failed open or query reports (5: access denied)
    std::uint32_t refuseStart = 0; // the error code Start and Stop answer; 0: accepted
    std::uint32_t refuseStop = 0;

    // What happened, in order: e.g. OpenManager("pc")=1, OpenService(1,"svc",QueryStatus)=2,
    // QueryState(2), Start(2), Stop(2), Close(2), Close(1).
    std::vector<std::string> calls;
    int starts = 0;
    int stops = 0;
    int badCloses = 0;             // closes of 0, of unknown or of already closed handles
    std::set<ScmHandle> openHandles;

    static const char* AccessName(ServiceAccess access) {
        switch (access) {
        case ServiceAccess::QueryStatus: return "QueryStatus";
        case ServiceAccess::Start: return "Start";
        case ServiceAccess::Stop: return "Stop";
        }
        return "?";
    }

    ScmHandle OpenManager(const std::string& computer) override {
        const ScmHandle handle = failOpenManager ? 0 : NewHandle();
        calls.push_back("OpenManager(\"" + computer + "\")=" + std::to_string(handle));
        return handle;
    }

    ScmHandle OpenServiceByName(ScmHandle manager, const std::string& service, ServiceAccess access) override {
        const ScmHandle handle = failOpenService || !IsOpen(manager) ? 0 : NewHandle();
        calls.push_back("OpenService(" + std::to_string(manager) + ",\"" + service + "\"," + AccessName(access) +
                        ")=" + std::to_string(handle));
        return handle;
    }

    std::optional<std::uint32_t> QueryState(ScmHandle service) override {
        calls.push_back("QueryState(" + std::to_string(service) + ")");
        if (failQuery || !IsOpen(service)) return std::nullopt;
        return state;
    }

    std::uint32_t Start(ScmHandle service) override {
        calls.push_back("Start(" + std::to_string(service) + ")");
        ++starts;
        if (startsTakeEffect && !refuseStart) state = 4;
        return refuseStart;
    }

    std::uint32_t Stop(ScmHandle service) override {
        calls.push_back("Stop(" + std::to_string(service) + ")");
        ++stops;
        if (startsTakeEffect && !refuseStop) state = 1;
        return refuseStop;
    }

    std::uint32_t LastError() override { return error; }

    void Close(ScmHandle handle) override {
        calls.push_back("Close(" + std::to_string(handle) + ")");
        if (openHandles.erase(handle) == 0) ++badCloses;
    }

    bool IsOpen(ScmHandle handle) const { return openHandles.count(handle) != 0; }

private:
    ScmHandle NewHandle() {
        const ScmHandle handle = ++lastHandle_;
        openHandles.insert(handle);
        return handle;
    }

    ScmHandle lastHandle_ = 0;
};

}  // namespace kestrin
