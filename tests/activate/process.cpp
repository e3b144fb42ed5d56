#include "process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace velmo::activate::test {

namespace {

std::vector<std::string> environmentWith(const EnvironmentChanges& changes) {
    std::vector<std::string> result;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('='));
        if (changes.find(name) == changes.end())
            result.push_back(text);
    }
    for (const auto& [name, value] : changes) {
        if (value)
            result.push_back(name + "=" + *value);
    }
    return result;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> result;
    for (std::string& text : strings)
        result.push_back(text.data());
    result.push_back(nullptr);
    return result;
}

// Spawns argv with its stdout on the given pipe write end, and its stderr too when one is given
// (otherwise stderr goes to /dev/null).
pid_t spawn(std::vector<std::string> argv, const EnvironmentChanges& changes, int outWrite,
            int errWrite) {
    std::vector<std::string> environment = environmentWith(changes);
    std::vector<char*> argvPointers = pointers(argv);
    std::vector<char*> environmentPointers = pointers(environment);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outWrite, STDOUT_FILENO);
    if (errWrite >= 0)
        posix_spawn_file_actions_adddup2(&actions, errWrite, STDERR_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    pid_t pid = -1;
    const int failed = posix_spawnp(&pid, argvPointers[0], &actions, nullptr, argvPointers.data(),
                                    environmentPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    return failed ? -1 : pid;
}

bool makePipe(int fds[2]) {
    return pipe2(fds, O_CLOEXEC) == 0;
}

} // namespace

Finished runProgram(const std::vector<std::string>& argv, const EnvironmentChanges& changes) {
    Finished finished;
    int out[2];
    int err[2];
    if (!makePipe(out))
        return finished;
    if (!makePipe(err)) {
        close(out[0]);
        close(out[1]);
        return finished;
    }
    const pid_t pid = spawn(argv, changes, out[1], err[1]);
    close(out[1]);
    close(err[1]);

    // Drain both pipes together so a child that fills one of them cannot stall.
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&finished.out, &finished.err};
    int open = pid > 0 ? 2 : 0;
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            char buffer[4096];
            const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                fds[i].fd = -1;
                --open;
            }
        }
    }
    close(out[0]);
    close(err[0]);

    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        finished.exitStatus = WEXITSTATUS(status);
    return finished;
}

std::optional<Child> Child::start(const std::vector<std::string>& argv,
                                  const EnvironmentChanges& changes) {
    int out[2];
    if (!makePipe(out))
        return std::nullopt;
    const pid_t pid = spawn(argv, changes, out[1], -1);
    close(out[1]);
    if (pid <= 0) {
        close(out[0]);
        return std::nullopt;
    }
    return Child(pid, out[0]);
}

Child::Child(Child&& other) noexcept
    : pid_(other.pid_), out_(other.out_), pending_(std::move(other.pending_)) {
    other.pid_ = -1;
    other.out_ = -1;
}

Child::~Child() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    if (out_ >= 0)
        close(out_);
}

std::optional<std::string> Child::readLine(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const std::size_t end = pending_.find('\n');
        if (end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return std::nullopt;
        pollfd fd = {out_, POLLIN, 0};
        const int ready = poll(&fd, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return std::nullopt;
        char buffer[256];
        const ssize_t got = read(out_, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return std::nullopt;
        pending_.append(buffer, static_cast<std::size_t>(got));
    }
}

} // namespace velmo::activate::test
