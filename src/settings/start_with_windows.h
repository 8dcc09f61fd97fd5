// Start with Windows: a copy's value under the user's Run key, as the Startup apps page of Settings and
// Task Manager show it, with their switch under StartupApproved\Run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings/settings.h"

namespace kestrin {

// HKEY_CURRENT_USER's Run and StartupApproved\Run keys. Writes answer the system's error code, 0 when done.
class StartupRegistry {
public:
    virtual ~StartupRegistry() = default;
    // The command of a REG_SZ value, or of a REG_EXPAND_SZ one (as Group Policy Preferences may write
    // it) with its environment variables expanded.
    virtual std::optional<std::string> ReadRun(const std::string& name) = 0;
    virtual std::optional<std::vector<std::uint8_t>> ReadApproved(const std::string& name) = 0;
    virtual std::uint32_t WriteRun(const std::string& name, const std::string& command) = 0;
    virtual std::uint32_t WriteApproved(const std::string& name, const std::vector<std::uint8_t>& bytes) = 0;
    virtual std::uint32_t DeleteRun(const std::string& name) = 0;      // a missing value is no error
    virtual std::uint32_t DeleteApproved(const std::string& name) = 0;
    // A file, not a folder, at that full path; a registry without a file system assumes it is there.
    virtual bool ProgramExists(const std::string& /*path*/) { return true; }
    // The names of the Run key's values; a registry that cannot list them answers none.
    virtual std::vector<std::string> RunValueNames() { return {}; }
};

// The Run value's name: "Kestrin" for a copy without a service of its own, else "Kestrin <service>@<computer>".
std::string RunValueName(const std::optional<std::string>& serviceOption, const std::string& computerOption);
// The Run value's name of a copy watching several services: "Kestrin " and the name of its set.
std::string RunValueName(const std::vector<ServiceTarget>& targets);

// The Run value's data: the program's full path, quoted, then the copy's options.
std::string RunCommand(const std::string& programPath, const std::string& options);

// Whether StartupApproved lets the value run: missing means yes; 02 or 06 first yes, 03 or 07 no.
bool StartupApproved(const std::optional<std::vector<std::uint8_t>>& approved);

// The program a Run value's command starts: its first argument, by the rules Windows reads it with.
std::string ProgramOfCommand(const std::string& command);

// The value belongs to what is watched, not to one command line: copies of the same watcher started
// with other options, or from another folder, share it.
class StartWithWindows {
public:
    // `command` is what this copy writes: RunCommand of its program and options.
    StartWithWindows(StartupRegistry& registry, std::string valueName, std::string command)
        : registry_(registry),
          valueName_(std::move(valueName)),
          programPath_(ProgramOfCommand(command)),
          command_(std::move(command)) {}

    // Read each time: the user may have switched it off in Settings meanwhile. Whatever program and
    // options the value names, it is this watcher's.
    bool IsOn();
    // Writes this copy's command (marked enabled) when off, deletes the value when on; the error of a
    // refused write, else 0.
    std::uint32_t Toggle();
    // A value naming a program that is gone (an install moved it to the other Program Files folder)
    // would start nothing at logon: it is written again with this program, its options kept. So are
    // the other copies' values that name a program of this one's file name: their copies cannot start
    // to mend them themselves.
    void RepairMovedProgram();

private:
    struct Located {
        std::string program;
        std::size_t argumentsStart = 0;
    };
    // The program a command starts, as CreateProcess finds it: quoted, or for an unquoted path with
    // blanks the first prefix that exists, else the first that ends in ".exe"; nothing if none does.
    std::optional<Located> LocateProgram(const std::string& command);
    void RepairValue(const std::string& name, bool own);

    StartupRegistry& registry_;
    std::string valueName_;
    std::string programPath_;
    std::string command_;
};

}  // namespace kestrin
