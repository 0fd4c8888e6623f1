// The record files' writer: whole records when the storage fails, one line per cause and one when
// writing goes on, and nothing but a regular file opened, without ever waiting.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <string>

#include "config/ChildProcess.h"
#include "platform/AppendFile.h"
#include "platform/UniqueFd.h"
#include "support/TestSupport.h"

namespace kivu {
namespace {

constexpr AppendFile::Names kNames{"test log", "blocks"};

// Runs body in a child whose standard error goes to errPath, that SIGALRM ends after 10 s (so that a
// regression that waits fails instead of hanging the suite) and where a file size limit makes writes
// fail instead of ending it.
test::ChildOutcome RunWithStderrIn(const std::string& errPath, const std::function<int()>& body) {
  return test::RunInChild([&] {
    alarm(10);
    std::signal(SIGXFSZ, SIG_IGN);
    UniqueFd err(open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!err || dup2(err.Get(), 2) < 0) return 100;
    return body();
  });
}

size_t LineCount(const std::string& text) {
  return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(AppendFile, AFullStorageLeavesWholeRecordsAndSaysOnceThatWritingGoesOn) {
  // Blocks of two 50-byte lines. With files limited to 250 bytes the third block gets its first line
  // and half of its second in; the fourth gets nothing. Then room comes back.
  const std::string line1 = std::string(48, 'a') + "\r\n", line2 = std::string(48, 'b') + "\r\n";
  const std::string block = line1 + line2;
  for (bool lines : {false, true}) {
    SCOPED_TRACE(lines ? "records are lines" : "records are blocks");
    test::TempDir dir;
    const std::string path = dir / "log.txt", err = dir / "err.txt";
    test::ChildOutcome outcome = RunWithStderrIn(err, [&] {
      AppendFile file;
      if (!file.Open(path, kNames, AppendFile::Sharing::Shared)) return 101;
      struct rlimit limit = {250, RLIM_INFINITY};
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 102;
      auto append = [&](const std::string& text) {
        return lines ? file.AppendLines(text.data(), text.size()) : file.Append(text.data(), text.size());
      };
      int written = 0;
      for (int i = 0; i < 4; ++i)
        written += append(block) ? 1 : 0;
      limit.rlim_cur = 1000;
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 103;
      written += append("after\r\n") ? 10 : 0;
      written += append("more\r\n") ? 10 : 0;
      return written;
    });
    ASSERT_TRUE(outcome.exited) << "signal " << outcome.signal;
    EXPECT_EQ(outcome.code, 22);
    std::string kept = block + block;
    if (lines) kept += line1;  // the third block's first line got in whole
    EXPECT_EQ(test::ReadFile(path), kept + "after\r\nmore\r\n");
    const std::string complaint = test::ReadFile(err);
    ASSERT_EQ(LineCount(complaint), 2u) << complaint;
    EXPECT_EQ(complaint.rfind("kivu: writing the test log " + path + " failed (File too large); blocks ", 0),
              0u)
        << complaint;
    EXPECT_NE(complaint.find("\nkivu: writing the test log " + path + " goes on\n"), std::string::npos)
        << complaint;
  }
}

TEST(AppendFile, OnlyARegularFileIsOpenedAndNothingElseMakesItWait) {
  test::TempDir dir;
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0644), 0);
  ASSERT_EQ(mkdir((dir / "folder").c_str(), 0755), 0);
  const std::string err = dir / "err.txt";
  test::ChildOutcome outcome = RunWithStderrIn(err, [&] {
    AppendFile file;
    int refused = 0;
    // A named pipe with no reader, the same with one, a folder, a device.
    refused += !file.Open(dir / "fifo", kNames, AppendFile::Sharing::Exclusive);
    UniqueFd reader(open((dir / "fifo").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    refused += !file.Open(dir / "fifo", kNames, AppendFile::Sharing::Exclusive);
    refused += !file.Open(dir / "folder", kNames, AppendFile::Sharing::Shared);
    refused += !file.Open("/dev/null", kNames, AppendFile::Sharing::Shared);
    // Refusals leave an open file as it was.
    if (!file.Open(dir / "plain.txt", kNames, AppendFile::Sharing::Shared)) return 101;
    refused += !file.Open(dir / "fifo", kNames, AppendFile::Sharing::Shared);
    return file.IsOpen() && file.Append("x\n", 2) ? refused : 100 + refused;
  });
  ASSERT_TRUE(outcome.exited) << "signal " << outcome.signal;
  EXPECT_EQ(outcome.code, 5);
  EXPECT_EQ(test::ReadFile(dir / "plain.txt"), "x\n");
  const std::string complaint = test::ReadFile(err);
  EXPECT_EQ(LineCount(complaint), 5u) << complaint;
  EXPECT_NE(
      complaint.find("kivu: the test log " + dir / "fifo" + " is not a regular file; it is not written\n"),
      std::string::npos)
      << complaint;
}

}  // namespace
}  // namespace kivu
