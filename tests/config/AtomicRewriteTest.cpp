// A rewrite of the settings file, or a save of all the settings, that fails or is cut short leaves the old
// file whole.
//
// The failures are real ones made by the kernel, in a child process: a file size limit stands in for a
// full disk (the write fails) or for a crash part-way (the signal of that limit kills the writer), and
// the unprivileged user "nobody" meets the folder and file permissions that root would ignore.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "config/AppSettings.h"
#include "config/IniFile.h"
#include "platform/Diagnostics.h"
#include "support/TestSupport.h"

namespace kivu {
namespace {

using test::ChildOutcome;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

const std::string kOld = "[Settings]\r\nUNIT_SELECTION = 1\r\nRECORD_TRACK = 0\r\n";

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

mode_t ModeOf(const std::string& path) {
  struct stat st;
  EXPECT_EQ(lstat(path.c_str(), &st), 0);
  return st.st_mode;
}

// Lets the child run with a file size limit of limit bytes; past it a write fails (signalIgnored) or the
// process is killed by SIGXFSZ.
void LimitFileSize(rlim_t limit, bool signalIgnored) {
  signal(SIGXFSZ, signalIgnored ? SIG_IGN : SIG_DFL);
  struct rlimit noCore = {0, 0};
  setrlimit(RLIMIT_CORE, &noCore);
  struct rlimit size = {limit, limit};
  setrlimit(RLIMIT_FSIZE, &size);
}

class AtomicRewrite : public ::testing::Test {
 protected:
  TempDir dir_;
  std::string ini_ = dir_ / "Kivu.ini";
  // Far more than the limit the children run under.
  std::string longPath_ = "/" + std::string(8000, 'x');
};

TEST_F(AtomicRewrite, AFullDiskLeavesTheOldFileWholeAndTheWriteFails) {
  WriteFile(ini_, kOld);
  ChildOutcome child = test::RunInChild([this] {
    LimitFileSize(1024, true);
    return IniWriteString("Settings", "NAVIGATION_PATH", longPath_, ini_) ? 1 : 0;
  });
  ASSERT_TRUE(child.exited) << "signal " << child.signal;
  EXPECT_EQ(child.code, 0);
  EXPECT_EQ(ReadFile(ini_), kOld);
  EXPECT_EQ(FolderEntries(dir_.Path()), std::vector<std::string>{"Kivu.ini"});  // no temporary file left
}

TEST_F(AtomicRewrite, ASaveOfTheSettingsThatFailsLeavesEveryOldValueNotAMix) {
  WriteFile(ini_, kOld);
  AppSettings settings;
  settings.unitSelection = 0;
  settings.recordTrack = 1;
  settings.navigationPath = longPath_;  // the whole file no longer fits, its first keys would
  ChildOutcome child = test::RunInChild([&] {
    LimitFileSize(1024, true);
    return SaveAppSettings(settings, ini_) ? 1 : 0;
  });
  ASSERT_TRUE(child.exited) << "signal " << child.signal;
  EXPECT_EQ(child.code, 0);
  EXPECT_EQ(ReadFile(ini_), kOld);
  EXPECT_EQ(FolderEntries(dir_.Path()), std::vector<std::string>{"Kivu.ini"});
}

TEST_F(AtomicRewrite, AWriterKilledPartWayLeavesTheOldFileWhole) {
  WriteFile(ini_, kOld);
  ChildOutcome child = test::RunInChild([this] {
    LimitFileSize(1024, false);
    IniWriteString("Settings", "NAVIGATION_PATH", longPath_, ini_);
    return 0;
  });
  ASSERT_FALSE(child.exited);
  EXPECT_EQ(child.signal, SIGXFSZ);
  EXPECT_EQ(ReadFile(ini_), kOld);
  ASSERT_EQ(FolderEntries(dir_.Path()).size(), 2u);  // with the dead writer's temporary file
  // What the dead writer left behind does not stand in the way of the next save, which removes it. The
  // temporary file of a living writer stays, and so do files of other names.
  const std::string living = "Kivu.ini.new-" + std::to_string(getppid()) + "-7";
  const std::string other = "Other.ini.new-999999999-0";
  WriteFile(dir_ / living, "");
  WriteFile(dir_ / other, "");
  ASSERT_TRUE(IniWriteString("Settings", "NAVIGATION_PATH", longPath_, ini_));
  EXPECT_EQ(ReadFile(ini_), kOld + "NAVIGATION_PATH = " + longPath_ + "\r\n");
  EXPECT_EQ(FolderEntries(dir_.Path()), (std::vector<std::string>{"Kivu.ini", living, other}));
}

TEST_F(AtomicRewrite, AReadOnlyFolderLeavesTheOldFileWholeAndTheWriteFails) {
  WriteFile(ini_, kOld);
  // The file itself may be written (an in-place rewrite would get through); only the folder is closed.
  ASSERT_EQ(chmod(ini_.c_str(), 0666), 0);
  ASSERT_EQ(chmod(dir_.Path().c_str(), 0555), 0);
  ChildOutcome child = test::RunUnprivileged([this] {
    // Make sure the child sees the file at all, so that the write fails for the folder and not for that.
    if (IniGetInt("Settings", "UNIT_SELECTION", 0, ini_) != 1) return 10;
    if (access(ini_.c_str(), W_OK) != 0) return 11;
    if (access(dir_.Path().c_str(), W_OK) == 0) return 12;
    return IniWriteInt("Settings", "UNIT_SELECTION", 0, ini_) ? 1 : 0;
  });
  chmod(dir_.Path().c_str(), 0700);
  KIVU_EXPECT_UNPRIVILEGED_SUCCESS(child);
  EXPECT_EQ(ReadFile(ini_), kOld);
}

TEST_F(AtomicRewrite, AReadOnlyFileInAWritableFolderIsNotReplaced) {
  WriteFile(ini_, kOld);
  ASSERT_EQ(chmod(ini_.c_str(), 0444), 0);
  ASSERT_EQ(chmod(dir_.Path().c_str(), 0777), 0);
  ChildOutcome child = test::RunUnprivileged([this] {
    if (IniGetInt("Settings", "UNIT_SELECTION", 0, ini_) != 1) return 10;
    if (access(dir_.Path().c_str(), W_OK) != 0) return 11;
    return IniWriteInt("Settings", "UNIT_SELECTION", 0, ini_) ? 1 : 0;
  });
  chmod(dir_.Path().c_str(), 0700);
  KIVU_EXPECT_UNPRIVILEGED_SUCCESS(child);
  EXPECT_EQ(ReadFile(ini_), kOld);
  EXPECT_EQ(ModeOf(ini_) & 07777, 0444u);
}

TEST_F(AtomicRewrite, TheFileKeepsItsModeAndANewOneFollowsTheUmask) {
  WriteFile(ini_, kOld);
  ASSERT_EQ(chmod(ini_.c_str(), 0604), 0);
  ASSERT_TRUE(IniWriteInt("Settings", "UNIT_SELECTION", 0, ini_));
  EXPECT_EQ(ModeOf(ini_) & 07777, 0604u);

  mode_t saved = umask(027);
  bool written = IniWriteInt("Settings", "UNIT_SELECTION", 0, dir_ / "New.ini");
  umask(saved);
  ASSERT_TRUE(written);
  EXPECT_EQ(ModeOf(dir_ / "New.ini") & 07777, 0640u);
}

TEST_F(AtomicRewrite, ALinkedFileStaysALinkAndItsTargetIsRewritten) {
  ASSERT_EQ(mkdir((dir_ / "elsewhere").c_str(), 0700), 0);
  WriteFile(dir_ / "elsewhere/settings.ini", kOld);
  ASSERT_EQ(symlink("elsewhere/settings.ini", ini_.c_str()), 0);
  ASSERT_TRUE(IniWriteInt("Settings", "RECORD_TRACK", 1, ini_));
  EXPECT_TRUE(S_ISLNK(ModeOf(ini_)));
  EXPECT_EQ(ReadFile(dir_ / "elsewhere/settings.ini"),
            "[Settings]\r\nUNIT_SELECTION = 1\r\nRECORD_TRACK = 1\r\n");
  EXPECT_EQ(FolderEntries(dir_ / "elsewhere"), std::vector<std::string>{"settings.ini"});
}

// Run as root, a save through a link could overwrite any file of the system. Whoever runs the test,
// the link's target is another user's file: as root one handed to nobody, as anyone else one of root's.
// As root also a link of another user's, at the start of the chain and in its middle, to root's own file.
TEST_F(AtomicRewrite, NoSaveGoesThroughALinkToAnotherUsersFileOrThroughAnotherUsersLink) {
  const bool root = geteuid() == 0;
  const std::string foreign = root ? dir_ / "nobodys.ini" : "/etc/passwd";
  if (root) {
    WriteFile(foreign, kOld);
    ASSERT_EQ(chown(foreign.c_str(), 65534, 65534), 0);
  }
  const std::string own = dir_ / "roots.ini", hop = dir_ / "hop";
  WriteFile(own, kOld);
  struct Case {
    std::string target, why;
  };
  std::vector<Case> cases = {{foreign, "it is a link to " + foreign + ", which belongs to another user"}};
  if (root) {
    ASSERT_EQ(symlink(own.c_str(), hop.c_str()), 0);
    ASSERT_EQ(lchown(hop.c_str(), 65534, 65534), 0);
    cases.push_back({own, "the link " + ini_ + " belongs to another user"});
    cases.push_back({hop, "the link " + hop + " belongs to another user"});
  }
  const std::vector<std::string> entries = FolderEntries(dir_.Path());
  for (size_t i = 0; i < cases.size(); ++i) {
    const std::string& target = cases[i].target;
    SCOPED_TRACE(target);
    struct stat before, after;
    ASSERT_EQ(stat(target.c_str(), &before), 0);
    const std::string content = ReadFile(target);
    ASSERT_EQ(symlink(target.c_str(), ini_.c_str()), 0);
    if (i == 1) {
      ASSERT_EQ(lchown(ini_.c_str(), 65534, 65534), 0);
    }
    std::vector<std::string> lines;
    {
      DiagnosticCapture capture([&](DiagnosticLevel, const std::string& line) { lines.push_back(line); });
      EXPECT_FALSE(IniWriteInt("Settings", "RECORD_TRACK", 1, ini_));
    }
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("kivu: cannot write the settings file " + ini_ + ": " + cases[i].why, 0), 0u)
        << lines[0];
    ASSERT_EQ(stat(target.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(ReadFile(target), content);
    EXPECT_TRUE(S_ISLNK(ModeOf(ini_)));
    std::vector<std::string> now = FolderEntries(dir_.Path());
    now.erase(std::remove(now.begin(), now.end(), "Kivu.ini"), now.end());
    EXPECT_EQ(now, entries);  // no temporary file
    ASSERT_EQ(unlink(ini_.c_str()), 0);
  }
}

}  // namespace
}  // namespace kivu
