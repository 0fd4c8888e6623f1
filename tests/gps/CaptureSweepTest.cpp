// Every shared capture from real receivers runs through the reader's cycle assembly and the parser.
// Run under AddressSanitizer and UndefinedBehaviorSanitizer, no byte sequence of theirs may fault.
// (ReferenceReportTest compares what they give with another GPS program's reports.)
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "gps/CaptureReplay.h"
#include "gps/GpsParser.h"
#include "gps/NmeaParser.h"
#include "support/TestSupport.h"

namespace kivu {
namespace {

TEST(SharedCaptures, EveryCaptureReplaysWithoutFault) {
  KIVU_REQUIRE_SHARED_CAPTURES();
  std::vector<std::string> captures = test::SharedCaptures();
  ASSERT_GE(captures.size(), 30u);
  int capturesWithFixes = 0;
  for (const std::string& path : captures) {
    std::string capture = test::ReadFile(path);
    int fixes = 0;
    DirectFixOwner owner([&](const GpsFix& fix) {
      ++fixes;
      // Whatever the receiver sent, what reaches the view is a record a view can use.
      EXPECT_LE(fix.utcTime.hour, 99) << path;
    });
    CGpsParser receiver;
    receiver.SetOwner(&owner);
    ReplayCapture(receiver, capture);
    if (fixes > 0) ++capturesWithFixes;
  }
  // Most receivers send GP talker RMC sentences with a fix at some point.
  EXPECT_GE(capturesWithFixes, 25);
}

}  // namespace
}  // namespace kivu
