// A stand-in application for the activation tests: maps `count` top-level windows (1 unless the
// first argument says otherwise), labelled the way real applications label theirs, prints each
// window's id in decimal on its own line once the server has them, and stays until killed or
// until its display goes away.

#include <xcb/xcb.h>

#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return result;
}

void setText(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property,
             const std::string& text) {
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, property, XCB_ATOM_STRING, 8,
                        text.size(), text.data());
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 1;
    if (count < 1)
        return 2;

    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection))
        return 1;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    const xcb_screen_t* screen = screens.data;

    const xcb_atom_t netWmPid = atom(connection, "_NET_WM_PID");
    const xcb_atom_t wmClientMachine = atom(connection, "WM_CLIENT_MACHINE");
    char host[HOST_NAME_MAX + 1] = {};
    gethostname(host, sizeof host - 1);
    const std::uint32_t pid = static_cast<std::uint32_t>(getpid());
    // WM_CLASS is two NUL-terminated strings: instance name, then class name.
    const std::string wmClass("velmo-test-window\0VelmoTestWindow\0", 34);
    // WM_HINTS with only the input flag set: the window takes focus when the manager gives it.
    const std::uint32_t wmHints[9] = {1, 1, 0, 0, 0, 0, 0, 0, 0};

    std::vector<xcb_window_t> windows;
    for (int i = 0; i < count; ++i) {
        const xcb_window_t window = xcb_generate_id(connection);
        const std::uint32_t values[] = {screen->white_pixel};
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root,
                          static_cast<int16_t>(40 * i), static_cast<int16_t>(40 * i), 320, 200, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL,
                          values);
        setText(connection, window, XCB_ATOM_WM_NAME, "Velmo test window " + std::to_string(i));
        setText(connection, window, XCB_ATOM_WM_CLASS, wmClass);
        setText(connection, window, wmClientMachine, host);
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, netWmPid, XCB_ATOM_CARDINAL,
                            32, 1, &pid);
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_HINTS,
                            XCB_ATOM_WM_HINTS, 32, 9, wmHints);
        xcb_map_window(connection, window);
        windows.push_back(window);
    }
    // A round trip, so the windows exist on the server before anyone is told about them.
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    for (xcb_window_t window : windows)
        std::printf("%u\n", window);
    std::fflush(stdout);

    while (xcb_generic_event_t* event = xcb_wait_for_event(connection))
        std::free(event);
    xcb_disconnect(connection);
    return 0;
}
