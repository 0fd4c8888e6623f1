// A Wayland compositor of the test's own for the tests that need real Wayland windows: sway headless
// (a desktop's tiling compositor) or cage headless (the kiosk compositor, showing one program), on a
// runtime folder of its own, with the programs that look at it and type into it (swaymsg, grim, wtype).
// Everything it starts ends with the object.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/ChildProgram.h"
#include "support/TestSupport.h"

namespace kivu::test {

// An RGB picture of the screen, as grim takes it.
struct Screenshot {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;  // 3 bytes a pixel, rows top first
  bool Holds(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
  unsigned Pixel(int x, int y) const {  // 0xRRGGBB
    const unsigned char* p = &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
    return unsigned(p[0]) << 16 | unsigned(p[1]) << 8 | p[2];
  }
};

class Compositor {
 public:
  // sway headless with one output of width x height and configLines after its own few (no bar, no
  // Xwayland); returns once sway runs its configuration's commands.
  static Compositor Sway(int width, int height, const std::string& configLines);
  // cage headless showing the program args (its first one found on PATH) started with env; returns once
  // cage takes connections.
  static Compositor Cage(const std::vector<std::string>& args, const EnvChanges& env);
  Compositor(Compositor&&) = default;
  Compositor& operator=(Compositor&&) = default;
  ~Compositor();

  bool Ready() const { return error_.empty(); }
  const std::string& Error() const { return error_; }
  // What a client of this compositor needs in its environment: XDG_RUNTIME_DIR, WAYLAND_DISPLAY (and
  // SWAYSOCK, as sway gives its own programs), no DISPLAY.
  EnvChanges ClientEnv() const;
  const std::string& RuntimeFolder() const { return runtime_->Path(); }
  // The compositor's socket as a full path, for a client with a runtime folder of its own.
  std::string SocketPath() const { return runtime_->Path() + display_; }
  // The compositor itself, whose output holds that of the program cage shows.
  Child& Process() { return *compositor_; }

  // Runs a client program to its end and returns its standard output ("" after a failure, with the
  // reason in Error()).
  std::string Run(const std::vector<std::string>& args);
  // swaymsg -t get_tree, as JSON.
  std::string Tree() { return Run({"swaymsg", "-r", "-t", "get_tree"}); }
  // The whole output, through grim.
  std::optional<Screenshot> Grab();
  // Sends keys (wtype's arguments: "s", or "-k", "Escape").
  bool Type(const std::vector<std::string>& keys);
  // Keeps a keyboard on the seat from now on, so that clients that start later have one from the start,
  // and keys typed later do not wait for a client to take a new keyboard.
  bool HoldKeyboard();
  // Checks again and again, until check holds or timeout passes, for what no program announces (a window
  // mapped, focused or gone; a picture on the screen): after each failed check it waits for sway's next
  // window event, or a tenth of a second for what makes none.
  bool Eventually(const std::function<bool()>& check, std::chrono::milliseconds timeout);

 private:
  Compositor();
  // Finds the compositor's sockets in its runtime folder once ready names a file there.
  bool FindSockets(const std::string& ready);

  std::unique_ptr<TempDir> runtime_;
  std::unique_ptr<Child> compositor_;
  std::unique_ptr<Child> keyboard_;
  std::unique_ptr<Child> windowEvents_;
  std::string display_;
  std::string swaySocket_;
  std::string error_;
};

}  // namespace kivu::test
