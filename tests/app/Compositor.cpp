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

// Appends what fd holds to into; closes fd at its end.
void ReadFrom(const pollfd& p, int& fd, std::string& into) {
  if (fd < 0 || !(p.revents & (POLLIN | POLLHUP | POLLERR))) return;
  char buffer[65536];
  ssize_t n = read(fd, buffer, sizeof buffer);
  if (n > 0) {
    into.append(buffer, static_cast<size_t>(n));
  } else if (n == 0) {
    close(fd);
    fd = -1;
  }
}

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

Child::Child(const std::vector<std::string>& args, const EnvChanges& env) {
  std::vector<std::string> envStrings;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    if (!env.count(entry.substr(0, entry.find('=')))) envStrings.push_back(entry);
  }
  for (const auto& [name, value] : env)
    if (value) envStrings.push_back(name + "=" + *value);
  std::vector<std::string> argStrings(args);
  std::vector<char*> argv, envp;
  for (auto& s : argStrings)
    argv.push_back(s.data());
  argv.push_back(nullptr);
  for (auto& s : envStrings)
    envp.push_back(s.data());
  envp.push_back(nullptr);

  int out[2], err[2];
  if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) throw std::runtime_error("pipe2");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  // Default signal handling and an empty mask, whatever the test runner's are.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t defaults, none;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGTERM);
  sigaddset(&defaults, SIGPIPE);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  int failed = posix_spawnp(&pid_, argv[0], &actions, &attr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  close(out[1]);
  close(err[1]);
  outFd_ = out[0];
  errFd_ = err[0];
  if (failed != 0) {
    pid_ = -1;
    ended_ = true;
    err_ = std::string("cannot start ") + args[0] + ": " + std::strerror(failed);
  }
}

Child::~Child() {
  if (pid_ > 0 && !ended_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, &status_, 0);
  }
  if (outFd_ >= 0) close(outFd_);
  if (errFd_ >= 0) close(errFd_);
}

bool Child::Running() {
  if (!ended_ && waitpid(pid_, &status_, WNOHANG) == pid_) {
    ended_ = true;
    // What it wrote before its end is still in the pipes (unless a child of its own holds them).
    auto deadline = Clock::now() + 1s;
    while ((outFd_ >= 0 || errFd_ >= 0) && Clock::now() < deadline)
      Drain(10);
  }
  return !ended_;
}

bool Child::WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  auto deadline = Clock::now() + timeout;
  while (Running()) {
    if (done()) return true;
    if (Clock::now() >= deadline) return false;
    Drain(5);
  }
  return done();
}

bool Child::WaitForExit(std::chrono::milliseconds timeout) {
  WaitUntil([] { return false; }, timeout);
  return !Running();
}

int Child::ExitStatus() const {
  return ended_ && pid_ > 0 && WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
}

void Child::Drain(int timeoutMs) {
  pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
  if (poll(fds, 2, timeoutMs) <= 0) return;
  ReadFrom(fds[0], outFd_, out_);
  ReadFrom(fds[1], errFd_, err_);
}

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
