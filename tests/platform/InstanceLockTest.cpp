#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/InstanceLock.h"
#include "support/TestSupport.h"

namespace kivu {
namespace {

// Whether another process can take the lock in folder now (the lock is per open file, so a child
// process stands for a second copy of Kivu).
InstanceLock::Result AcquireInAnotherProcess(const std::string& folder) {
  pid_t child = fork();
  if (child == 0) {
    InstanceLock lock;
    _exit(static_cast<int>(lock.Acquire(folder)));
  }
  int status = 0;
  waitpid(child, &status, 0);
  return static_cast<InstanceLock::Result>(WEXITSTATUS(status));
}

TEST(InstanceLocks, SecondCopyFindsTheLockHeldUntilTheFirstLetsGo) {
  test::TempDir dir;
  {
    InstanceLock first;
    ASSERT_EQ(first.Acquire(dir.Path()), InstanceLock::Result::Acquired);
    EXPECT_EQ(AcquireInAnotherProcess(dir.Path()), InstanceLock::Result::HeldElsewhere);
  }
  EXPECT_EQ(AcquireInAnotherProcess(dir.Path()), InstanceLock::Result::Acquired);
}

TEST(InstanceLocks, MissingFolderFails) {
  InstanceLock lock;
  EXPECT_EQ(lock.Acquire("/nonexistent/folder/"), InstanceLock::Result::Failed);
  EXPECT_EQ(lock.Acquire(""), InstanceLock::Result::Failed);
  EXPECT_FALSE(lock.IsHeld());
}

TEST(RuntimeFolders, XdgRuntimeDirWinsElseAPrivateTmpFolder) {
  test::TempDir dir;
  const char* saved = getenv("XDG_RUNTIME_DIR");
  std::string previous = saved ? saved : "";
  setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
  EXPECT_EQ(RuntimeFolder(), dir.Path());
  setenv("XDG_RUNTIME_DIR", "relative/path", 1);
  std::string fallback = RuntimeFolder();
  EXPECT_EQ(fallback, "/tmp/kivu-" + std::to_string(getuid()) + "/");
  // Another user's, as sudo passes it on, or one that others may enter, is not ours.
  setenv("XDG_RUNTIME_DIR", "/", 1);
  EXPECT_EQ(RuntimeFolder(), fallback);
  struct stat st;
  ASSERT_EQ(stat(fallback.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  if (saved) {
    setenv("XDG_RUNTIME_DIR", previous.c_str(), 1);
  } else {
    unsetenv("XDG_RUNTIME_DIR");
  }
}

}  // namespace
}  // namespace kivu
