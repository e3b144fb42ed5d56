#include "activate/x11_activate.h"

#include "activate/activation_order.h"

#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

namespace velmo::activate {

namespace {

// _NET_WM_DESKTOP's value for a window shown on every desktop.
constexpr std::uint32_t allDesktops = 0xFFFFFFFF;

struct Disconnect {
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
using Connection = std::unique_ptr<xcb_connection_t, Disconnect>;

// The EWMH atoms of one connection. init_atoms_replies frees what init_atoms allocated when it
// fails, so only a successful setup is wiped here.
class Ewmh {
public:
    explicit Ewmh(xcb_connection_t* connection) {
        xcb_intern_atom_cookie_t* cookies = xcb_ewmh_init_atoms(connection, &ewmh_);
        ready_ = xcb_ewmh_init_atoms_replies(&ewmh_, cookies, nullptr) != 0;
    }
    ~Ewmh() {
        if (ready_)
            xcb_ewmh_connection_wipe(&ewmh_);
    }
    Ewmh(const Ewmh&) = delete;
    Ewmh& operator=(const Ewmh&) = delete;

    bool ready() const { return ready_; }
    xcb_ewmh_connection_t* get() { return &ewmh_; }

private:
    xcb_ewmh_connection_t ewmh_{};
    bool ready_ = false;
};

// A window list property; empty when the property is missing or not a window list.
std::vector<std::uint32_t> windowList(Ewmh& ewmh, xcb_get_property_cookie_t cookie) {
    xcb_ewmh_get_windows_reply_t reply;
    if (!xcb_ewmh_get_windows_reply(ewmh.get(), cookie, &reply, nullptr))
        return {};
    std::vector<std::uint32_t> windows(reply.windows, reply.windows + reply.windows_len);
    xcb_ewmh_get_windows_reply_wipe(&reply);
    return windows;
}

std::optional<std::uint32_t> cardinal(Ewmh& ewmh, xcb_get_property_cookie_t cookie) {
    std::uint32_t value = 0;
    if (!xcb_ewmh_get_cardinal_reply(ewmh.get(), cookie, &value, nullptr))
        return std::nullopt;
    return value;
}

// The managed windows whose _NET_WM_PID is `pid`, in _NET_CLIENT_LIST order. All property requests
// go out before the first reply is awaited, so this costs one round trip however many windows
// there are.
std::vector<std::uint32_t> windowsOfPid(Ewmh& ewmh, const std::vector<std::uint32_t>& clients,
                                        std::uint32_t pid) {
    std::vector<xcb_get_property_cookie_t> cookies;
    cookies.reserve(clients.size());
    for (std::uint32_t window : clients)
        cookies.push_back(xcb_ewmh_get_wm_pid(ewmh.get(), window));

    std::vector<std::uint32_t> windows;
    for (std::size_t i = 0; i < clients.size(); ++i) {
        if (cardinal(ewmh, cookies[i]) == pid)
            windows.push_back(clients[i]);
    }
    return windows;
}

// Waits until the server has handled every request sent so far, so nothing is lost with the
// connection when the process exits right after.
void sync(xcb_connection_t* connection) {
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

} // namespace

bool activateApplication(int pid) {
    if (pid < 1)
        return false;

    int screen = 0;
    Connection connection(xcb_connect(nullptr, &screen));
    if (xcb_connection_has_error(connection.get()))
        return false;

    Ewmh ewmh(connection.get());
    if (!ewmh.ready() || screen < 0 || screen >= ewmh.get()->nb_screens)
        return false;

    const xcb_get_property_cookie_t clientsCookie = xcb_ewmh_get_client_list(ewmh.get(), screen);
    const xcb_get_property_cookie_t stackingCookie =
        xcb_ewmh_get_client_list_stacking(ewmh.get(), screen);
    const xcb_get_property_cookie_t desktopCookie =
        xcb_ewmh_get_current_desktop(ewmh.get(), screen);
    const std::vector<std::uint32_t> clients = windowList(ewmh, clientsCookie);
    const std::vector<std::uint32_t> stacking = windowList(ewmh, stackingCookie);
    std::optional<std::uint32_t> currentDesktop = cardinal(ewmh, desktopCookie);

    const std::vector<std::uint32_t> windows =
        windowsOfPid(ewmh, clients, static_cast<std::uint32_t>(pid));
    if (windows.empty())
        return false;

    const std::vector<std::uint32_t> ordered = activationOrder(windows, stacking);
    std::vector<xcb_get_property_cookie_t> desktopCookies;
    desktopCookies.reserve(ordered.size());
    for (std::uint32_t window : ordered)
        desktopCookies.push_back(xcb_ewmh_get_wm_desktop(ewmh.get(), window));

    for (std::size_t i = 0; i < ordered.size(); ++i) {
        const std::uint32_t window = ordered[i];
        const std::optional<std::uint32_t> desktop = cardinal(ewmh, desktopCookies[i]);
        if (desktop && *desktop != allDesktops && currentDesktop && *desktop != *currentDesktop) {
            xcb_ewmh_request_change_current_desktop(ewmh.get(), screen, *desktop, XCB_CURRENT_TIME);
            currentDesktop = desktop;
        }
        // A minimised window is unmapped; the map request reaches the window manager, which
        // restores it. For a window that is already mapped the request does nothing.
        xcb_map_window(connection.get(), window);
        // Source "other" marks the request as coming from a pager, i.e. from the user, which
        // window managers honour even while another application holds the focus.
        xcb_ewmh_request_change_active_window(ewmh.get(), screen, window,
                                              XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER, XCB_CURRENT_TIME,
                                              XCB_WINDOW_NONE);
    }
    sync(connection.get());
    return true;
}

} // namespace velmo::activate
