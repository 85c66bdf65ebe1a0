// ppcObrin3-cli: the headless companion of the recorder. Each subcommand is a thin layer over
// the same core that the window uses.
#include "cli/CliCommand.h"
#include "cli/CommandGroups.h"

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

int PrintUsage(const std::vector<CliCommand>& commands) {
    std::fprintf(stderr, "usage: ppcObrin3-cli COMMAND [ARGS...]\n\ncommands:\n");
    for (const CliCommand& command : commands) {
        std::fprintf(stderr, "  %s %s\n      %s\n", command.name, command.usage, command.summary);
    }
    return kExitUsage;
}

} // namespace

int PrintCommandUsage(const CliCommand& command) {
    std::fprintf(stderr, "usage: ppcObrin3-cli %s %s\n", command.name, command.usage);
    return kExitUsage;
}

int main(int argc, char** argv) {
    try {
        const std::vector<CliCommand> commands = AllCommands();
        if (argc < 2) {
            return PrintUsage(commands);
        }
        const std::string name = argv[1];
        if (name == "--help" || name == "-h" || name == "help") {
            PrintUsage(commands);
            return kExitOk;
        }
        const std::vector<std::string> args(argv + 2, argv + argc);
        for (const CliCommand& command : commands) {
            if (name == command.name) {
                return command.run(args);
            }
        }
        std::fprintf(stderr, "ppcObrin3-cli: unknown command '%s'\n", name.c_str());
        return PrintUsage(commands);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ppcObrin3-cli: %s\n", e.what());
        return kExitFailure;
    }
}
