// The launch decision of the About window's System Info button.
#include "about/sys_info.h"

#include "about/key_value.h"

namespace kestrin {
namespace {

bool FindTool(RegistryPort& registry, SysInfoPort& system, std::string& path) {
    if (GetKeyValue(registry, RegistryRoot::LocalMachine, kMsinfoKey, kMsinfoPathValue, path)) return true;
    if (!GetKeyValue(registry, RegistryRoot::LocalMachine, kSharedToolsLocationKey, kSharedToolsMsinfoValue, path)) {
        return false;
    }
    const std::string candidate = path + kMsinfoExe;
    if (!system.FileExists(candidate)) return false;
    path = candidate;
    return true;
}

}  // namespace

void StartSysInfo(RegistryPort& registry, SysInfoPort& system) {
    std::string path;
    // An empty path names no program, so it is not handed to the system at all.
    if (FindTool(registry, system, path) && !path.empty() && system.Launch(path)) return;
    system.ShowUnavailable();
}

}  // namespace kestrin
