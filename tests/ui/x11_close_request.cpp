// x11-close-request WINDOW: asks the X window WINDOW, on the display DISPLAY names, to close, as a window manager
// does when the title bar's × or Alt+F4 is used: a WM_PROTOCOLS message carrying WM_DELETE_WINDOW. The tests' X
// server runs no window manager to do it.

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
  const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, std::strlen(name), name);
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
  const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(reply);
  return atom;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: x11-close-request WINDOW\n");
    return 2;
  }
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(connection)) {
    std::fprintf(stderr, "x11-close-request: cannot open the display\n");
    return 1;
  }
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = static_cast<xcb_window_t>(std::strtoul(argv[1], nullptr, 0));
  message.type = Atom(connection, "WM_PROTOCOLS");
  message.data.data32[0] = Atom(connection, "WM_DELETE_WINDOW");
  message.data.data32[1] = XCB_CURRENT_TIME;
  const xcb_void_cookie_t sent = xcb_send_event_checked(connection, 0, message.window, XCB_EVENT_MASK_NO_EVENT,
                                                        reinterpret_cast<const char*>(&message));
  // Waits for the server to have handled it, or said why not.
  xcb_generic_error_t* error = xcb_request_check(connection, sent);
  if (error) std::fprintf(stderr, "x11-close-request: X error %d\n", error->error_code);
  std::free(error);
  xcb_disconnect(connection);
  return error ? 1 : 0;
}
