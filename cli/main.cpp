// ppcObrin3-cli: the headless companion of the recorder. Each subcommand is a thin layer over
// the same core that the window uses.
#include "cli/CliCommand.h"
#include "cli/CommandGroups.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace {

std::vector<CliCommand> AllCommands() {
    std::vector<CliCommand> all;
    for (auto group : kCommandGroups) {
        for (const CliCommand& command : group()) {
            all.push_back(command);
        }
    }
    return all;
}

void PrintUsage(std::FILE* out, const std::vector<CliCommand>& commands) {
    std::fprintf(out, "usage: ppcObrin3-cli COMMAND [ARGS...]\n"
                      "       ppcObrin3-cli COMMAND --help\n"
                      "       ppcObrin3-cli --help | --version\n\ncommands:\n");
    for (const CliCommand& command : commands) {
        std::fprintf(out, "  %s %s\n      %s\n", command.name, command.usage, command.summary);
    }
    std::fprintf(out, "\nexit status: 0 done, 1 the work could not be done, 2 bad usage\n");
}

void PrintCommandHelp(const CliCommand& command) {
    std::printf("usage: ppcObrin3-cli %s %s\n\n%s\n", command.name, command.usage, command.summary);
    if (*command.options != '\0') {
        std::printf("\n%s", command.options);
    }
}

bool AsksForHelp(const std::vector<std::string>& args) {
    return std::any_of(args.begin(), args.end(),
                       [](const std::string& arg) { return arg == "--help" || arg == "-h"; });
}

} // namespace

int PrintCommandUsage(const CliCommand& command) {
    std::fprintf(stderr, "usage: ppcObrin3-cli %s %s\n", command.name, command.usage);
    return kExitUsage;
}

int UsageError(const CliCommand& command, const std::string& problem) {
    std::fprintf(stderr, "ppcObrin3-cli %s: %s\n", command.name, problem.c_str());
    return PrintCommandUsage(command);
}

std::string UnknownOption(const std::string& option) {
    return "unknown option " + option;
}

std::string UnexpectedArgument(const std::string& argument) {
    return "unexpected argument " + argument;
}

std::string OptionTakes(const std::string& option, const std::string& values) {
    return option + " takes " + values;
}

int main(int argc, char** argv) {
    // A reader of the output that went away (a closed pipe, a dropped ssh session) makes a
    // print fail instead of ending the program before it stopped in order; a file-size limit
    // makes a write fail with a message instead of killing the program mid-file.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    try {
        const std::vector<CliCommand> commands = AllCommands();
        if (argc < 2) {
            std::fprintf(stderr, "ppcObrin3-cli: missing COMMAND\n");
            PrintUsage(stderr, commands);
            return kExitUsage;
        }
        const std::string name = argv[1];
        if (name == "--help" || name == "-h" || name == "help") {
            PrintUsage(stdout, commands);
            return kExitOk;
        }
        if (name == "--version") {
            std::printf("ppcObrin3-cli " ZRV_VERSION "\n");
            return kExitOk;
        }
        const std::vector<std::string> args(argv + 2, argv + argc);
        for (const CliCommand& command : commands) {
            if (name == command.name) {
                if (AsksForHelp(args)) {
                    PrintCommandHelp(command);
                    return kExitOk;
                }
                return command.run(args);
            }
        }
        std::fprintf(stderr, "ppcObrin3-cli: unknown command %s\n", name.c_str());
        PrintUsage(stderr, commands);
        return kExitUsage;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ppcObrin3-cli: %s\n", e.what());
        return kExitFailure;
    }
}
