#include "support/ChildProgram.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace kivu::test {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

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

void Child::Signal(int sig) const {
  if (pid_ > 0 && !ended_) kill(pid_, sig);
}

std::string Child::Describe() const {
  std::ostringstream text;
  if (!ended_) {
    text << "still running";
  } else if (pid_ <= 0) {
    text << "not started";
  } else if (WIFSIGNALED(status_)) {
    text << "killed by signal " << WTERMSIG(status_);
  } else {
    text << "exit status " << WEXITSTATUS(status_);
  }
  text << "; standard error:\n" << err_;
  return text.str();
}

}  // namespace kivu::test
