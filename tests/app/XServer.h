// A virtual X server (Xvfb) of a given screen size on a display number it picks itself, optionally with
// the openbox window manager, for the tests that need a real window system. Both end with the object.
#pragma once

#include <sys/types.h>

#include <string>

namespace kivu::test {

class XServer {
 public:
  // Starts Xvfb with one screen of width x height and, with windowManager, openbox on it; returns once
  // both are ready. Ready() is false, with Error() saying why, when either could not be started.
  XServer(int width, int height, bool windowManager);
  ~XServer();
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

  bool Ready() const { return error_.empty(); }
  const std::string& Error() const { return error_; }
  // ":N", for DISPLAY.
  const std::string& Display() const { return display_; }

 private:
  bool StartServer(int width, int height);
  bool StartWindowManager();

  pid_t server_ = -1;
  pid_t windowManager_ = -1;
  std::string display_;
  std::string folder_;
  std::string error_;
};

}  // namespace kivu::test
