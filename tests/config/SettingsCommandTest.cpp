#include <unistd.h>

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
      switches.setRecordMessages = [this](const std::string& folder, bool flag) {
        calls_.push_back("messages " + folder + " " + std::to_string(flag));
      };
    switches.setRecordTrack = [this](bool flag) { calls_.push_back("track " + std::to_string(flag)); };
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

TEST_F(SettingsCommand, AChangedGpsSourceIsSavedReadBackAndSwitchedOnlyWhenItChanged) {
  std::vector<std::string> sources;
  RecordingSwitches switches = Switches(false);
  switches.setGpsSource = [&](const std::string& source) { sources.push_back(source); };
  ApplySettingsValues(settings_, values_, ini_, switches);  // Automatic as before: nothing to switch
  EXPECT_EQ(ReadFile(ini_).find("GPS_SOURCE"), std::string::npos);
  values_.gpsSource = "gpsd:car.local:3000";
  ApplySettingsValues(settings_, values_, ini_, switches);
  ApplySettingsValues(settings_, values_, ini_, switches);
  values_.gpsSource = "";
  ApplySettingsValues(settings_, values_, ini_, switches);
  EXPECT_EQ(sources, (std::vector<std::string>{"gpsd:car.local:3000", ""}));
  // Back to Automatic, the key stays with an empty value, which reads as Automatic.
  EXPECT_NE(ReadFile(ini_).find("GPS_SOURCE = \r\n"), std::string::npos);
  AppSettings read;
  read.gpsSource = "unread";
  ReadAppSettings(read, ini_);
  EXPECT_EQ(read.gpsSource, "");
}

TEST(GpsSourceChoices, PortsShowWhatTheyAreAndAStoredSourceFoundNowhereIsKept) {
  // A by-id folder as udev makes it, with a receiver behind one link.
  TempDir byId;
  test::PseudoTerminal receiver;
  ASSERT_EQ(symlink(receiver.SlavePath().c_str(),
                    (byId / "usb-u-blox_AG_-_www.u-blox.com_u-blox_GNSS_receiver-if00").c_str()),
            0);
  setenv("KIVU_PORTS", ("/dev/kivu-no-such-port:" + receiver.SlavePath()).c_str(), 1);
  const std::vector<SerialPortInfo> ports = ListSerialPorts(byId.Path());
  unsetenv("KIVU_PORTS");
  ASSERT_EQ(ports.size(), 1u);  // the table's port and the link's are the same device
  EXPECT_EQ(ports[0].path, receiver.SlavePath());
  EXPECT_EQ(ports[0].description, "u-blox AG - www.u-blox.com u-blox GNSS receiver");

  auto labels = [&](const std::string& stored) {
    std::vector<std::string> shown;
    for (const GpsSourceChoice& choice : GpsSourceChoices(stored, ports))
      shown.push_back(choice.label + " = " + choice.setting);
    return shown;
  };
  const std::string port = receiver.SlavePath();
  const std::vector<std::string> offered = {
      "Automatic = ", port + " (u-blox AG - www.u-blox.com u-blox GNSS receiver) = " + port,
      "gpsd (localhost:2947) = gpsd"};
  EXPECT_EQ(labels(""), offered);
  EXPECT_EQ(labels(port), offered);
  std::vector<std::string> withUnplugged = offered;
  withUnplugged.push_back("/dev/ttyUSB7 (not connected) = /dev/ttyUSB7");
  EXPECT_EQ(labels("/dev/ttyUSB7"), withUnplugged);
  std::vector<std::string> withOddText = offered;
  withOddText.push_back("COM3: = COM3:");
  EXPECT_EQ(labels("COM3:"), withOddText);
}

}  // namespace
}  // namespace kivu
