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

TEST(SerialRead, EmptyQueueIsNotAHangUpButAClosedPeerIs) {
  PseudoTerminal pty;
  SerialOpenResult port = OpenSerialPort(pty.SlavePath());
  ASSERT_TRUE(port.fd);
  char buffer[64];
  EXPECT_EQ(ReadSerialBurst(port.fd.Get(), buffer, sizeof buffer, 3), 0);
  pty.Write("$GPRMC");
  EXPECT_EQ(ReadSerialBurst(port.fd.Get(), buffer, sizeof buffer, 3), 6);
  pty.CloseMaster();
  // A hung-up port wakes every wait at once, and the read tells why.
  WakeEvent wake;
  EXPECT_NE(WaitForSerialInput(port.fd.Get(), wake, 1000), SerialWait::TimedOut);
  EXPECT_EQ(ReadSerialBurst(port.fd.Get(), buffer, sizeof buffer, 3), -1);
}

TEST(SerialRead, BurstStopsAtCapacity) {
  PseudoTerminal pty;
  SerialOpenResult port = OpenSerialPort(pty.SlavePath());
  ASSERT_TRUE(port.fd);
  pty.Write(std::string(100, 'x'));
  char buffer[64];
  EXPECT_EQ(ReadSerialBurst(port.fd.Get(), buffer, 40, 3), 40);
  EXPECT_EQ(ReadSerialBurst(port.fd.Get(), buffer, 64, 3), 60);
}

TEST(SerialWaits, WakeEventEndsAWaitWithOrWithoutAPort) {
  PseudoTerminal pty;
  SerialOpenResult port = OpenSerialPort(pty.SlavePath());
  WakeEvent wake;
  EXPECT_EQ(WaitForSerialInput(port.fd.Get(), wake, 0), SerialWait::TimedOut);
  wake.Signal();
  EXPECT_EQ(WaitForSerialInput(port.fd.Get(), wake, -1), SerialWait::Woken);
  EXPECT_EQ(WaitForSerialInput(-1, wake, -1), SerialWait::Woken);
  wake.Clear();
  EXPECT_EQ(WaitForSerialInput(-1, wake, 0), SerialWait::TimedOut);
  pty.Write("x");
  EXPECT_EQ(WaitForSerialInput(port.fd.Get(), wake, 1000), SerialWait::Readable);
}

}  // namespace
}  // namespace kivu
