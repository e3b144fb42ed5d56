// The tool against a real X server and window manager: what a user would see afterwards is read
// back from the window manager's own properties and the windows' map state.

#include "process.h"
#include "x_session.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velmo::activate::test {
namespace {

using namespace std::chrono_literals;

constexpr int activated = 0;
constexpr int noSuchApplication = 4;
constexpr std::uint32_t normalState = 1;
constexpr std::uint32_t iconicState = 3;

// One running instance of the test window program and the windows it mapped, in creation order.
struct App {
    App(Child child, std::vector<std::uint32_t> windows)
        : process(std::move(child)), windows(std::move(windows)) {}
    Child process;
    std::vector<std::uint32_t> windows;
    pid_t pid() const { return process.pid(); }
};

Finished runTool(pid_t pid, const std::vector<std::string>& extra = {}) {
    std::vector<std::string> argv = {VELMO_ACTIVATE_BINARY, std::to_string(pid)};
    argv.insert(argv.end(), extra.begin(), extra.end());
    return runProgram(argv);
}

// Reads the window ids the test window program prints, one line per window.
void readWindows(Child& child, int count, std::vector<std::uint32_t>& windows) {
    for (int i = 0; i < count; ++i) {
        const std::optional<std::string> line = child.readLine(5s);
        ASSERT_TRUE(line) << "the test window program reported no window";
        windows.push_back(static_cast<std::uint32_t>(std::stoul(*line)));
    }
}

std::ptrdiff_t stackPosition(const std::vector<std::uint32_t>& stacking, std::uint32_t window) {
    const auto found = std::find(stacking.begin(), stacking.end(), window);
    return found == stacking.end() ? -1 : found - stacking.begin();
}

class XActivateTest : public testing::Test {
protected:
    void SetUp() override {
        const char* display = std::getenv("DISPLAY");
        if (display == nullptr || *display == '\0')
            GTEST_SKIP() << "DISPLAY is unset: these tests need an X server with an EWMH window "
                            "manager (scripts/test runs them under Xvfb with openbox)";
        x = XSession::connect();
        ASSERT_TRUE(x) << "cannot connect to DISPLAY " << display;
        ASSERT_TRUE(waitUntil([&] { return x->hasWindowManager(); }))
            << "no EWMH window manager on DISPLAY " << display;
        // Earlier tests may have left another desktop showing.
        x->switchToDesktop(0);
        ASSERT_TRUE(waitUntil([&] { return x->currentDesktop() == 0u; }));
    }

    // Starts the test window program and waits until the window manager shows all its windows.
    void startApp(std::optional<App>& app, int windowCount = 1) {
        std::optional<Child> child =
            Child::start({VELMO_TEST_WINDOW_BINARY, std::to_string(windowCount)});
        ASSERT_TRUE(child) << "cannot start " << VELMO_TEST_WINDOW_BINARY;
        std::vector<std::uint32_t> windows;
        ASSERT_NO_FATAL_FAILURE(readWindows(*child, windowCount, windows));
        app.emplace(std::move(*child), windows);
        ASSERT_TRUE(waitUntil([&] {
            const std::vector<std::uint32_t> clients = x->clientList();
            return std::all_of(windows.begin(), windows.end(), [&](std::uint32_t window) {
                return std::count(clients.begin(), clients.end(), window) == 1 &&
                       x->isViewable(window);
            });
        })) << "the window manager did not take on the test windows";
    }

    // Makes `window` the active window the way a user would, as the starting point of a test.
    void makeActive(std::uint32_t window) {
        x->activate(window);
        ASSERT_TRUE(waitUntil([&] { return x->activeWindow() == window; }))
            << "the window manager did not activate window " << window;
    }

    bool isActiveAndOnTop(std::uint32_t window) {
        const std::vector<std::uint32_t> stacking = x->stacking();
        return x->activeWindow() == window && !stacking.empty() && stacking.back() == window &&
               x->isViewable(window);
    }

