#include <string>
#include <vector>

#include "config/AppSettings.h"
#include "config/SettingsCommand.h"
#include "support/TestSupport.h"

namespace kivu {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

class SettingsCommand : public ::testing::Test {
 protected:
  SettingsCommand() {
    settings_.recordFolder = dir_ / "KivuRecord/";
    values_.unitSelection = 1;
    values_.digitalReadout = 0;
    values_.navigationPath = "/usr/bin/navit";
    values_.recordGpsMessages = 1;
    values_.pitchSource = 1;
    values_.rollSource = -1;
    values_.recordTrack = 1;
  }

  RecordingSwitches Switches(bool withReceiver) {
    RecordingSwitches switches;
    if (withReceiver)
      switches.setRecordMessages = [this](const std::string& folder, int flag) {
        calls_.push_back("messages " + folder + " " + std::to_string(flag));
      };
    switches.setRecordTrack = [this](int flag) { calls_.push_back("track " + std::to_string(flag)); };
    return switches;
  }

  TempDir dir_;
  std::string ini_ = dir_ / "Kivu.ini";
  AppSettings settings_;
  SettingsValues values_;
  std::vector<std::string> calls_;
};

TEST_F(SettingsCommand, OkAppliesSavesTheSevenLinesAndSwitchesBothRecordings) {
  ApplySettingsValues(settings_, values_, ini_, Switches(true));
  EXPECT_EQ(settings_.unitSelection, 1);
  EXPECT_EQ(settings_.digitalReadout, 0);
  EXPECT_EQ(settings_.navigationPath, "/usr/bin/navit");
  EXPECT_EQ(settings_.rollSource, -1);
  EXPECT_EQ(settings_.displayAd, 1);
  EXPECT_EQ(ReadFile(ini_),
            "[Settings]\r\nDIGITAL_READOUT = 0\r\nUNIT_SELECTION = 1\r\nNAVIGATION_PATH = /usr/bin/navit\r\n"
            "RECORD_GPS_MSG = 1\r\nPITCH_SOURCE = 1\r\nROLL_SOURCE = -1\r\nRECORD_TRACK = 1\r\n");
  EXPECT_EQ(calls_, (std::vector<std::string>{"messages " + dir_.Path() + "KivuRecord/ 1", "track 1"}));
}

TEST_F(SettingsCommand, LaterSavesKeepHandWrittenLinesAndWithoutReceiverOnlyTheTrackSwitches) {
  WriteFile(ini_, "[Settings]\r\nDISPLAY_AD = 0\r\nUNIT_SELECTION = 0\r\n# my note\r\n[Other]\r\nX = 1\r\n");
  values_.recordGpsMessages = 0;
  values_.recordTrack = 0;
  ApplySettingsValues(settings_, values_, ini_, Switches(false));
  EXPECT_EQ(
      ReadFile(ini_),
      "[Settings]\r\nDISPLAY_AD = 0\r\nUNIT_SELECTION = 1\r\n# my note\r\nDIGITAL_READOUT = 0\r\n"
      "NAVIGATION_PATH = /usr/bin/navit\r\nRECORD_GPS_MSG = 0\r\nPITCH_SOURCE = 1\r\nROLL_SOURCE = -1\r\n"
      "RECORD_TRACK = 0\r\n[Other]\r\nX = 1\r\n");
  EXPECT_EQ(calls_, (std::vector<std::string>{"track 0"}));
}

}  // namespace
}  // namespace kivu
