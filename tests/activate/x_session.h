#pragma once

#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velmo::activate::test {

// What the tests see of an X display and its window manager, through a connection of their own.
class XSession {
public:
    // Connects to `display` (the DISPLAY variable when empty); nothing when that fails.
    static std::unique_ptr<XSession> connect(const std::string& display = {});
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    // Whether an EWMH window manager publishes its client list on the root window.
    bool hasWindowManager();
    std::optional<std::uint32_t> activeWindow();
    std::vector<std::uint32_t> clientList();
    // Bottom to top.
    std::vector<std::uint32_t> stacking();
    std::optional<std::uint32_t> currentDesktop();
    std::optional<std::uint32_t> numberOfDesktops();
    std::optional<std::uint32_t> desktopOf(std::uint32_t window);
    // The ICCCM WM_STATE the window manager keeps on a client: 1 normal, 3 iconic.
    std::optional<std::uint32_t> wmState(std::uint32_t window);
    bool isViewable(std::uint32_t window);

    // Requests a user would make through a pager or the window's title bar.
    void activate(std::uint32_t window);
    void iconify(std::uint32_t window);
    void moveToDesktop(std::uint32_t window, std::uint32_t desktop);
    void switchToDesktop(std::uint32_t desktop);

private:
    XSession(xcb_connection_t* connection, int screen);
    std::optional<std::uint32_t> cardinal(xcb_get_property_cookie_t cookie);
    std::vector<std::uint32_t> windows(xcb_get_property_cookie_t cookie);
    void sync();

    xcb_connection_t* connection_;
    int screen_;
    xcb_ewmh_connection_t ewmh_{};
    bool ewmhReady_ = false;
    xcb_atom_t wmState_ = XCB_ATOM_NONE;
    xcb_atom_t wmChangeState_ = XCB_ATOM_NONE;
};

// Polls `condition` until it holds or `limit` has passed; answers whether it held. The window
// manager works asynchronously, so every observation of its effects goes through this.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds limit = std::chrono::seconds(5));

} // namespace velmo::activate::test
