#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace velmo::activate::test {

// Changes to the test's own environment for a child: a value sets the variable, nothing unsets it.
using EnvironmentChanges = std::map<std::string, std::optional<std::string>>;

struct Finished {
    // The exit status, or -1 when the child did not exit normally (killed by a signal).
    int exitStatus = -1;
    std::string out;
    std::string err;
};

// Runs a program to completion and collects everything it wrote.
Finished runProgram(const std::vector<std::string>& argv, const EnvironmentChanges& changes = {});

// A program left running in the background, stopped with SIGTERM when this goes away.
class Child {
public:
    // Starts argv with its standard output on a pipe the test can read and its standard error
    // discarded; nothing when it cannot.
    static std::optional<Child> start(const std::vector<std::string>& argv,
                                      const EnvironmentChanges& changes = {});
    Child(Child&& other) noexcept;
    Child& operator=(Child&&) = delete;
    Child(const Child&) = delete;
    ~Child();

    pid_t pid() const { return pid_; }
    // The next line the child writes, without its newline; nothing when the child closes its
    // output or writes no whole line within `limit`.
    std::optional<std::string> readLine(std::chrono::milliseconds limit);

private:
    Child(pid_t pid, int out) : pid_(pid), out_(out) {}

    pid_t pid_ = -1;
    int out_ = -1;
    std::string pending_;
};

} // namespace velmo::activate::test
