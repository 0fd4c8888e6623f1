#include "app/X11Window.h"

#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace kivu::test {

namespace {

struct FreeReply {
  void operator()(void* reply) const { std::free(reply); }
};
template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, FreeReply>;

xcb_connection_t* Connection() {
  return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

}  // namespace

xcb_window_t X11Root() {
  return xcb_setup_roots_iterator(xcb_get_setup(Connection())).data->root;
}

xcb_atom_t X11Atom(const char* name) {
  xcb_connection_t* c = Connection();
  ReplyPtr<xcb_intern_atom_reply_t> atom(
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(strlen(name)), name), nullptr));
  return atom ? atom->atom : XCB_NONE;
}

std::vector<uint32_t> X11Property(xcb_window_t window, const char* name) {
  xcb_connection_t* c = Connection();
  ReplyPtr<xcb_get_property_reply_t> reply(xcb_get_property_reply(
      c, xcb_get_property(c, 0, window, X11Atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr));
  if (!reply || reply->format != 32) return {};
  auto* values = static_cast<uint32_t*>(xcb_get_property_value(reply.get()));
  return std::vector<uint32_t>(values, values + xcb_get_property_value_length(reply.get()) / 4);
}

X11Shown ReadX11Shown(xcb_window_t window) {
  xcb_connection_t* c = Connection();
  X11Shown shown;
  ReplyPtr<xcb_get_geometry_reply_t> geometry(
      xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
  ReplyPtr<xcb_translate_coordinates_reply_t> origin(
      xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, window, X11Root(), 0, 0), nullptr));
  if (geometry && origin)
    shown.geometry = QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
  ReplyPtr<xcb_get_window_attributes_reply_t> attributes(
      xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
  shown.viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
  std::vector<uint32_t> wmState = X11Property(window, "WM_STATE");
  shown.wmState = wmState.empty() ? 0 : wmState[0];
  std::vector<uint32_t> states = X11Property(window, "_NET_WM_STATE");
  auto has = [&](const char* name) { return std::count(states.begin(), states.end(), X11Atom(name)) > 0; };
  shown.maximized = has("_NET_WM_STATE_MAXIMIZED_HORZ") && has("_NET_WM_STATE_MAXIMIZED_VERT");
  shown.fullScreen = has("_NET_WM_STATE_FULLSCREEN");
  return shown;
}

void ActivateAsTaskbar(xcb_window_t window) {
  xcb_client_message_event_t event = {};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = window;
  event.type = X11Atom("_NET_ACTIVE_WINDOW");
  event.data.data32[0] = 2;  // the request comes from a pager or taskbar, that is from the user
  event.data.data32[1] = XCB_CURRENT_TIME;
  xcb_send_event(Connection(), 0, X11Root(),
                 XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                 reinterpret_cast<const char*>(&event));
  xcb_flush(Connection());
}

}  // namespace kivu::test
