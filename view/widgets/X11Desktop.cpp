#include "view/widgets/X11Desktop.h"

#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>
#include <cstdlib>
#include <memory>

namespace kivu {

namespace {

struct FreeReply {
  void operator()(void* reply) const { std::free(reply); }
};

xcb_atom_t Atom(xcb_connection_t* connection, const char* name, std::size_t length) {
  std::unique_ptr<xcb_intern_atom_reply_t, FreeReply> atom(xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 1, static_cast<uint16_t>(length), name), nullptr));
  return atom ? atom->atom : XCB_NONE;
}

// The window a property of type WINDOW names, or XCB_NONE.
xcb_window_t WindowProperty(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property) {
  xcb_get_property_cookie_t cookie = xcb_get_property(connection, 0, window, property, XCB_ATOM_WINDOW, 0, 1);
  std::unique_ptr<xcb_get_property_reply_t, FreeReply> reply(
      xcb_get_property_reply(connection, cookie, nullptr));
  if (!reply || reply->type != XCB_ATOM_WINDOW || xcb_get_property_value_length(reply.get()) < 4)
    return XCB_NONE;
  return *static_cast<xcb_window_t*>(xcb_get_property_value(reply.get()));
}

std::string TextProperty(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property) {
  xcb_get_property_cookie_t cookie =
      xcb_get_property(connection, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 64);
  std::unique_ptr<xcb_get_property_reply_t, FreeReply> reply(
      xcb_get_property_reply(connection, cookie, nullptr));
  if (!reply || reply->format != 8) return "";
  return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                     static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
}

}  // namespace

xcb_connection_t* X11Connection() {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 ? x11->connection() : nullptr;
}

std::string X11WindowManagerName() {
  xcb_connection_t* connection = X11Connection();
  if (!connection) return "";
  static const char kCheck[] = "_NET_SUPPORTING_WM_CHECK";
  static const char kName[] = "_NET_WM_NAME";
  const xcb_atom_t check = Atom(connection, kCheck, sizeof kCheck - 1);
  if (check == XCB_NONE) return "";
  // A window manager leaves a window of its own on the root, which names itself again; a manager that
  // ended leaves the root's property behind but not its window.
  for (xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection)); it.rem;
       xcb_screen_next(&it)) {
    xcb_window_t window = WindowProperty(connection, it.data->root, check);
    if (window == XCB_NONE || WindowProperty(connection, window, check) != window) continue;
    std::string name = TextProperty(connection, window, Atom(connection, kName, sizeof kName - 1));
    return name.empty() ? "unnamed" : name;
  }
  return "";
}

}  // namespace kivu
