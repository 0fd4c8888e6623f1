#include "app/Compositor.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

extern char** environ;

namespace kivu::test {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto kStartTimeout = 15s;
constexpr auto kClientTimeout = 10s;

// "P6 width height 255" and the pixels, as grim writes them.
std::optional<Screenshot> ReadPpm(const std::string& bytes) {
  Screenshot shot;
  int maxValue = 0;
  size_t at = 0;
  auto number = [&](int& value) {
    while (at < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[at])))
      ++at;
    size_t start = at;
    while (at < bytes.size() && std::isdigit(static_cast<unsigned char>(bytes[at])))
      ++at;
    if (start == at || at - start > 6) return false;
    value = std::stoi(bytes.substr(start, at - start));
    return true;
  };
  if (bytes.rfind("P6", 0) != 0) return std::nullopt;
  at = 2;
  if (!number(shot.width) || !number(shot.height) || !number(maxValue) || maxValue != 255)
    return std::nullopt;
  ++at;  // the one white space before the pixels
  const size_t size = size_t(shot.width) * size_t(shot.height) * 3;
  if (bytes.size() - at < size) return std::nullopt;
  shot.rgb.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                  bytes.begin() + static_cast<std::ptrdiff_t>(at + size));
  return shot;
}

}  // namespace

Compositor::Compositor() : runtime_(std::make_unique<TempDir>()) {
  chmod(runtime_->Path().c_str(), 0700);
}

Compositor::~Compositor() {
  // The clients first, then the compositor they hold on to.
  keyboard_.reset();
  windowEvents_.reset();
  compositor_.reset();
}

bool Compositor::FindSockets(const std::string& ready) {
  if (!ready.empty() && !FileExists(runtime_->Path() + ready)) return false;
  DIR* dir = opendir(runtime_->Path().c_str());
  if (!dir) return false;
  while (const dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    struct stat st;
    if (stat((runtime_->Path() + name).c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) continue;
    if (name.rfind("wayland-", 0) == 0) display_ = name;
    if (name.rfind("sway-ipc.", 0) == 0) swaySocket_ = runtime_->Path() + name;
  }
  closedir(dir);
  return !display_.empty();
}

Compositor Compositor::Sway(int width, int height, const std::string& configLines) {
  Compositor sway;
  const std::string config = sway.runtime_->Path() + "sway.conf";
  WriteFile(config,
            "xwayland disable\n"
            "output * resolution " +
                std::to_string(width) + "x" + std::to_string(height) + "\n" + configLines + "\nexec touch " +
                sway.runtime_->Path() + "ready\n");
  sway.compositor_ = std::make_unique<Child>(std::vector<std::string>{"sway", "-c", config},
                                             EnvChanges{{"XDG_RUNTIME_DIR", sway.runtime_->Path()},
                                                        {"WLR_BACKENDS", "headless"},
                                                        {"WLR_LIBINPUT_NO_DEVICES", "1"},
                                                        {"WLR_RENDERER", "pixman"},
                                                        {"WAYLAND_DISPLAY", std::nullopt},
                                                        {"DISPLAY", std::nullopt}});
  if (!sway.compositor_->WaitUntil([&] { return sway.FindSockets("ready") && !sway.swaySocket_.empty(); },
                                   kStartTimeout)) {
    sway.error_ = "sway did not start (is the sway package installed?): " + sway.compositor_->Err();
    return sway;
  }
  sway.windowEvents_ = std::make_unique<Child>(
      std::vector<std::string>{"swaymsg", "-m", "-r", "-t", "subscribe", "[\"window\"]"}, sway.ClientEnv());
  return sway;
}

Compositor Compositor::Cage(const std::vector<std::string>& args, const EnvChanges& env) {
  Compositor cage;
  EnvChanges all = env;
  all.insert({{"XDG_RUNTIME_DIR", cage.runtime_->Path()},
              {"WLR_BACKENDS", "headless"},
              {"WLR_LIBINPUT_NO_DEVICES", "1"},
              {"WLR_RENDERER", "pixman"},
              {"WAYLAND_DISPLAY", std::nullopt},
              {"DISPLAY", std::nullopt}});
  cage.compositor_ = std::make_unique<Child>(args, all);
  if (!cage.compositor_->WaitUntil([&] { return cage.FindSockets(""); }, kStartTimeout))
    cage.error_ = "cage did not start (is the cage package installed?): " + cage.compositor_->Err();
  return cage;
}

EnvChanges Compositor::ClientEnv() const {
  EnvChanges env{
      {"XDG_RUNTIME_DIR", runtime_->Path()}, {"WAYLAND_DISPLAY", display_}, {"DISPLAY", std::nullopt}};
  if (!swaySocket_.empty()) env["SWAYSOCK"] = swaySocket_;
  return env;
}

std::string Compositor::Run(const std::vector<std::string>& args) {
  Child client(args, ClientEnv());
  if (!client.WaitForExit(kClientTimeout) || client.ExitStatus() != 0) {
    error_ = args[0] + " failed: " + client.Err();
    return "";
  }
  return client.Out();
}

std::optional<Screenshot> Compositor::Grab() {
  const std::string file = runtime_->Path() + "screen.ppm";
  Run({"grim", "-t", "ppm", file});
  if (!FileExists(file)) return std::nullopt;
  std::optional<Screenshot> shot = ReadPpm(ReadFile(file));
  unlink(file.c_str());
  return shot;
}

bool Compositor::Type(const std::vector<std::string>& keys) {
  std::vector<std::string> args{"wtype"};
  args.insert(args.end(), keys.begin(), keys.end());
  Child typist(args, ClientEnv());
  return typist.WaitForExit(kClientTimeout) && typist.ExitStatus() == 0;
}

bool Compositor::HoldKeyboard() {
  // wtype's keyboard lives while it waits; it is ended long before the wait is over.
  keyboard_ =
      std::make_unique<Child>(std::vector<std::string>{"wtype", "-s", "3600000", "-k", "F24"}, ClientEnv());
  return keyboard_->Running();
}

bool Compositor::Eventually(const std::function<bool()>& check, std::chrono::milliseconds timeout) {
  auto deadline = Clock::now() + timeout;
  for (;;) {
    if (check()) return true;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left <= 0ms) return false;
    const auto step = std::min(left, std::chrono::milliseconds(100));
    if (windowEvents_) {
      const size_t seen = windowEvents_->Out().size();
      windowEvents_->WaitUntil([&] { return windowEvents_->Out().size() > seen; }, step);
    } else if (compositor_) {
      compositor_->WaitUntil([] { return false; }, step);
    }
  }
}

}  // namespace kivu::test
