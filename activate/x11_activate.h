#pragma once

namespace velmo::activate {

// Asks the window manager to bring every top-level window of process `pid` to the front and to
// give it focus, even while another application is active: it switches to the window's desktop,
// restores it when minimised and activates it as a pager would. Answers whether any managed window
// belongs to `pid`; without an X display or an EWMH window manager none does. Once the requests
// have reached the server it returns without waiting to see what the window manager made of them.
bool activateApplication(int pid);

} // namespace velmo::activate
