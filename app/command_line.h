#pragma once

// The player's command line, read before Qt sees it. Started by a parent application the
// player takes no arguments of its own; a person at a terminal gets --version and --help
// without a display being opened. Qt's usual options still reach Qt.

#include <optional>
#include <string>

namespace velmo {

struct CommandLineOutcome {
    bool exit = false; // false: go on and start the player
    int status = 0;
    std::string out; // for standard output, printed only when exiting
    std::string err; // for standard error
};

CommandLineOutcome readCommandLine(int argc, const char* const* argv);

// Reads the command line and, when the process should end at once, prints what it has to
// and answers the exit status.
std::optional<int> handleCommandLine(int argc, const char* const* argv);

} // namespace velmo
