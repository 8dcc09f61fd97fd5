// The command line: parsed once into what this copy watches and does.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "settings/settings.h"

namespace kestrin {

inline constexpr int kBadCommandLineExitCode = 2;
inline constexpr std::size_t kMaxServiceNameLength = 256;  // the service manager's limit, in UTF-16 units
inline constexpr std::size_t kMaxServicesPerCopy = 16;
inline constexpr std::size_t kMaxRestartCommandLine = 1024;  // Windows' limit for a restart's arguments, NUL included

// The usage line, shown for /? and under every complaint about the command line.
extern const char* const kUsage;

enum class ProgramAction { Watch, ShowHelp, RegisterEventSource, UnregisterEventSource };

struct CommandLine {
    ProgramAction action = ProgramAction::Watch;
    std::optional<std::string> service;   // /service given once: watch this one, never prompt
    std::optional<std::string> computer;  // /computer: only with a single /service
    std::vector<ServiceTarget> services;  // /service NAME@COMPUTER given 2 to 16 times: one window for all
    std::optional<int> minutes;           // /minutes: the countdown's length
    std::optional<int> delay;             // /delay: seconds from a stop to the start, instead of the countdown
    std::optional<int> retries;           // /retries: failed starts in a row before Kestrin gives up
    bool reset = false;                   // ask for the names again (a start without /service)
    std::string error;                    // what is wrong with the line; empty when it is sound

    // This copy's own options, quoted as the Windows argument rules need, for a Run value.
    std::string Options() const;
};

// The argument part of a full command line: everything after the program's own path.
std::string CommandLineArguments(const std::string& commandLine);

// The arguments split as the Windows start-up code splits them (quotes, backslashes before quotes).
std::vector<std::string> SplitArguments(const std::string& arguments);

// One argument written so that SplitArguments gives it back unchanged.
std::string QuoteArgument(const std::string& argument);

// Whether the arguments contain "reset" anywhere, in any case (so -RESET and /Preset count).
bool ContainsReset(const std::string& arguments);

CommandLine ParseCommandLine(const std::string& arguments);

// The arguments Windows starts this copy with again after a crash or hang; nothing when a restart
// would not watch the same service (a start with `reset` asks for names it cannot know again), or
// when they are too long for Windows to keep.
std::optional<std::string> RestartArguments(const CommandLine& commandLine);

}  // namespace kestrin
