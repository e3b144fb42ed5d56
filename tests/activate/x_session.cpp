#include "x_session.h"

#include <cstdlib>
#include <cstring>
#include <thread>

namespace velmo::activate::test {

namespace {

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

} // namespace

std::unique_ptr<XSession> XSession::connect(const std::string& display) {
    int screen = 0;
    xcb_connection_t* connection =
        xcb_connect(display.empty() ? nullptr : display.c_str(), &screen);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return nullptr;
    }
    return std::unique_ptr<XSession>(new XSession(connection, screen));
}

XSession::XSession(xcb_connection_t* connection, int screen)
    : connection_(connection), screen_(screen) {
    ewmhReady_ =
        xcb_ewmh_init_atoms_replies(&ewmh_, xcb_ewmh_init_atoms(connection_, &ewmh_), nullptr);
    wmState_ = internAtom(connection_, "WM_STATE");
    wmChangeState_ = internAtom(connection_, "WM_CHANGE_STATE");
}

XSession::~XSession() {
    if (ewmhReady_)
        xcb_ewmh_connection_wipe(&ewmh_);
    xcb_disconnect(connection_);
}

std::optional<std::uint32_t> XSession::cardinal(xcb_get_property_cookie_t cookie) {
    std::uint32_t value = 0;
    if (!xcb_ewmh_get_cardinal_reply(&ewmh_, cookie, &value, nullptr))
        return std::nullopt;
    return value;
}

std::vector<std::uint32_t> XSession::windows(xcb_get_property_cookie_t cookie) {
    xcb_ewmh_get_windows_reply_t reply;
    if (!xcb_ewmh_get_windows_reply(&ewmh_, cookie, &reply, nullptr))
        return {};
    std::vector<std::uint32_t> result(reply.windows, reply.windows + reply.windows_len);
    xcb_ewmh_get_windows_reply_wipe(&reply);
    return result;
}

bool XSession::hasWindowManager() {
    if (!ewmhReady_)
        return false;
    xcb_ewmh_get_windows_reply_t reply;
    if (!xcb_ewmh_get_windows_reply(&ewmh_, xcb_ewmh_get_client_list(&ewmh_, screen_), &reply,
                                    nullptr))
        return false;
    xcb_ewmh_get_windows_reply_wipe(&reply);
    return true;
}

std::optional<std::uint32_t> XSession::activeWindow() {
    xcb_window_t window = XCB_WINDOW_NONE;
    if (!xcb_ewmh_get_active_window_reply(&ewmh_, xcb_ewmh_get_active_window(&ewmh_, screen_),
                                          &window, nullptr))
        return std::nullopt;
    return window;
}

std::vector<std::uint32_t> XSession::clientList() {
    return windows(xcb_ewmh_get_client_list(&ewmh_, screen_));
}

std::vector<std::uint32_t> XSession::stacking() {
    return windows(xcb_ewmh_get_client_list_stacking(&ewmh_, screen_));
}

std::optional<std::uint32_t> XSession::currentDesktop() {
    return cardinal(xcb_ewmh_get_current_desktop(&ewmh_, screen_));
}

std::optional<std::uint32_t> XSession::numberOfDesktops() {
    return cardinal(xcb_ewmh_get_number_of_desktops(&ewmh_, screen_));
}

std::optional<std::uint32_t> XSession::desktopOf(std::uint32_t window) {
    return cardinal(xcb_ewmh_get_wm_desktop(&ewmh_, window));
}

std::optional<std::uint32_t> XSession::wmState(std::uint32_t window) {
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, window, wmState_, wmState_, 0, 2), nullptr);
    std::optional<std::uint32_t> state;
    if (reply && reply->format == 32 && xcb_get_property_value_length(reply) >= 4) {
        std::uint32_t value = 0;
        std::memcpy(&value, xcb_get_property_value(reply), sizeof value);
        state = value;
    }
    std::free(reply);
    return state;
}

bool XSession::isViewable(std::uint32_t window) {
    xcb_get_window_attributes_reply_t* reply = xcb_get_window_attributes_reply(
        connection_, xcb_get_window_attributes(connection_, window), nullptr);
    const bool viewable = reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(reply);
    return viewable;
}

void XSession::activate(std::uint32_t window) {
    xcb_ewmh_request_change_active_window(&ewmh_, screen_, window,
                                          XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER, XCB_CURRENT_TIME,
                                          XCB_WINDOW_NONE);
    sync();
}

void XSession::iconify(std::uint32_t window) {
    // ICCCM 4.1.4: ask for IconicState with WM_CHANGE_STATE sent to the root window.
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = wmChangeState_;
    message.data.data32[0] = 3;
    xcb_send_event(connection_, 0, ewmh_.screens[screen_]->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    sync();
}

void XSession::moveToDesktop(std::uint32_t window, std::uint32_t desktop) {
    xcb_ewmh_request_change_wm_desktop(&ewmh_, screen_, window, desktop,
                                       XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER);
    sync();
}

void XSession::switchToDesktop(std::uint32_t desktop) {
    xcb_ewmh_request_change_current_desktop(&ewmh_, screen_, desktop, XCB_CURRENT_TIME);
    sync();
}

void XSession::sync() {
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

} // namespace velmo::activate::test
