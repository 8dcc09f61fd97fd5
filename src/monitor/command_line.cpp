// Splits and reads the command line the way Windows programs do, and words its complaints.
#include "monitor/command_line.h"

#include <algorithm>
#include <cctype>

#include "text/case.h"
#include "text/utf.h"

namespace kestrin {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

struct Argument {
    std::string value;  // as the program receives it
    std::string raw;    // as it was typed, quotes and all
};

std::vector<Argument> Split(const std::string& line) {
    std::vector<Argument> arguments;
    std::size_t i = 0;
    while (true) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i == line.size()) return arguments;
        const std::size_t start = i;
        Argument argument;
        bool quoted = false;
        while (i < line.size() && (quoted || !IsBlank(line[i]))) {
            std::size_t backslashes = 0;
            while (i < line.size() && line[i] == '\\') ++backslashes, ++i;
            if (i < line.size() && line[i] == '"') {
                // 2n backslashes and a quote: n backslashes and a quote that opens or closes;
                // 2n+1: n backslashes and a literal quote.
                argument.value.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1) {
                    argument.value += '"';
                } else if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                    argument.value += '"';  // "" inside quotes is one quote
                    ++i;
                } else {
                    quoted = !quoted;
                }
                ++i;
            } else {
                argument.value.append(backslashes, '\\');
                if (i < line.size() && (quoted || !IsBlank(line[i]))) argument.value += line[i++];
            }
        }
        argument.raw = line.substr(start, i - start);
        arguments.push_back(std::move(argument));
    }
}

// The option's name without its / or - (or --), in lower case; nothing for a plain word.
std::optional<std::string> OptionName(const std::string& argument) {
    if (argument.size() < 2) return std::nullopt;
    std::size_t skip = 0;
    if (argument[0] == '/') {
        skip = 1;
    } else if (argument[0] == '-') {
        skip = argument[1] == '-' ? 2 : 1;
    } else {
        return std::nullopt;
    }
    return ToLowerAscii(argument.substr(skip));
}

// The service manager's own rules for a key name: what it would refuse, refused before anything is stored.
std::string ServiceNameProblem(const std::string& name) {
    if (name.empty()) return "The service name is empty.";
    if (name.find_first_of("/\\") != std::string::npos) return "A service name cannot contain / or \\.";
    if (Utf16Length(name) > kMaxServiceNameLength) {
        return "A service name has at most " + std::to_string(kMaxServiceNameLength) + " characters.";
    }
    return {};
}

std::string ComputerNameProblem(const std::string& name) {
    if (BareComputerName(name).find_first_of("/\\") != std::string::npos) {
        return "A computer name cannot contain / or \\ after the backslashes it may start with.";
    }
    return {};
}

bool TakesValue(const std::string& name) {
    return name == "service" || name == "computer" || name == "minutes" || name == "delay" || name == "retries";
}

// /service given 2 to 16 times: each value NAME@COMPUTER, split at its last @, checked, none twice.
std::string ParseSeveral(const std::vector<std::string>& values, CommandLine& result) {
    if (values.size() > kMaxServicesPerCopy) {
        return "One copy watches at most " + std::to_string(kMaxServicesPerCopy) + " services.";
    }
    if (result.computer) return "The option /computer names the computer of a single /service; write NAME@COMPUTER.";
    for (const std::string& value : values) {
        const std::size_t at = value.rfind('@');
        ServiceTarget target;
        target.serviceName = value.substr(0, at);
        if (at != std::string::npos) target.computerName = value.substr(at + 1);
        if (std::string problem = ServiceNameProblem(target.serviceName); !problem.empty()) return problem;
        if (std::string problem = ComputerNameProblem(target.computerName); !problem.empty()) return problem;
        const std::string key = WatcherKey(target);
        for (const ServiceTarget& earlier : result.services) {
            if (WatcherKey(earlier) == key) {
                return "The service " + value + " is named twice.";
            }
        }
        result.services.push_back(std::move(target));
    }
    return {};
}

}  // namespace

const char* const kUsage =
    "kestrin.exe [/service NAME [/computer NAME]] [/minutes N] [/delay S] [/retries N] [reset]\n"
    "kestrin.exe /service NAME[@COMPUTER] /service NAME[@COMPUTER] ... [/minutes N] [/delay S] [/retries N]\n"
    "kestrin.exe /register-event-source | /unregister-event-source\n"
    "\n"
    "/service   the service to watch, without prompts, with settings of its own;\n"
    "           2 to 16 of them share one window (NAME@ is this computer)\n"
    "/computer  the computer it runs on (none: this computer)\n"
    "/minutes   minutes between restart checks, 1 to 60 (none: 10)\n"
    "/delay     instead, start a stopped service S seconds after its stop, 0 to 3600\n"
    "/retries   give up after N failed starts in a row, 1 to 100 (none: never)";

