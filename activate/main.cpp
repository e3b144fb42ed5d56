#include "activate/pid_arg.h"
#include "activate/x11_activate.h"

#include <optional>

namespace {

// The tool answers only through its exit status; it never prints.
enum ExitStatus : int {
    activated = 0,
    missingArgument = 2,
    invalidPid = 3,
    noSuchApplication = 4,
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argv[1] == nullptr)
        return missingArgument;

    const std::optional<int> pid = velmo::activate::readPid(argv[1]);
    if (!pid)
        return invalidPid;

    return velmo::activate::activateApplication(*pid) ? activated : noSuchApplication;
}
