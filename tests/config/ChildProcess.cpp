#include "ChildProcess.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace kivu::test {

ChildOutcome RunInChild(const std::function<int()>& body) {
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) _exit(body());
  ChildOutcome outcome;
  if (pid < 0) return outcome;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  if (WIFEXITED(status)) {
    outcome.exited = true;
    outcome.code = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    outcome.signal = WTERMSIG(status);
  }
  return outcome;
}

ChildOutcome RunUnprivileged(const std::function<int()>& body) {
  return RunInChild([&body] {
    if (geteuid() == 0) {
      const gid_t nobody = 65534;
      if (setgroups(0, nullptr) != 0 || setgid(nobody) != 0 || setuid(nobody) != 0)
        return kCannotDropPrivileges;
      if (geteuid() == 0) return kCannotDropPrivileges;
    }
    return body();
  });
}

}  // namespace kivu::test