std::string CommandLineArguments(const std::string& commandLine) {
    std::size_t i = 0;
    if (!commandLine.empty() && commandLine[0] == '"') {
        // A quoted program path ends at the next quote; no escapes apply to it.
        const std::size_t close = commandLine.find('"', 1);
        i = close == std::string::npos ? commandLine.size() : close + 1;
    } else {
        while (i < commandLine.size() && !IsBlank(commandLine[i])) ++i;
    }
    while (i < commandLine.size() && IsBlank(commandLine[i])) ++i;
    return commandLine.substr(i);
}

std::vector<std::string> SplitArguments(const std::string& arguments) {
    std::vector<std::string> values;
    for (Argument& argument : Split(arguments)) values.push_back(std::move(argument.value));
    return values;
}

std::string QuoteArgument(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote itself escaped.
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');  // before the closing quote
    return quoted + "\"";
}

bool ContainsReset(const std::string& arguments) { return ToLowerAscii(arguments).find("reset") != std::string::npos; }

CommandLine ParseCommandLine(const std::string& arguments) {
    CommandLine result;
    const std::vector<Argument> split = Split(arguments);
    std::string outsideValues;  // every argument but the options' values, as typed
    bool anyValue = false;
    std::vector<std::string> serviceValues;
    for (std::size_t i = 0; i < split.size() && result.error.empty(); ++i) {
        const std::optional<std::string> name = OptionName(split[i].value);
        if (!name || !TakesValue(*name)) {
            outsideValues += split[i].raw + " ";
            if (name == "?" || name == "h" || name == "help") result.action = ProgramAction::ShowHelp;
            if (name == "register-event-source") result.action = ProgramAction::RegisterEventSource;
            if (name == "unregister-event-source") result.action = ProgramAction::UnregisterEventSource;
            continue;
        }
        const std::string& option = split[i].value;
        // The next argument is the value, unless there is none or it is an option itself.
        const std::optional<std::string> next = i + 1 < split.size() ? OptionName(split[i + 1].value) : std::nullopt;
        if (i + 1 == split.size() || (next && (TakesValue(*next) || *next == "?"))) {
            result.error = "The option " + option + " needs a value.";
            break;
        }
        const std::string& value = split[++i].value;
        anyValue = true;
        if (*name == "service") {
            serviceValues.push_back(value);
            continue;
        }
        std::optional<int>* number = *name == "minutes" ? &result.minutes
                                     : *name == "delay" ? &result.delay
                                     : *name == "retries" ? &result.retries
                                                          : nullptr;
        if (number ? number->has_value() : result.computer.has_value()) {
            result.error = "The option " + option + " is given twice.";
        } else if (*name == "computer") {
            result.computer = value;
        } else if (*name == "minutes" && !(result.minutes = ParseRestartMinutes(value))) {
            result.error = "The option " + option + " takes a whole number from 1 to 60.";
        } else if (*name == "delay" && !(result.delay = ParseRestartDelay(value))) {
            result.error = "The option " + option + " takes a whole number of seconds from 0 to 3600.";
        } else if (*name == "retries" && !(result.retries = ParseRestartRetries(value))) {
            result.error = "The option " + option + " takes a whole number from 1 to 100.";
        }
    }
    if (serviceValues.size() == 1) result.service = serviceValues.front();
    if (result.error.empty() && result.minutes && result.delay) {
        result.error = "The options /minutes and /delay cannot be given together.";
    }
    if (result.error.empty() && result.computer && serviceValues.empty()) {
        result.error = "The option /computer needs /service.";
    }
    if (result.error.empty() && serviceValues.size() > 1) result.error = ParseSeveral(serviceValues, result);
    if (result.error.empty() && result.service) result.error = ServiceNameProblem(*result.service);
    if (result.error.empty() && result.computer) result.error = ComputerNameProblem(*result.computer);
    // Values are names, not words of the command line: /service PresetSync is no reset.
    result.reset = serviceValues.empty() && ContainsReset(anyValue ? outsideValues : arguments);
    return result;
}

std::string CommandLine::Options() const {
    std::string options;
    auto add = [&options](const char* option, const std::string& value) {
        options += (options.empty() ? "" : " ") + std::string(option) + " " + QuoteArgument(value);
    };
    if (service) add("/service", *service);
    for (const ServiceTarget& target : services) add("/service", target.serviceName + "@" + target.computerName);
    if (computer) add("/computer", *computer);
    if (minutes) add("/minutes", std::to_string(*minutes));
    if (delay) add("/delay", std::to_string(*delay));
    if (retries) add("/retries", std::to_string(*retries));
    return options;
}

std::optional<std::string> RestartArguments(const CommandLine& commandLine) {
    if (commandLine.reset) return std::nullopt;
    std::string options = commandLine.Options();
    if (Utf16Length(options) >= kMaxRestartCommandLine) return std::nullopt;
    return options;
}

}  // namespace kestrin
