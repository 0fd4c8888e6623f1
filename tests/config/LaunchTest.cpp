#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "config/AppSettings.h"
#include "config/SettingsCommand.h"
#include "platform/Process.h"
#include "platform/UniqueFd.h"
#include "support/TestSupport.h"

namespace kivu {
namespace {

using test::FileExists;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// Waits until the process pid has ended and been reaped, which its descriptor tells by a hang-up.
bool WaitUntilReaped(pid_t pid, int timeoutMs = 10000) {
  UniqueFd process(static_cast<int>(syscall(SYS_pidfd_open, pid, 0)));
  if (!process) return errno == ESRCH;  // reaped already
  pollfd fd{process.Get(), 0, 0};
  return poll(&fd, 1, timeoutMs) > 0 && (fd.revents & POLLHUP) != 0;
}

class Launch : public ::testing::Test {
 protected:
  // An executable script at name in the temporary folder, which writes what body prints into "mark".
  std::string Script(const std::string& name, const std::string& body) {
    std::string path = dir_ / name;
    WriteFile(path, "#!/bin/sh\n{ " + body + "; } > '" + dir_.Path() + "mark.tmp'\nmv '" + dir_.Path() +
                        "mark.tmp' '" + dir_.Path() + "mark'\n");
    EXPECT_EQ(chmod(path.c_str(), 0755), 0);
    return path;
  }
  std::string Mark() {
    EXPECT_TRUE(test::WaitForFile(dir_.Path(), "mark"));
    return ReadFile(dir_ / "mark");
  }

  TempDir dir_;
};

TEST_F(Launch, TheProgramGetsOnlyItsPathAndKivusEnvironment) {
  setenv("KIVU_LAUNCH_PROBE", "inherited", 1);
  std::string path = Script("navit", R"(echo "$#|$0|$KIVU_LAUNCH_PROBE")");
  ASSERT_TRUE(LaunchProgram(path));
  EXPECT_EQ(Mark(), "0|" + path + "|inherited\n");
}

TEST_F(Launch, APathWithShellCharactersIsStartedAsItStands) {
  std::string path = Script("nav it;touch pwned $(id)", "echo started");
  ASSERT_TRUE(LaunchProgram(path));
  EXPECT_EQ(Mark(), "started\n");
}

TEST_F(Launch, ARelativePathIsStartedFromTheCurrentFolderByItsAbsolutePathEvenWhenItLooksLikeAnOption) {
  Script("-x", R"(echo "$0")");
  char old[4096];
  ASSERT_NE(getcwd(old, sizeof old), nullptr);
  ASSERT_EQ(chdir(dir_.Path().c_str()), 0);
  bool started = LaunchProgram("-x");
  ASSERT_EQ(chdir(old), 0);
  ASSERT_TRUE(started);
  // The shell ran the script as a file (an option "-x" would have read its commands from standard input).
  EXPECT_EQ(Mark(), dir_.Path() + "-x\n");
}

TEST_F(Launch, DescriptorsBeyondStandardErrorStayWithKivu) {
  WriteFile(dir_ / "lock", "");
  UniqueFd held(open((dir_ / "lock").c_str(), O_RDONLY));  // without close-on-exec, as a careless open is
  ASSERT_TRUE(held);
  UniqueFd high(dup2(held.Get(), 200));
  ASSERT_TRUE(high);
  std::string path = Script("navit", "if [ -e /proc/$$/fd/200 ]; then echo inherited; else echo closed; fi");
  ASSERT_TRUE(LaunchProgram(path));
  EXPECT_EQ(Mark(), "closed\n");
}

TEST_F(Launch, TheEndedProgramLeavesNoZombieBehind) {
  std::string path = Script("navit", "echo $$");
  ASSERT_TRUE(LaunchProgram(path));
  std::string pid = Mark();
  ASSERT_FALSE(pid.empty());
  pid.pop_back();
  // Reaping happens in the background when the script ends.
  EXPECT_TRUE(WaitUntilReaped(std::stoi(pid)));
  EXPECT_FALSE(FileExists("/proc/" + pid)) << "process " << pid << " still there";
}

TEST_F(Launch, WhatCannotRunIsRefusedWithoutStartingAnything) {
  EXPECT_FALSE(LaunchProgram(""));
  EXPECT_FALSE(LaunchProgram(dir_ / "missing"));
  EXPECT_FALSE(LaunchProgram(dir_.Path()));
  std::string plain = Script("plain", "echo plain");
  ASSERT_EQ(chmod(plain.c_str(), 0644), 0);
  EXPECT_FALSE(LaunchProgram(plain));
  ASSERT_EQ(mkfifo((dir_ / "pipe").c_str(), 0755), 0);
  EXPECT_FALSE(LaunchProgram(dir_ / "pipe"));
  // Executable, but no kernel format and no "#!": no shell steps in.
  WriteFile(dir_ / "bare", "echo ran > '" + dir_.Path() + "mark'\n");
  ASSERT_EQ(chmod((dir_ / "bare").c_str(), 0755), 0);
  EXPECT_FALSE(LaunchProgram(dir_ / "bare"));
  EXPECT_FALSE(FileExists(dir_ / "mark"));
}

TEST_F(Launch, TheNavigatorCommandExplainsAMissingProgramAndStartsAPresentOne) {
  std::vector<std::string> shown;
  auto show = [&shown](const std::string& text) { shown.push_back(text); };
  EXPECT_FALSE(RunNavigator(kDefaultNavigationPath, show));
  EXPECT_FALSE(RunNavigator("", show));
  EXPECT_EQ(shown, (std::vector<std::string>{"To set the Navigator:\nFrom Settings->Navigator->Browse.",
                                             "To set the Navigator:\nFrom Settings->Navigator->Browse."}));
  shown.clear();
  EXPECT_TRUE(RunNavigator(Script("navit", "echo navigating"), show));
  EXPECT_EQ(Mark(), "navigating\n");
  EXPECT_TRUE(shown.empty());
}

}  // namespace
}  // namespace kivu