    std::unique_ptr<XSession> x;
};

TEST_F(XActivateTest, ProcessWithoutWindowsIsNotFound) {
    // This test process talks to the X server but owns no window.
    const Finished finished = runTool(getpid());
    EXPECT_EQ(finished.exitStatus, noSuchApplication);
    EXPECT_EQ(finished.out, "");
    EXPECT_EQ(finished.err, "");
}

TEST_F(XActivateTest, ApplicationThatQuitIsNotFound) {
    std::optional<App> app;
    ASSERT_NO_FATAL_FAILURE(startApp(app));
    const pid_t pid = app->pid();
    const std::uint32_t window = app->windows.front();
    app.reset();
    ASSERT_TRUE(waitUntil([&] {
        const std::vector<std::uint32_t> clients = x->clientList();
        return std::find(clients.begin(), clients.end(), window) == clients.end();
    }));

    EXPECT_EQ(runTool(pid).exitStatus, noSuchApplication);
}

// Extra arguments after the pid are ignored.
class XActivateWithArgumentsTest : public XActivateTest,
                                   public testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(XActivateWithArgumentsTest, ActivatesWhileAnotherApplicationIsActive) {
    std::optional<App> app;
    std::optional<App> other;
    ASSERT_NO_FATAL_FAILURE(startApp(app));
    ASSERT_NO_FATAL_FAILURE(startApp(other));
    ASSERT_NO_FATAL_FAILURE(makeActive(other->windows.front()));

    const Finished finished = runTool(app->pid(), GetParam());
    EXPECT_EQ(finished.exitStatus, activated);
    EXPECT_EQ(finished.out, "");
    EXPECT_EQ(finished.err, "");
    EXPECT_TRUE(waitUntil([&] { return isActiveAndOnTop(app->windows.front()); }));
}

INSTANTIATE_TEST_SUITE_P(Extra, XActivateWithArgumentsTest,
                         testing::Values(std::vector<std::string>{}, std::vector<std::string>{"0"},
                                         std::vector<std::string>{"abc", "-1"}),
                         [](const testing::TestParamInfo<std::vector<std::string>>& info) {
                             return "Extra" + std::to_string(info.param.size());
                         });

TEST_F(XActivateTest, RestoresMinimisedWindow) {
    std::optional<App> app;
    std::optional<App> other;
    ASSERT_NO_FATAL_FAILURE(startApp(app));
    ASSERT_NO_FATAL_FAILURE(startApp(other));
    const std::uint32_t window = app->windows.front();
    x->iconify(window);
    ASSERT_TRUE(waitUntil([&] {
        return x->wmState(window) == iconicState && !x->isViewable(window);
    })) << "the window manager did not minimise the window";
    ASSERT_NO_FATAL_FAILURE(makeActive(other->windows.front()));

    EXPECT_EQ(runTool(app->pid()).exitStatus, activated);
    EXPECT_TRUE(
        waitUntil([&] { return isActiveAndOnTop(window) && x->wmState(window) == normalState; }));
}

TEST_F(XActivateTest, BringsAllWindowsForwardKeepingTheirOrder) {
    std::optional<App> app;
    std::optional<App> other;
    ASSERT_NO_FATAL_FAILURE(startApp(app, 2));
    // The first window is the application's frontmost, although the manager lists it first.
    const std::uint32_t back = app->windows[1];
    const std::uint32_t front = app->windows[0];
    ASSERT_NO_FATAL_FAILURE(makeActive(front));
    ASSERT_NO_FATAL_FAILURE(startApp(other));
    const std::uint32_t otherWindow = other->windows.front();
    ASSERT_NO_FATAL_FAILURE(makeActive(otherWindow));

    EXPECT_EQ(runTool(app->pid()).exitStatus, activated);
    EXPECT_TRUE(waitUntil([&] {
        const std::vector<std::uint32_t> stacking = x->stacking();
        return isActiveAndOnTop(front) &&
               stackPosition(stacking, otherWindow) < stackPosition(stacking, back) &&
               x->isViewable(back);
    })) << "expected the other application's window below both of the application's windows";
}

TEST_F(XActivateTest, SwitchesToTheWindowsDesktop) {
    ASSERT_GE(x->numberOfDesktops().value_or(0), 2u) << "the window manager needs two desktops";
    std::optional<App> app;
    std::optional<App> other;
    ASSERT_NO_FATAL_FAILURE(startApp(app));
    const std::uint32_t window = app->windows.front();
    x->moveToDesktop(window, 1);
    ASSERT_TRUE(waitUntil([&] { return x->desktopOf(window) == 1u && !x->isViewable(window); }));
    ASSERT_NO_FATAL_FAILURE(startApp(other));
    ASSERT_NO_FATAL_FAILURE(makeActive(other->windows.front()));

    EXPECT_EQ(runTool(app->pid()).exitStatus, activated);
    EXPECT_TRUE(waitUntil([&] { return x->currentDesktop() == 1u && isActiveAndOnTop(window); }));
}

// A window carrying the pid exists, but no window manager manages it: nothing to activate.
TEST(XActivateWithoutWindowManager, UnmanagedWindowIsNotFound) {
    std::optional<Child> server =
        Child::start({"Xvfb", "-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "640x480x24"});
    ASSERT_TRUE(server) << "cannot start Xvfb";
    const std::optional<std::string> number = server->readLine(10s);
    if (!number)
        GTEST_SKIP() << "Xvfb did not start (is it installed?)";
    const std::string display = ":" + *number;

    std::optional<Child> app = Child::start({VELMO_TEST_WINDOW_BINARY}, {{"DISPLAY", display}});
    ASSERT_TRUE(app);
    ASSERT_TRUE(app->readLine(5s)) << "the test window program reported no window";

    const Finished finished =
        runProgram({VELMO_ACTIVATE_BINARY, std::to_string(app->pid())}, {{"DISPLAY", display}});
    EXPECT_EQ(finished.exitStatus, noSuchApplication);
    EXPECT_EQ(finished.out, "");
    EXPECT_EQ(finished.err, "");
}

} // namespace
} // namespace velmo::activate::test
