#include "app/XServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/UniqueFd.h"

extern char** environ;

namespace kivu::test {

namespace {

constexpr int kReadyTimeoutMs = 15000;

// Spawns args[0] found on PATH, with fd (when not -1) as its descriptor 3 and extra variables set.
pid_t Spawn(std::vector<std::string> args, int fd, const std::vector<std::string>& extraEnv) {
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (std::string& arg : args)
    argv.push_back(arg.data());
  argv.push_back(nullptr);
  std::vector<std::string> envStrings(extraEnv);
  for (char** e = environ; *e; ++e)
    envStrings.emplace_back(*e);
  std::vector<char*> envp;
  envp.reserve(envStrings.size() + 1);
  for (std::string& entry : envStrings)
    envp.push_back(entry.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (fd >= 0) posix_spawn_file_actions_adddup2(&actions, fd, 3);
  int devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
  // Their chatter; and should the test die, no server or window manager it leaves behind holds the
  // output that the test runner waits on.
  if (devNull >= 0) {
    posix_spawn_file_actions_adddup2(&actions, devNull, 1);
    posix_spawn_file_actions_adddup2(&actions, devNull, 2);
  }
  pid_t pid = -1;
  int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (devNull >= 0) close(devNull);
  return failed == 0 ? pid : -1;
}

// Reads what comes on fd until a line feed, waiting at most kReadyTimeoutMs; "" on a time-out or end.
std::string ReadLine(int fd) {
  std::string line;
  while (line.empty() || line.back() != '\n') {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, kReadyTimeoutMs) <= 0) return "";
    char c;
    ssize_t n = read(fd, &c, 1);
    if (n < 0 && errno == EAGAIN) continue;
    if (n <= 0) return "";
    line += c;
  }
  line.pop_back();
  return line;
}

void Stop(pid_t& pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  int status;
  waitpid(pid, &status, 0);
  pid = -1;
}

}  // namespace

XServer::XServer(int width, int height, bool windowManager) {
  char folder[] = "/tmp/kivu-x-XXXXXX";
  if (!mkdtemp(folder)) {
    error_ = "mkdtemp failed";
    return;
  }
  folder_ = folder;
  if (StartServer(width, height) && windowManager) StartWindowManager();
}

XServer::~XServer() {
  Stop(windowManager_);
  Stop(server_);
  if (!folder_.empty()) {
    unlink((folder_ + "/ready").c_str());
    rmdir(folder_.c_str());
  }
}

bool XServer::StartServer(int width, int height) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    error_ = "pipe2 failed";
    return false;
  }
  UniqueFd readEnd(fds[0]);
  UniqueFd writeEnd(fds[1]);
  // Xvfb picks a free display and writes its number to descriptor 3 once it takes connections.
  server_ =
      Spawn({"Xvfb", "-displayfd", "3", "-screen", "0",
             std::to_string(width) + "x" + std::to_string(height) + "x24", "-nolisten", "tcp", "-noreset"},
            writeEnd.Get(), {});
  writeEnd = UniqueFd();
  if (server_ < 0) {
    error_ = "cannot start Xvfb (is the xvfb package installed?)";
    return false;
  }
  std::string number = ReadLine(readEnd.Get());
  if (number.empty()) {
    error_ = "Xvfb did not tell its display";
    return false;
  }
  display_ = ":" + number;
  return true;
}

bool XServer::StartWindowManager() {
  // openbox runs its start-up command once it manages the screen; the command writes into a pipe.
  std::string ready = folder_ + "/ready";
  if (mkfifo(ready.c_str(), 0600) != 0) {
    error_ = "mkfifo failed";
    return false;
  }
  UniqueFd readEnd(open(ready.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  windowManager_ = Spawn({"openbox", "--sm-disable", "--startup", "sh -c 'echo ready > " + ready + "'"}, -1,
                         {"DISPLAY=" + display_});
  if (windowManager_ < 0) {
    error_ = "cannot start openbox (is the openbox package installed?)";
    return false;
  }
  if (ReadLine(readEnd.Get()) != "ready") {
    error_ = "openbox did not start";
    return false;
  }
  return true;
}

}  // namespace kivu::test
