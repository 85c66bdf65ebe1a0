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
    // What `COMMAND --help` adds to the usage and the summary: one "  OPTION  meaning" line
    // per option or argument, each ending in a line end.
    const char* options = "";
};

// Exit codes shared by every command.
enum CliExit : int {
    kExitOk = 0,
    kExitFailure = 1, // the work could not be done (unreadable file, missing value, ...)
    kExitUsage = 2,   // the command line was wrong; the usage was printed
};

// Prints the usage of one command to stderr and returns kExitUsage.
int PrintCommandUsage(const CliCommand& command);

// Says on stderr what was wrong with the command line ("unknown option --bogus", "missing
// FILE"), prints the command's usage and returns kExitUsage.
int UsageError(const CliCommand& command, const std::string& problem);

// The problem texts that every command uses alike: "unknown option --bogus", "unexpected
// argument x" and "--units takes km, mi or nmi" (for a value that is missing or wrong).
std::string UnknownOption(const std::string& option);
std::string UnexpectedArgument(const std::string& argument);
std::string OptionTakes(const std::string& option, const std::string& values);
