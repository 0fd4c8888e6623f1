// A program started by a test as a child process, its standard output and error caught through pipes.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kivu::test {

// Changes to the test's own environment for a child: a value sets the variable, nullopt removes it.
using EnvChanges = std::map<std::string, std::optional<std::string>>;

// A program started as a child, its standard output and error caught. Killed and reaped with the object
// when still running.
class Child {
 public:
  Child(const std::vector<std::string>& args, const EnvChanges& env);
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t Pid() const { return pid_; }
  void Signal(int sig) const;
  bool Started() const { return pid_ > 0; }
  // True while the child has not ended; reaps it when it has.
  bool Running();
  // Waits until done() holds, reading the output meanwhile; false when the time-out passes or the child
  // ends first.
  bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
  // Waits until the child ends; false when the time-out passes first.
  bool WaitForExit(std::chrono::milliseconds timeout);
  // The exit status, or -1 when the child has not ended through exit.
  int ExitStatus() const;
  // How it stands (running, its exit status or signal) and its standard error, for a failure message.
  std::string Describe() const;
  const std::string& Out() const { return out_; }
  const std::string& Err() const { return err_; }

 private:
  void Drain(int timeoutMs);

  pid_t pid_ = -1;
  int outFd_ = -1;
  int errFd_ = -1;
  bool ended_ = false;
  int status_ = 0;
  std::string out_;
  std::string err_;
};

}  // namespace kivu::test
