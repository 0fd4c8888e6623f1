// Runs a piece of a test in a forked child, where it may drop privileges, shrink its limits or die
// without taking the test program with it.
#pragma once

#include <gtest/gtest.h>

#include <functional>

namespace kivu::test {

struct ChildOutcome {
  bool exited = false;  // ended by _exit; code holds its status
  int code = -1;
  int signal = 0;  // the signal that ended it, when it did not exit
};

// Exit code of a child that could not drop its privileges; the caller skips the test then.
constexpr int kCannotDropPrivileges = 77;

// Runs body in a child and returns how the child ended; body's result is the exit code.
ChildOutcome RunInChild(const std::function<int()>& body);

// Like RunInChild, but the child first becomes the unprivileged user "nobody" (65534) when the tests run
// as root, so that folder and file permissions bind it as they bind any user.
ChildOutcome RunUnprivileged(const std::function<int()>& body);

}  // namespace kivu::test

// In a test: skips it where the child of RunUnprivileged could not drop root's privileges; else the child
// has to have exited with 0.
#define KIVU_EXPECT_UNPRIVILEGED_SUCCESS(child)                                \
  do {                                                                         \
    if ((child).exited && (child).code == ::kivu::test::kCannotDropPrivileges) \
      GTEST_SKIP() << "cannot drop root privileges";                           \
    ASSERT_TRUE((child).exited);                                               \
    EXPECT_EQ((child).code, 0);                                                \
  } while (0)
