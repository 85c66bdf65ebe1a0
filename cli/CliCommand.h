#pragma once

#include <span>
#include <string>
#include <vector>

// One subcommand of ppcObrin3-cli. Each command group (stats, settings, store, ...) lives in
// its own file and hands its commands to main through a function returning this table.
struct CliCommand {
    const char* name;
    const char* usage; // the arguments after the name, e.g. "FILE... [--units km|mi|nmi]"
    const char* summary;
    int (*run)(std::span<const std::string> args);
};

// Exit codes shared by every command.
enum CliExit : int {
    kExitOk = 0,
    kExitFailure = 1, // the work could not be done (unreadable file, missing value, ...)
    kExitUsage = 2,   // the command line was wrong; the usage was printed
};

// Prints the usage of one command to stderr and returns kExitUsage.
int PrintCommandUsage(const CliCommand& command);
