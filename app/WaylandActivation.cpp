#include "app/WaylandActivation.h"

#include <wayland-client.h>

#include <QtGui/qpa/qplatformnativeinterface.h>
#include <QEvent>
#include <QGuiApplication>
#include <QWindow>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "xdg-activation-v1-client-protocol.h"

namespace kivu {

namespace {

QPlatformNativeInterface* Native() {
  return OnWayland() ? QGuiApplication::platformNativeInterface() : nullptr;
}

wl_display* QtDisplay() {
  QPlatformNativeInterface* native = Native();
  return native ? static_cast<wl_display*>(native->nativeResourceForIntegration("wl_display")) : nullptr;
}

// The compositor's xdg_activation_v1, bound on Qt's connection through an event queue of its own, so
// that Qt's dispatch never meets these objects and their events are read here, when asked for.
class ActivationGlobal {
 public:
  explicit ActivationGlobal(wl_display* display) : display_(display) {
    if (!display_) return;
    queue_ = wl_display_create_queue(display_);
    auto* wrapper = queue_ ? static_cast<wl_display*>(wl_proxy_create_wrapper(display_)) : nullptr;
    if (!wrapper) return;
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapper), queue_);
    registry_ = wl_display_get_registry(wrapper);
    wl_proxy_wrapper_destroy(wrapper);
    wl_registry_add_listener(registry_, &kRegistryListener, this);
    Roundtrip();
  }
  ~ActivationGlobal() {
    if (activation_) xdg_activation_v1_destroy(activation_);
    if (registry_) wl_registry_destroy(registry_);
    if (queue_) wl_event_queue_destroy(queue_);
  }
  ActivationGlobal(const ActivationGlobal&) = delete;
  ActivationGlobal& operator=(const ActivationGlobal&) = delete;

  xdg_activation_v1* Get() const { return activation_; }
  // Returns once the compositor has handled every request sent so far and its answers were read.
  bool Roundtrip() { return queue_ && wl_display_roundtrip_queue(display_, queue_) >= 0; }

 private:
  static void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    auto* self = static_cast<ActivationGlobal*>(data);
    if (!self->activation_ && std::strcmp(interface, xdg_activation_v1_interface.name) == 0)
      self->activation_ =
          static_cast<xdg_activation_v1*>(wl_registry_bind(registry, name, &xdg_activation_v1_interface, 1));
  }
  static void OnGlobalRemove(void*, wl_registry*, uint32_t) {}
  static constexpr wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

  wl_display* display_ = nullptr;
  wl_event_queue* queue_ = nullptr;
  wl_registry* registry_ = nullptr;
  xdg_activation_v1* activation_ = nullptr;
};

constexpr char kNoActivation[] = "the compositor offers no xdg-activation";

void OnTokenDone(void* data, xdg_activation_token_v1*, const char* token) {
  *static_cast<std::string*>(data) = token ? token : "";
}
constexpr xdg_activation_token_v1_listener kTokenListener = {OnTokenDone};

// Sends the activation of window's surface; empty when sent, else why not.
std::string Activate(QWindow& window, const std::string& token) {
  ActivationGlobal global(QtDisplay());
  if (!global.Get()) return kNoActivation;
  QPlatformNativeInterface* native = Native();
  auto* surface =
      native ? static_cast<wl_surface*>(native->nativeResourceForWindow("surface", &window)) : nullptr;
  if (!surface) return "the window has no surface";
  xdg_activation_v1_activate(global.Get(), token.c_str(), surface);
  global.Roundtrip();
  return {};
}

// A window shown again gets a new surface, which the compositor maps with its first picture: the token
// is used once that picture is there, after Qt has painted the exposed window.
class ActivateWhenExposed : public QObject {
 public:
  ActivateWhenExposed(QWindow& window, std::string token) : QObject(&window), token_(std::move(token)) {
    window.installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* window = qobject_cast<QWindow*>(watched);
    if (event->type() == QEvent::Expose && window && window->isExposed()) {
      window->removeEventFilter(this);
      QMetaObject::invokeMethod(
          this,
          [this, window] {
            Activate(*window, token_);
            deleteLater();
          },
          Qt::QueuedConnection);
    }
    return false;
  }

 private:
  std::string token_;
};

}  // namespace

bool OnWayland() {
  return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

bool WaylandCompositorMinimizes() {
  // Sway names its control socket to every program it starts.
  const char* sway = std::getenv("SWAYSOCK");
  return !(sway && *sway);
}

std::string TakeActivationToken(std::string& why) {
  if (const char* launcher = std::getenv("XDG_ACTIVATION_TOKEN"); launcher && *launcher) {
    std::string token = launcher;
    unsetenv("XDG_ACTIVATION_TOKEN");
    return token;
  }
  ActivationGlobal global(QtDisplay());
  if (!global.Get()) {
    why = kNoActivation;
    return {};
  }
  std::string token;
  xdg_activation_token_v1* request = xdg_activation_v1_get_activation_token(global.Get());
  xdg_activation_token_v1_add_listener(request, &kTokenListener, &token);
  xdg_activation_token_v1_commit(request);
  // The token is the compositor's answer to the commit.
  global.Roundtrip();
  xdg_activation_token_v1_destroy(request);
  if (token.empty()) why = "the compositor gave no activation token";
  return token;
}

bool ActivateWindowWithToken(QWindow& window, const std::string& token, bool mapped, std::string& why) {
  // Qt counts a window the compositor stopped drawing (a tab behind another) as not exposed: whether
  // its surface is mapped is the caller's knowledge.
  if (mapped) {
    why = Activate(window, token);
    return why.empty();
  }
  if (!ActivationGlobal(QtDisplay()).Get()) {
    why = kNoActivation;
    return false;
  }
  new ActivateWhenExposed(window, token);
  return true;
}

}  // namespace kivu
