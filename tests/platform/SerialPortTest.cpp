#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>

#include <cerrno>

#include "platform/SerialPort.h"
#include "support/TestSupport.h"

namespace kivu {
namespace {

using test::PseudoTerminal;

TEST(SerialOpen, RawModeKeepsTheLineSettings) {
  PseudoTerminal pty;
  // A driver set to 4800 baud, 7 data bits, even parity, two stop bits, with cooked input.
  {
    UniqueFd fd(open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY));
    termios tio;
    ASSERT_EQ(tcgetattr(fd.Get(), &tio), 0);
    cfsetispeed(&tio, B4800);
    cfsetospeed(&tio, B4800);
    tio.c_cflag = (tio.c_cflag & ~CSIZE) | CS7 | PARENB | CSTOPB;
    tio.c_lflag |= ICANON | ECHO;
    tio.c_iflag |= ICRNL;
    ASSERT_EQ(tcsetattr(fd.Get(), TCSANOW, &tio), 0);
  }
  UniqueFd port;
  ASSERT_TRUE(OpenSerialPort(pty.SlavePath(), port));
  termios tio;
  ASSERT_EQ(tcgetattr(port.Get(), &tio), 0);
  EXPECT_EQ(cfgetispeed(&tio), static_cast<speed_t>(B4800));
  // A pseudo-terminal forces 8 data bits without parity itself; the stop bits show what we kept.
  EXPECT_TRUE(tio.c_cflag & CSTOPB);
  EXPECT_FALSE(tio.c_lflag & (ICANON | ECHO));
  EXPECT_FALSE(tio.c_iflag & ICRNL);
}

TEST(SerialOpen, HeldMissingAndForbiddenPortsAreTold) {
  PseudoTerminal pty;
  UniqueFd first, second, none;
  ASSERT_TRUE(OpenSerialPort(pty.SlavePath(), first));
  Result held = OpenSerialPort(pty.SlavePath(), second);
  EXPECT_TRUE(!second && IsHeldOrForbidden(held) && IsHeldElsewhere(held));
  Result missing = OpenSerialPort("/nonexistent/ttyUSB9", none);
  EXPECT_TRUE(!none && missing.Error() == ENOENT && !IsHeldOrForbidden(missing));
  EXPECT_EQ(SerialPortGroup("/nonexistent/ttyUSB0"), "dialout");

  // A port forbidden to us is told with the group that may open it, or that none may.
  test::TempDir dir;
  test::WriteFile(dir / "port", "");
  ASSERT_EQ(chmod((dir / "port").c_str(), 0660), 0);
  const group* own = getgrgid(getegid());
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(SerialPortGroup(dir / "port"), own->gr_name);
  ASSERT_EQ(chmod((dir / "port").c_str(), 0600), 0);
  EXPECT_EQ(SerialPortGroup(dir / "port"), "");
}

// The exclusive mode of a terminal outlives the descriptor that set it while anyone else holds the
// terminal open, and bars every user but root: a replay's pseudo-terminal, held by its feeder, stayed
// closed to the dashboard of a normal user after the port list was made.
TEST(SerialOpen, NeitherTheProbeNorAClosedPortLeavesATerminalExclusiveOrChanged) {
  PseudoTerminal pty;
  UniqueFd other(open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY));
  ASSERT_TRUE(other);
  termios cooked;
  ASSERT_EQ(tcgetattr(other.Get(), &cooked), 0);
  cooked.c_lflag |= ICANON;
  ASSERT_EQ(tcsetattr(other.Get(), TCSANOW, &cooked), 0);
  auto exclusive = [&] {
    int on = -1;
    EXPECT_EQ(ioctl(other.Get(), TIOCGEXCL, &on), 0);
    return on;
  };

  EXPECT_TRUE(ProbeSerialPort(pty.SlavePath()));
  EXPECT_EQ(exclusive(), 0);
  termios after;
  ASSERT_EQ(tcgetattr(other.Get(), &after), 0);
  EXPECT_TRUE(after.c_lflag & ICANON);

  SerialPort port;
  ASSERT_TRUE(port.Open(pty.SlavePath()));
  EXPECT_EQ(exclusive(), 1);
  EXPECT_TRUE(IsHeldOrForbidden(ProbeSerialPort(pty.SlavePath())));
  port.Close();
  EXPECT_EQ(exclusive(), 0);
}

TEST(SerialOpen, WhatIsNoTerminalIsRefused) {
  // A regular file or /dev/null would read as a receiver that hangs up at once, again and again.
  test::TempDir dir;
  test::WriteFile(dir / "capture.nmea", "$GPRMC\n");
  for (const std::string& path : {dir / "capture.nmea", std::string("/dev/null")}) {
    UniqueFd fd;
    EXPECT_EQ(OpenSerialPort(path, fd).Error(), ENOTTY) << path;
    EXPECT_FALSE(fd) << path;
  }
}

TEST(SerialPortObject, ReadsWhatIsThereAndTellsAHangUp) {
  PseudoTerminal pty;
  SerialPort port;
  ASSERT_TRUE(port.CanWait());
  EXPECT_EQ(port.Path(), "");
  ASSERT_TRUE(port.Open(pty.SlavePath()));
  EXPECT_EQ(port.Path(), pty.SlavePath());
  char buffer[64];
  EXPECT_EQ(port.Read(buffer, sizeof buffer), 0);  // an empty queue is no hang-up
  pty.Write(std::string(100, 'x'));
  ASSERT_EQ(port.Wait(1000), InputWait::Readable);
  EXPECT_EQ(port.Read(buffer, 40), 40);
  pty.CloseMaster();
  // A hung-up port wakes every wait at once, and the read tells why, after what was left.
  EXPECT_NE(port.Wait(1000), InputWait::TimedOut);
  ssize_t rest = port.Read(buffer, sizeof buffer);
  if (rest > 0) {
    EXPECT_EQ(rest, 60);
  }
  EXPECT_EQ(port.Read(buffer, sizeof buffer), -1);
  port.Close();
  EXPECT_EQ(port.Path(), "");
}

TEST(SerialPortObject, WakeEndsAWaitWithOrWithoutAPort) {
  PseudoTerminal pty;
  SerialPort port;
  EXPECT_EQ(port.Wait(0), InputWait::TimedOut);
  port.Wake();
  EXPECT_EQ(port.Wait(-1), InputWait::Woken);
  ASSERT_TRUE(port.Open(pty.SlavePath()));
  EXPECT_EQ(port.Wait(-1), InputWait::Woken);  // a wake lasts
}

}  // namespace
}  // namespace kivu
