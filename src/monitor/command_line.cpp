// Splits and reads the command line the way Windows programs do, and words its complaints.
#include "monitor/command_line.h"

#include <algorithm>
#include <cctype>

namespace kestrin {
namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

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
    return Lower(argument.substr(skip));
}

bool TakesValue(const std::string& name) { return name == "service" || name == "computer" || name == "minutes"; }

}  // namespace

const char* const kUsage =
    "kestrin.exe [/service NAME [/computer NAME]] [/minutes N] [reset]\n"
    "kestrin.exe /register-event-source | /unregister-event-source\n"
    "\n"
    "/service   the service to watch, without prompts, with settings of its own\n"
    "/computer  the computer it runs on (none: this computer)\n"
    "/minutes   minutes between restart checks, 1 to 60 (none: 10)";

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

bool ContainsReset(const std::string& arguments) { return Lower(arguments).find("reset") != std::string::npos; }

CommandLine ParseCommandLine(const std::string& arguments) {
    CommandLine result;
    const std::vector<Argument> split = Split(arguments);
    std::string outsideValues;  // every argument but the options' values, as typed
    bool anyValue = false;
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
        const bool given = *name == "service"    ? result.service.has_value()
                           : *name == "computer" ? result.computer.has_value()
                                                 : result.minutes.has_value();
        if (given) {
            result.error = "The option " + option + " is given twice.";
        } else if (*name == "service") {
            result.service = value;
        } else if (*name == "computer") {
            result.computer = value;
        } else if (!(result.minutes = ParseRestartMinutes(value))) {
            result.error = "The option " + option + " takes a whole number from 1 to 60.";
        }
    }
    if (result.error.empty() && result.computer && !result.service) {
        result.error = "The option /computer needs /service.";
    }
    // Values are names, not words of the command line: /service PresetSync is no reset.
    result.reset = !result.service && ContainsReset(anyValue ? outsideValues : arguments);
    return result;
}

std::string CommandLine::Options() const {
    std::string options;
    auto add = [&options](const char* option, const std::string& value) {
        options += (options.empty() ? "" : " ") + std::string(option) + " " + QuoteArgument(value);
    };
    if (service) add("/service", *service);
    if (computer) add("/computer", *computer);
    if (minutes) add("/minutes", std::to_string(*minutes));
    return options;
}

std::optional<std::string> RestartArguments(const CommandLine& commandLine) {
    if (commandLine.reset) return std::nullopt;
    return commandLine.Options();
}

}  // namespace kestrin
