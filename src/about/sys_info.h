// StartSysInfo: finds the system information tool through the registry and starts it.
#pragma once

#include <string>

#include "about/registry_port.h"

namespace kestrin {

inline constexpr const char* kMsinfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr const char* kMsinfoPathValue = "PATH";
inline constexpr const char* kSharedToolsLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
inline constexpr const char* kSharedToolsMsinfoValue = "MSINFO";
inline constexpr const char* kMsinfoExe = "\\MSINFO32.EXE";
inline constexpr const char* kSysInfoUnavailable = "System Information Is Unavailable At This Time";

// What starting the tool needs from the system.
class SysInfoPort {
public:
    virtual ~SysInfoPort() = default;
    // True when `path` names a normal file (not a directory, not hidden, not a system file).
    virtual bool FileExists(const std::string& path) = 0;
    // Starts `path` as a program with its window shown normally, without waiting; false on failure.
    virtual bool Launch(const std::string& path) = 0;
    // The modal "System Information Is Unavailable At This Time" box.
    virtual void ShowUnavailable() = 0;
};

// Starts the tool named by MSINFO's "PATH" as it stands, or else MSINFO32.EXE in the folder named by
// "Shared Tools Location" if it is there; every failure ends in ShowUnavailable.
void StartSysInfo(RegistryPort& registry, SysInfoPort& system);

}  // namespace kestrin
