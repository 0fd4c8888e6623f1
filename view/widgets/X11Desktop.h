// The X11 desktop around Kivu, where Kivu runs on Qt's X11 platform: the connection and the window
// manager that runs there.
#pragma once

#include <string>

struct xcb_connection_t;

namespace kivu {

// Qt's X11 connection, or null where Kivu does not run on X11.
xcb_connection_t* X11Connection();

// The name the running window manager gives itself ("Openbox"), "" where none runs or Kivu does not run on
// X11. A manager that gives no name is "unnamed".
std::string X11WindowManagerName();

}  // namespace kivu
