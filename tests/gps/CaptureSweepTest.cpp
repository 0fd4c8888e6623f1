// Every shared capture from real receivers runs through the reader's per-read code and the parser.
// Run under AddressSanitizer and UndefinedBehaviorSanitizer, no byte sequence of theirs may fault; and
// the positions Kivu reads agree with another GPS program's reports of the same sentences.
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

// A number after "key": in a JSON line; false when the key is absent.
bool JsonNumber(const std::string& line, const char* key, double& value) {
  std::string needle = std::string("\"") + key + "\":";
  size_t at = line.find(needle);
  if (at == std::string::npos) return false;
  value = std::strtod(line.c_str() + at + needle.size(), nullptr);
  return true;
}

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

TEST(SharedCaptures, PositionsAgreeWithTheReferenceReports) {
  KIVU_REQUIRE_SHARED_CAPTURES();
  int compared = 0;
  for (const std::string& path : test::SharedCaptures()) {
    std::istringstream chk(test::ReadFile(path + ".chk"));
    std::string line, rmc;
    while (std::getline(chk, line)) {
      if (line.rfind("$GPRMC,", 0) == 0) {
        rmc = line;
        continue;
      }
      if (rmc.empty() || line.rfind("{\"class\":\"TPV\"", 0) != 0) {
        if (!line.empty() && line[0] == '$') rmc.clear();
        continue;
      }
      // The report right after an RMC with a fix: compare when it carries the RMC's own second.
      GpsFix fix{};
      std::string block = rmc + "\n";
      bool handed = ParseNmeaBlock(fix, block.c_str());
      std::string sentence = rmc;
      rmc.clear();
      double lat, lon;
      if (!handed || !JsonNumber(line, "lat", lat) || !JsonNumber(line, "lon", lon)) continue;
      char stamp[32];
      std::snprintf(stamp, sizeof stamp, "T%02d:%02d:%02d", fix.utcTime.hour, fix.utcTime.minute,
                    fix.utcTime.second);
      if (line.find(stamp) == std::string::npos) continue;
      EXPECT_NEAR(fix.latitude, lat, 1e-6) << path << ": " << sentence;
      EXPECT_NEAR(fix.longitude, lon, 1e-6) << path << ": " << sentence;
      ++compared;
    }
  }
  EXPECT_GE(compared, 200);
}

}  // namespace
}  // namespace kivu
