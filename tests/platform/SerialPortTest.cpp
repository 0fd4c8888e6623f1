#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
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
  SerialOpenResult port = OpenSerialPort(pty.SlavePath());
  ASSERT_TRUE(port.fd);
  termios tio;
  ASSERT_EQ(tcgetattr(port.fd.Get(), &tio), 0);
  EXPECT_EQ(cfgetispeed(&tio), static_cast<speed_t>(B4800));
  // A pseudo-terminal forces 8 data bits without parity itself; the stop bits show what we kept.
  EXPECT_TRUE(tio.c_cflag & CSTOPB);
  EXPECT_FALSE(tio.c_lflag & (ICANON | ECHO));
  EXPECT_FALSE(tio.c_iflag & ICRNL);
}

TEST(SerialOpen, HeldMissingAndForbiddenPortsAreTold) {
  PseudoTerminal pty;
  SerialOpenResult first = OpenSerialPort(pty.SlavePath());
  ASSERT_TRUE(first.fd);
  SerialOpenResult second = OpenSerialPort(pty.SlavePath());
  EXPECT_FALSE(second.fd);
  EXPECT_TRUE(IsHeldOrForbidden(second.error));
  EXPECT_NE(DescribeOpenFailure(pty.SlavePath(), second.error).find("in use"), std::string::npos);

  SerialOpenResult missing = OpenSerialPort("/nonexistent/ttyUSB9");
  EXPECT_FALSE(missing.fd);
  EXPECT_EQ(missing.error, ENOENT);
  EXPECT_FALSE(IsHeldOrForbidden(missing.error));
  EXPECT_NE(DescribeOpenFailure("/dev/ttyUSB0", EACCES).find("dialout"), std::string::npos);
}

TEST(SerialOpen, WhatIsNoTerminalIsRefused) {
  // A regular file or /dev/null would read as a receiver that hangs up at once, again and again.
  test::TempDir dir;
  test::WriteFile(dir / "capture.nmea", "$GPRMC\n");
  for (const std::string& path : {dir / "capture.nmea", std::string("/dev/null")}) {
    SerialOpenResult result = OpenSerialPort(path);
    EXPECT_FALSE(result.fd) << path;
    EXPECT_EQ(result.error, ENOTTY) << path;
    EXPECT_NE(DescribeOpenFailure(path, result.error).find("not a serial port"), std::string::npos);
  }
}

TEST(SerialPortObject, ReadsWhatIsThereAndTellsAHangUp) {
  PseudoTerminal pty;
  SerialPort port;
  ASSERT_TRUE(port.CanWait());
  EXPECT_EQ(port.Path(), "");
  ASSERT_EQ(port.Open(pty.SlavePath()), 0);
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
  ASSERT_EQ(port.Open(pty.SlavePath()), 0);
  EXPECT_EQ(port.Wait(-1), InputWait::Woken);  // a wake lasts
}

}  // namespace
}  // namespace kivu
