#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "gps/FixJson.h"
#include "gps/NmeaParser.h"
#include "gps/NmeaTestUtil.h"

namespace kivu {
namespace {

using test::Sentence;

const char* kRmc = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\n";

GpsFix Parse(const std::string& block, bool* result = nullptr, GpsFix start = GpsFix{}) {
  bool r = ParseNmeaBlock(start, block.c_str());
  if (result) *result = r;
  return start;
}

// The block parser reads a copy placed at the very end of a heap allocation, so that a read past the
// terminating zero is caught by AddressSanitizer.
bool ParseExact(GpsFix& fix, const std::string& text) {
  std::vector<char> exact(text.begin(), text.end());
  exact.push_back('\0');
  return ParseNmeaBlock(fix, exact.data());
}

TEST(NmeaSentences, RmcFillsTimeDatePositionSpeedCourseAndVariation) {
  bool result = false;
  GpsFix before{};
  before.utcTime.milliseconds = 777;
  GpsFix fix = Parse(kRmc, &result, before);
  EXPECT_TRUE(result);
  EXPECT_EQ(fix.utcTime.hour, 12);
  EXPECT_EQ(fix.utcTime.minute, 35);
  EXPECT_EQ(fix.utcTime.second, 19);
  EXPECT_EQ(fix.utcTime.milliseconds, 777);  // no fraction: unchanged
  EXPECT_EQ(fix.utcTime.day, 23);
  EXPECT_EQ(fix.utcTime.month, 3);
  EXPECT_EQ(fix.utcTime.year, 94);
  EXPECT_EQ(fix.utcTime.dayOfWeek, 0);
  EXPECT_DOUBLE_EQ(fix.latitude, 48.0 + 7.038 * (1.0 / 60.0));
  EXPECT_NEAR(fix.latitude, 48.1173, 1e-9);
  EXPECT_NEAR(fix.longitude, 11.516667, 1e-6);
  EXPECT_EQ(fix.speedKnots, 22.4f);
  EXPECT_EQ(fix.course, 84.4f);
  EXPECT_DOUBLE_EQ(fix.magneticVariation, -3.1);
}

TEST(NmeaSentences, RmcWithStatusVRejectsTheBlockAndWritesNothing) {
  std::string v = Sentence("GPRMC,123519,V,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W", "\n");
  bool result = true;
  GpsFix fix = Parse(v, &result);
  EXPECT_FALSE(result);
  // Field by field: a copied record's padding bytes are anybody's.
  EXPECT_EQ(FormatFixJson(fix), FormatFixJson(GpsFix{}));
}

TEST(NmeaSentences, HemispheresSetSignsIndependently) {
  const double latitude = 33 + 45.5 * (1.0 / 60.0), longitude = 70 + 30.0 * (1.0 / 60.0);
  for (const char* northSouth : {"N", "S"}) {
    for (const char* eastWest : {"E", "W"}) {
      const GpsFix fix = Parse(Sentence(std::string("GPRMC,000001,A,3345.500,") + northSouth + ",07030.000," +
                                        eastWest + ",0,0,010120,,"));
      EXPECT_DOUBLE_EQ(fix.latitude, *northSouth == 'S' ? -latitude : latitude) << northSouth << eastWest;
      EXPECT_DOUBLE_EQ(fix.longitude, *eastWest == 'W' ? -longitude : longitude) << northSouth << eastWest;
    }
  }
}

TEST(NmeaSentences, EmptyCourseKeepsThePreviousCourse) {
  GpsFix start{};
  start.course = 123.5f;
  GpsFix fix = Parse(Sentence("GPRMC,123519,A,4807.038,N,01131.000,E,1.5,,230394,,"), nullptr, start);
  EXPECT_EQ(fix.course, 123.5f);
  EXPECT_EQ(fix.speedKnots, 1.5f);
  EXPECT_EQ(fix.utcTime.day, 23);  // the date still lines up after the empty field
  EXPECT_EQ(fix.magneticVariation, 0.0);
}

TEST(NmeaSentences, VariationEastIsPositiveAndEmptyDirectionKeepsTheSign) {
  EXPECT_DOUBLE_EQ(
      Parse(Sentence("GPRMC,123519,A,4807.038,N,01131.000,E,1,2,230394,2.5,E")).magneticVariation, 2.5);
  EXPECT_DOUBLE_EQ(Parse(Sentence("GPRMC,123519,A,4807.038,N,01131.000,E,1,2,230394,2.5,")).magneticVariation,
                   2.5);
}

TEST(NmeaSentences, GgaFillsTimePositionSatellitesDopAltitudeAndGeoid) {
  bool result = false;
  GpsFix fix = Parse(Sentence("GPGGA,092750.000,5321.6802,N,00630.3372,W,1,8,1.03,61.7,M,55.2,M,,"), &result);
  EXPECT_TRUE(result);
  EXPECT_EQ(fix.utcTime.hour, 9);
  EXPECT_EQ(fix.utcTime.minute, 27);
  EXPECT_EQ(fix.utcTime.second, 50);
  EXPECT_EQ(fix.utcTime.milliseconds, 0);
  EXPECT_DOUBLE_EQ(fix.latitude, 53 + 21.6802 * (1.0 / 60.0));
  EXPECT_DOUBLE_EQ(fix.longitude, -(6 + 30.3372 * (1.0 / 60.0)));
  EXPECT_EQ(fix.satellitesUsed, 8);
  EXPECT_EQ(fix.hdop, 1.03f);
  EXPECT_EQ(fix.altitude, 61.7f);
  EXPECT_EQ(fix.geoidSeparation, 55.2f);
}

TEST(NmeaSentences, GgaWithEmptyAltitudeUnitStillFindsTheGeoid) {
  GpsFix fix = Parse(Sentence("GPGGA,092750,5321.6802,N,00630.3372,W,1,08,1.0,61.7,,55.2,M,,"));
  EXPECT_EQ(fix.altitude, 61.7f);
  EXPECT_EQ(fix.geoidSeparation, 55.2f);
}

TEST(NmeaSentences, GgaQualityZeroRejectsButEmptyQualityIsAccepted) {
  bool result = true;
  Parse(Sentence("GPGGA,092750,5321.6802,N,00630.3372,W,0,08,1.0,61.7,M,55.2,M,,"), &result);
  EXPECT_FALSE(result);
  GpsFix fix = Parse(Sentence("GPGGA,092750,5321.6802,N,00630.3372,W,,08,1.0,61.7,M,55.2,M,,"), &result);
  EXPECT_TRUE(result);
  EXPECT_EQ(fix.satellitesUsed, 8);
  EXPECT_EQ(fix.altitude, 61.7f);
}

TEST(NmeaSentences, GsaFillsModeFixTypeAndDops) {
  bool result = false;
  GpsFix fix = Parse(Sentence("GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1"), &result);
  EXPECT_FALSE(result);  // filled in, but without a position there is nothing to hand on
  EXPECT_EQ(fix.selectionMode, 2);
  EXPECT_EQ(fix.fixType, 2);
  EXPECT_EQ(fix.pdop, 2.5f);
  EXPECT_EQ(fix.hdop, 1.3f);
  EXPECT_EQ(fix.vdop, 2.1f);
  fix = Parse(Sentence("GPGSA,M,2,04,05,,09,12,,,24,,,,,2.5,1.3,2.1"));
  EXPECT_EQ(fix.selectionMode, 1);
  EXPECT_EQ(fix.fixType, 1);
  fix = Parse(Sentence("GPGSA,X,7,04,05,,09,12,,,24,,,,,2.5,1.3,2.1"));
  EXPECT_EQ(fix.selectionMode, 0);
  EXPECT_EQ(fix.fixType, 0);
}

TEST(NmeaSentences, GsaWithNoFixOrAnEmptyFixTypeRejects) {
  bool result = true;
  Parse(Sentence("GPGSA,A,1,,,,,,,,,,,,,99.9,99.9,99.9"), &result);
  EXPECT_FALSE(result);
  Parse(Sentence("GPGSA,A,,,,,,,,,,,,,,99.9,99.9,99.9"), &result);
  EXPECT_FALSE(result);
  Parse(Sentence("GPGSA,A,-,,,,,,,,,,,,,99.9,99.9,99.9"), &result);
  EXPECT_FALSE(result);
}

TEST(NmeaSentences, GsvSetsSatellitesInViewFromAnyMessageOfTheSeries) {
  GpsFix fix = Parse(Sentence("GPGSV,3,2,11,13,25,066,21,16,09,180,28,20,53,262,35,23,33,145,42"));
  EXPECT_EQ(fix.satellitesInView, 11);
  fix = Parse(Sentence("GPGSV,3,3,09,26,12,020,22"));
  EXPECT_EQ(fix.satellitesInView, 9);
}

TEST(NmeaSentences, LaterDopInTheBlockWins) {
  std::string block = Sentence("GPGGA,092750,5321.6802,N,00630.3372,W,1,08,1.0,61.7,M,55.2,M,,") +
                      Sentence("GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.7,2.1");
  EXPECT_EQ(Parse(block).hdop, 1.7f);
}

TEST(NmeaSentences, EverySatelliteSystemCountsAndOtherTalkersAndTypesAreSkipped) {
  bool result = false;
  GpsFix fix =
      Parse(Sentence("GNRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W") +
                Sentence("GLGSV,3,1,10,65,25,066,21") + Sentence("GPVTG,084.4,T,,M,022.4,N,041.5,K") +
                Sentence("BDGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,") +
                Sentence("GAGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1,3"),
            &result);
  EXPECT_TRUE(result);
  EXPECT_NEAR(fix.latitude, 48.1173, 1e-9);
  EXPECT_EQ(fix.satellitesInView, 10);
  EXPECT_EQ(fix.altitude, 545.4f);
  EXPECT_EQ(fix.pdop, 2.5f);
  fix = Parse(Sentence("IIRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W") +
                  Sentence("GXGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,") +
                  Sentence("PGRMZ,48,f,3"),
              &result);
  EXPECT_FALSE(result);  // nothing accepted
  EXPECT_EQ(fix.latitude, 0.0);
}

TEST(NmeaSentences, TheFirstRmcAndGgaOfACycleCountAndTheScanGoesOnPastTheOthers) {
  bool result = false;
  GpsFix fix = Parse(Sentence("GPRMC,120000,A,4807.038,N,01131.000,E,1,2,230394,,") +
                         Sentence("GPGGA,120000,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,") +
                         Sentence("GARMC,120000,A,1000.000,N,01000.000,E,1,2,230394,,") +
                         Sentence("GAGGA,120000,1000.000,N,01000.000,E,0,04,0.9,9.0,M,46.9,M,,") +
                         Sentence("GPGSV,3,1,07,13,25,066,21"),
                     &result);
  EXPECT_TRUE(result);  // the second GGA's quality 0 is never looked at
  EXPECT_NEAR(fix.latitude, 48.1173, 1e-9);
  EXPECT_EQ(fix.altitude, 545.4f);
  EXPECT_EQ(fix.satellitesUsed, 8);
  EXPECT_EQ(fix.satellitesInView, 7);
}

TEST(NmeaSentences, SatellitesUsedAreThoseTheCycleGsasNameEachOnceElseTheGgaCount) {
  const std::string gga = "GNGGA,123519,4807.038,N,01131.000,E,1,12,0.9,545.4,M,46.9,M,,";
  struct Case {
    const char* what;
    std::vector<std::string> bodies;
    int32_t used;
  } cases[] = {
      {"NMEA 4.10 system ids: 20 of four systems, where the GGA stops at 12",
       {gga, "GNGSA,A,3,13,16,21,15,10,29,27,20,,,,,1.05,0.64,0.83,1",
        "GNGSA,A,3,82,66,81,,,,,,,,,,1.05,0.64,0.83,2", "GNGSA,A,3,07,12,33,,,,,,,,,,1.05,0.64,0.83,3",
        "GNGSA,A,3,13,12,22,19,08,21,,,,,,,1.05,0.64,0.83,4"},
       8 + 3 + 3 + 6},
      {"GPS named by GP and again by GN; empty GSAs of other systems; before the GGA",
       {"GPGSA,A,3,01,07,08,11,13,15,17,19,28,30,,,1.6,0.9,1.3",
        "GNGSA,A,3,01,07,08,11,13,15,17,19,28,30,,,1.6,0.9,1.3",
        "GNGSA,A,3,65,72,73,75,84,85,,,,,,,1.6,0.9,1.3", "BDGSA,A,3,,,,,,,,,,,,,1.6,0.9,1.3", gga},
       10 + 6},
      {"the same numbers in other systems' numberings are other satellites; a last field 1.2 is no id",
       {gga, "GPGSA,A,3,01,02,,,,,,,,,,,2.1,1.1,1.8,1.2", "BDGSA,A,3,01,02,,,,,,,,,,,2.1,1.1,1.8,1.2",
        "GAGSA,A,3,01,02,,,,,,,,,,,2.1,1.1,1.8", "GNGSA,A,3,01,02,,,,,,,,,,,2.1,1.1,1.8,3"},
       6},
      {"GSAs that name no satellite leave the GGA's count", {"GNGSA,A,2,,,,,,,,,,,,,4.2,4.1,1.0", gga}, 12},
  };
  for (const Case& c : cases) {
    std::string block = kRmc;
    for (const std::string& body : c.bodies)
      block += Sentence(body);
    EXPECT_EQ(Parse(block).satellitesUsed, c.used) << c.what;
  }
}

TEST(NmeaSentences, AFixIsDifferentialWhereTheGgaQualityOrTheRmcModeSaysSo) {
  auto gga = [](char quality) {
    return Sentence(std::string("GPGGA,123519,4807.038,N,01131.000,E,") + quality +
                    ",08,0.9,545.4,M,46.9,M,,");
  };
  auto rmc = [](const std::string& mode) {
    return Sentence("GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W" + mode);
  };
  EXPECT_EQ(Parse(rmc(",D")).differential, 1);
  EXPECT_EQ(Parse(rmc(",A") + gga('2')).differential, 1);  // the GGA, later in the block, decides
  EXPECT_EQ(Parse(rmc(",D") + gga('1')).differential, 0);
  EXPECT_EQ(Parse(rmc(",R") + gga('4')).differential, 1);
  GpsFix before{};
  before.differential = 1;
  EXPECT_EQ(Parse(rmc(""), nullptr, before).differential, 1);  // an RMC without a mode says nothing
  EXPECT_EQ(Parse(rmc(",A,V"), nullptr, before).differential, 0);
}

TEST(NmeaSentences, SatellitesInViewAddUpOverTheSystemsOfACycle) {
  struct Case {
    const char* what;
    std::vector<const char*> bodies;
    int32_t inView;
  } cases[] = {
      {"one group per system",
       {"GPGSV,2,1,08,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45",
        "GPGSV,2,2,08,15,40,083,46,17,17,308,41,19,07,344,39,20,22,228,45",
        "GLGSV,1,1,03,65,25,066,21,66,,,,67,,,", "GAGSV,1,1,02,11,25,066,21,12,,,",
        "BDGSV,1,1,04,01,25,066,21,02,,,,03,,,,04,,,"},
       8 + 3 + 2 + 4},
      {"GB and BD are one system; GQ and GI count",
       {"GBGSV,1,1,04,01,25,066,21,02,,,,03,,,,04,,,", "BDGSV,1,1,05,01,25,066,21,02,,,,03,,,,04,,,",
        "GQGSV,1,1,01,01,25,066,21", "GIGSV,1,1,02,01,25,066,21,02,,,"},
       5 + 1 + 2},
      {"NMEA 4.10: one group per signal, counted once by the largest",
       {"GPGSV,3,1,10,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45,1",
        "GPGSV,3,3,10,15,40,083,46,17,17,308,41,1",
        "GPGSV,2,1,06,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45,8",
        "GPGSV,2,2,06,15,40,083,46,17,17,308,41,8", "GLGSV,1,1,03,65,25,066,21,66,,,,67,,,,1",
        "GLGSV,1,1,02,65,25,066,21,66,,,,3"},
       10 + 3},
      {"a combined GN group is used alone",
       {"GPGSV,1,1,04,01,25,066,21,02,,,,03,,,,04,,,", "GNGSV,3,1,12,01,25,066,21,02,,,,03,,,,04,,,",
        "GLGSV,1,1,03,65,25,066,21,66,,,,67,,,"},
       12},
      {"a satellite on two signals counts once, one on one signal only counts too",
       {"GPGSV,1,1,03,01,40,083,46,02,17,308,41,12,07,344,39,1",
        "GPGSV,1,1,03,02,40,083,46,12,17,308,41,14,07,344,39,8"},
       4},
      {"GP alone without signal ids: the last sentence, as always",
       {"GPGSV,2,1,09,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45", "GPGSV,2,2,08,15,40,083,46"},
       8},
  };
  for (const Case& c : cases) {
    std::string block = kRmc;
    for (const char* body : c.bodies)
      block += Sentence(body);
    EXPECT_EQ(Parse(block).satellitesInView, c.inView) << c.what;
  }
}

TEST(NmeaSentences, ValuesNoReceiverSendsAreNotAccepted) {
  // Each sentence has a good checksum; the first fix stays as it was, and the block hands nothing on.
  const char* refused[] = {
      "GPRMC,120001,A,9000.001,N,01131.000,E,022.4,084.4,230394,003.1,W",   // beyond 90 degrees
      "GPRMC,120001,A,4807.038,N,18000.001,W,022.4,084.4,230394,003.1,W",   // beyond 180 degrees
      "GPRMC,120001,A,4807.038,N,01131.000,E,-0.1,084.4,230394,003.1,W",    // a negative speed
      "GPRMC,120001,A,4807.038,N,01131.000,E,1000.1,084.4,230394,003.1,W",  // over 1,000 knots
      "GPRMC,120001,A,4807.038,N,01131.000,E,nan,084.4,230394,003.1,W",     // not a number
      "GPRMC,120001,A,4807.038,N,01131.000,E,022.4,360.1,230394,003.1,W",   // a course past 360
      "GPRMC,120001,A,4807.038,N,01131.000,E,022.4,1e9,230394,003.1,W",
      "GPRMC,120001,A,,,,,022.4,084.4,230394,003.1,W",                      // no position at all
      "GPRMC,120001,A,4807.038,N,01131.000,E,022.4,084.4,2208-1,003.1,W",   // a date that is no date
      "GPRMC,120001,A,4807.038,N,01131.000,E,022.4,084.4,310299,003.1,W",   // 31 February
      "GPRMC,120001,A,4807.038,N,01131.000,E,022.4,084.4,290201,003.1,W",   // 29 February, 2001
      "GPRMC,120001,A,4807.038,N,01131.000,E,022.4,084.4,011394,003.1,W",   // month 13
      "GPRMC,120001,A,4807.038,N,01131.000,E,022.4,084.4,2303941,003.1,W",  // seven digits
      "GPGGA,120001,4807.038,N,01131.000,E,1,08,0.9,60000.1,M,46.9,M,,",    // above 60 km
      "GPGGA,120001,4807.038,N,01131.000,E,1,08,0.9,-1000.1,M,46.9,M,,",    // 1 km below the sea
      "GPGGA,120001,4807.038,N,01131.000,E,1,08,0.9,inf,M,46.9,M,,",
      "GPGGA,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,",
  };
  GpsFix before = Parse(Sentence("GPRMC,120000,A,1000.000,S,02000.000,W,10,20,230394,,") +
                        Sentence("GPGGA,120000,1000.000,S,02000.000,W,1,08,0.9,100.0,M,46.9,M,,"));
  for (const char* body : refused) {
    bool result = true;
    GpsFix fix = Parse(Sentence(body), &result, before);
    EXPECT_FALSE(result) << body;
    EXPECT_EQ(fix.utcTime.second, 0) << body;
    EXPECT_EQ(fix.latitude, before.latitude) << body;
    EXPECT_EQ(fix.longitude, before.longitude) << body;
    EXPECT_EQ(fix.speedKnots, before.speedKnots) << body;
    EXPECT_EQ(fix.course, before.course) << body;
    EXPECT_EQ(fix.altitude, before.altitude) << body;
  }
  // The bounds themselves are values a receiver can send.
  for (const char* body : {"GPRMC,120001,A,9000.000,S,18000.000,W,1000,360,230394,,",
                           "GPRMC,120001,A,0000.000,N,00000.000,E,0,0,230394,,",
                           "GPRMC,120001,A,0000.000,N,00000.000,E,0,0,290200,,",  // a leap day
                           "GPRMC,120001,A,0000.000,N,00000.000,E,0,0,,,",        // no date yet
                           "GPGGA,120001,4807.038,N,01131.000,E,1,08,0.9,60000,M,46.9,M,,",
                           "GPGGA,120001,4807.038,N,01131.000,E,1,08,0.9,-1000,M,46.9,M,,"}) {
    bool result = false;
    Parse(Sentence(body), &result);
    EXPECT_TRUE(result) << body;
  }
  // A 2D fix without an altitude keeps the last one.
  GpsFix fix = Parse(Sentence("GPGGA,120001,4807.038,N,01131.000,E,1,03,0.9,,M,,M,,"), nullptr, before);
  EXPECT_EQ(fix.altitude, 100.0f);
  EXPECT_NEAR(fix.latitude, 48.1173, 1e-9);
}

TEST(NmeaTime, FractionsAreMilliseconds) {
  // A decimal fraction of a second: ".5" and ".50" are half a second.
  struct Case {
    const char* time;
    int milliseconds;
  } cases[] = {{"123519.5", 500},      {"123519.50", 500}, {"123519.500", 500}, {"123519.05", 50},
               {"123519.123456", 123}, {"123519.", 0},     {"123519.9", 900}};
  for (const Case& c : cases) {
    GpsFix fix{};
    fix.utcTime.milliseconds = 1;
    std::string field = std::string(c.time) + ",A";
    const char* end = ParseNmeaTime(fix, field.c_str());
    EXPECT_EQ(fix.utcTime.milliseconds, c.milliseconds) << c.time;
    EXPECT_EQ(fix.utcTime.second, 19) << c.time;
    EXPECT_EQ(*end, 'A') << c.time;  // the cursor is past the comma
  }
}

TEST(NmeaTime, PairsStopAtTheFirstNonDigit) {
  GpsFix fix{};
  std::string text = "1x3y5z,";
  ParseNmeaTime(fix, text.c_str());
  EXPECT_EQ(fix.utcTime.hour, 1);
  EXPECT_EQ(fix.utcTime.minute, 3);
  EXPECT_EQ(fix.utcTime.second, 5);
  fix = GpsFix{};
  ParseNmeaDate(fix, "x12345,");
  EXPECT_EQ(fix.utcTime.day, 0);
  EXPECT_EQ(fix.utcTime.month, 23);
  EXPECT_EQ(fix.utcTime.year, 45);
}

TEST(NmeaChecksums, ResultsAreZeroOneTwoOrThree) {
  EXPECT_EQ(NmeaChecksum(kRmc + 1), 0);
  EXPECT_EQ(NmeaChecksum("GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6a"), 0);
  EXPECT_EQ(NmeaChecksum("GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6B"), 1);
  EXPECT_EQ(NmeaChecksum("GPRMC,123519,A"), 2);
  EXPECT_EQ(NmeaChecksum("GPRMC,123519,A*6G"), 3);
  EXPECT_EQ(NmeaChecksum("GPRMC,123519,A*6"), 3);
  EXPECT_EQ(NmeaChecksum("GPRMC,123519,A*"), 3);
}

TEST(NmeaChecksums, AtMost254CharactersMayStandBetweenDollarAndStar) {
  for (size_t length : {253u, 254u, 255u, 300u}) {
    std::string body = "GPXXX," + std::string(length - 6, 'a');
    ASSERT_EQ(body.size(), length);
    std::string sentence = Sentence(body, "");
    EXPECT_EQ(NmeaChecksum(sentence.c_str() + 1), length <= 254 ? 0 : 2) << length;
  }
}

TEST(NmeaChecksums, HexToByteKeepsTheDigitsConvertedSoFar) {
  uint8_t out = 0;
  EXPECT_EQ(HexToByte("aF", 2, out), 0);
  EXPECT_EQ(out, 0xAF);
  EXPECT_EQ(HexToByte("7z", 2, out), 1);
  EXPECT_EQ(out, 0x7);
  EXPECT_EQ(HexToByte("", 2, out), 1);
  EXPECT_EQ(out, 0);
}

TEST(NmeaBlocks, BadChecksumSentenceIsSkippedAndTheScanGoesOn) {
  std::string block = std::string("$GPGGA,092750,5321.6802,N,00630.3372,W,1,08,1.0,61.7,M,55.2,M,,*00\r\n") +
                      Sentence("GPGSV,3,1,07,13,25,066,21");
  bool result = false;
  GpsFix fix = Parse(block, &result);
  EXPECT_FALSE(result);  // the GSV alone gives no fix to hand on
  EXPECT_EQ(fix.satellitesInView, 7);
  EXPECT_EQ(fix.altitude, 0.0f);
}

TEST(NmeaBlocks, OnlyTheFirstRmcIsUsedAndTheScanGoesOn) {
  std::string block = Sentence("GPRMC,120000,A,4807.038,N,01131.000,E,1,2,230394,,") +
                      Sentence("GPRMC,120001,A,1000.000,N,01000.000,E,1,2,230394,,") +
                      Sentence("GPGSV,3,1,07,13,25,066,21");
  bool result = false;
  GpsFix fix = Parse(block, &result);
  EXPECT_TRUE(result);
  EXPECT_EQ(fix.utcTime.second, 0);
  EXPECT_NEAR(fix.latitude, 48.1173, 1e-9);
  EXPECT_EQ(fix.satellitesInView, 7);  // the scan went on past the second RMC
}

TEST(NmeaBlocks, RejectionAfterAGoodRmcKeepsWhatTheRmcWrote) {
  std::string block = std::string(kRmc) +
                      Sentence("GPGGA,123519,4807.038,N,01131.000,E,0,08,1.0,61.7,M,55.2,M,,") +
                      Sentence("GPGSV,3,1,07,13,25,066,21");
  bool result = true;
  GpsFix fix = Parse(block, &result);
  EXPECT_FALSE(result);
  EXPECT_NEAR(fix.latitude, 48.1173, 1e-9);
  EXPECT_EQ(fix.satellitesInView, 0);
}

TEST(NmeaBlocks, CutOffLastSentenceStillGivesTrue) {
  std::string block = std::string(kRmc) + "$GPGGA,123519,4807.03";
  bool result = false;
  GpsFix fix = Parse(block, &result);
  EXPECT_TRUE(result);
  EXPECT_EQ(fix.altitude, 0.0f);
}

TEST(NmeaBlocks, SentenceWithoutLineFeedEndsTheBlock) {
  // The last sentence is not followed by a line feed, so nothing after it is looked at.
  std::string block =
      Sentence("GPGSV,3,1,07,13,25,066,21", "") + "   " + Sentence("GPGSV,3,2,08,13,25,066,21");
  bool result = true;
  GpsFix fix = Parse(block, &result);
  EXPECT_FALSE(result);  // GSVs alone hand nothing on
  EXPECT_EQ(fix.satellitesInView, 8);
  block = Sentence("GPGSV,3,1,07,13,25,066,21", "\r") + Sentence("GPGSV,3,2,08,13,25,066,21", "\r");
  fix = Parse(block, &result);
  EXPECT_EQ(fix.satellitesInView, 7);
}

TEST(NmeaBlocks, EmptyOrDollarlessBlocksGiveFalse) {
  bool result = true;
  Parse("", &result);
  EXPECT_FALSE(result);
  Parse("no sentences here\r\n", &result);
  EXPECT_FALSE(result);
}

TEST(NmeaBlocks, ValuesAreNarrowedTo32BitFloats) {
  GpsFix fix = Parse(Sentence("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.1,1234.56789,M,0.3,M,,"));
  EXPECT_EQ(fix.altitude, static_cast<float>(1234.56789));
  EXPECT_EQ(fix.hdop, static_cast<float>(0.1));
}

TEST(NmeaNumbers, ConversionsFollowTheCLibraryInTheCLocale) {
  const char* cases[] = {"22.4",
                         "-3.1",
                         "+7",
                         "0",
                         "-0",
                         ".5",
                         "5.",
                         "1e3",
                         "0x1A",
                         "inf",
                         "nan",
                         "",
                         "-",
                         ".",
                         " 12",
                         "1.2.3",
                         "00012",
                         "4807.038",
                         "1e-400",
                         "12345678901234567890.5",
                         "0.1234567890123456789",
                         "999999999999999"};
  for (const char* text : cases) {
    char* libEnd;
    double expected = strtod(text, &libEnd);
    const char* end;
    double value = NmeaStrtod(text, &end);
    if (std::isnan(expected)) {
      EXPECT_TRUE(std::isnan(value)) << text;
    } else {
      EXPECT_EQ(std::memcmp(&value, &expected, sizeof value), 0) << text;  // same bits, same sign of 0
    }
    EXPECT_EQ(end, libEnd) << text;
  }
  EXPECT_EQ(NmeaAtoi(" 42x"), 42);
  EXPECT_EQ(NmeaAtoi("-17"), -17);
  EXPECT_EQ(NmeaAtoi("99999999999999999999"), 2147483647);
  EXPECT_EQ(NmeaAtoi("-99999999999999999999"), -2147483647 - 1);
}

TEST(NmeaNumbers, FastDecimalsMatchTheCLibraryBitForBit) {
  std::mt19937_64 random(7);
  char text[40];
  for (int i = 0; i < 200000; ++i) {
    int whole = static_cast<int>(random() % 100000);
    int decimals = static_cast<int>(random() % 9);
    uint64_t fraction = random() % 1000000000;
    std::snprintf(text, sizeof text, "%d.%0*llu,", whole, decimals,
                  static_cast<unsigned long long>(fraction));
    if (decimals == 0) std::snprintf(text, sizeof text, "%d,", whole);
    double expected = strtod(text, nullptr);
    const char* end;
    double value = NmeaStrtod(text, &end);
    ASSERT_EQ(value, expected) << text;
    ASSERT_EQ(*end, ',') << text;
  }
}

TEST(NmeaNumbers, UserLocaleDoesNotChangeTheDecimalPoint) {
  // A program that adopts a locale with a decimal comma must still read "1.5" as one and a half.
  const char* previous = setlocale(LC_NUMERIC, nullptr);
  std::string saved = previous ? previous : "C";
  bool switched = setlocale(LC_NUMERIC, "de_DE.UTF-8") || setlocale(LC_NUMERIC, "fr_FR.UTF-8");
  const char* end;
  double value = NmeaStrtod("1.5e0", &end);  // the exponent takes the C library path
  setlocale(LC_NUMERIC, saved.c_str());
  if (!switched) GTEST_SKIP() << "no locale with a decimal comma is installed";
  EXPECT_EQ(value, 1.5);
}

TEST(NmeaHostileInput, NoSearchReadsPastTheTerminatingZero) {
  const std::vector<std::string> blocks = {
      "$",
      "$G",
      "$GPRMC",
      "$GPRMC,",
      "$GPRMC,1",
      "$GPRMC,123519",
      "$GPRMC,123519.",
      "$GPRMC,1*",
      "$*00",
      "$G*47",
      "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W",
      "$GPGGA,1,2,N,3,E,1",
      Sentence("GPRMC,1,A,4", ""),
      Sentence("GPRMC,1,A,4807.038,N,0", ""),
      Sentence("GPRMC,,A,,,,,,,,,", ""),
      Sentence("GPGGA,,,,,,,,,,,,,,", ""),
      Sentence("GPGSA,A,3", ""),
      Sentence("GPGSA,A", ""),
      Sentence("GPGSV", ""),
      Sentence("GPGSV,1", ""),
      Sentence("GP", ""),
      Sentence("", ""),
      Sentence("GPRMC,123519.5", ""),
      Sentence("GPRMC,1,A,1,N,1,E,1,1,0101", ""),
      Sentence("GPRMC,1,A,1,N,1,E,1,1,010101,1", ""),
      Sentence("GPGGA,1,1,N,1,E,1,8,1,1,M", ""),
      std::string(300, 'x'),
      "$" + std::string(300, 'a'),
      "$$$$$$\n\n\n$"};
  for (const std::string& block : blocks) {
    GpsFix fix{};
    ParseExact(fix, block);
  }
}

TEST(NmeaHostileInput, AZeroInTheMiddleEndsTheBlock) {
  std::string block = std::string(kRmc);
  block[20] = '\0';
  block += Sentence("GPGSV,3,1,07,13,25,066,21");
  GpsFix fix{};
  // The RMC is cut by the zero: it fails its checksum, no line follows it, and that ends the block
  // with nothing accepted, so the untouched fix is not handed on.
  EXPECT_FALSE(ParseNmeaBlock(fix, block.c_str()));
  EXPECT_EQ(fix.latitude, 0.0);
  EXPECT_EQ(fix.satellitesInView, 0);
}

TEST(NmeaHostileInput, HugeValuesAreRefusedOrStoredWithoutFault) {
  bool result = true;
  GpsFix fix =
      Parse(Sentence("GPRMC,999999.99999999999,A,991e300,S,9991e999,W,1e300,1e300,999999,1e308,W"), &result);
  EXPECT_FALSE(result);
  EXPECT_EQ(fix.latitude, 0.0);
  EXPECT_EQ(fix.speedKnots, 0.0f);
  // Where Kivu sets no bound, the value is stored as it came.
  fix = Parse(Sentence("GPRMC,999999.99999999999,A,4807.038,N,01131.000,E,1,2,230394,1e308,W"));
  EXPECT_EQ(fix.magneticVariation, -1e308);
  EXPECT_EQ(fix.utcTime.hour, 99);
  EXPECT_EQ(fix.utcTime.milliseconds, 999);
}

TEST(NmeaHostileInput, RandomBytesNeverFault) {
  std::mt19937 random(42);
  const std::string alphabet = "$*,.\r\nGPRMCGSAVN0123456789ABCDEFaW-";
  for (int i = 0; i < 20000; ++i) {
    std::string block;
    size_t length = random() % 200;
    for (size_t j = 0; j < length; ++j)
      block += alphabet[random() % alphabet.size()];
    if (i % 3 == 0) block = std::string(kRmc).substr(0, random() % 80) + block;
    GpsFix fix{};
    ParseExact(fix, block);
  }
}

}  // namespace
}  // namespace kivu
