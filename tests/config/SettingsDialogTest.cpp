#include <sys/stat.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <string>
#include <vector>

#include "config/SettingsDialog.h"
#include "support/QtTestSupport.h"
#include "support/TestSupport.h"

namespace kivu {
namespace {

using test::Find;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

SettingsValues Values(int unit, int readout, const std::string& path, int gps, int pitch, int roll,
                      int track) {
  SettingsValues values;
  values.unitSelection = unit;
  values.digitalReadout = readout;
  values.navigationPath = path;
  values.recordGpsMessages = gps;
  values.pitchSource = pitch;
  values.rollSource = roll;
  values.recordTrack = track;
  return values;
}

void ExpectValues(const SettingsValues& got, const SettingsValues& want) {
  EXPECT_EQ(got.unitSelection, want.unitSelection);
  EXPECT_EQ(got.digitalReadout, want.digitalReadout);
  EXPECT_EQ(got.navigationPath, want.navigationPath);
  EXPECT_EQ(got.recordGpsMessages, want.recordGpsMessages);
  EXPECT_EQ(got.pitchSource, want.pitchSource);
  EXPECT_EQ(got.rollSource, want.rollSource);
  EXPECT_EQ(got.recordTrack, want.recordTrack);
  EXPECT_EQ(got.displayMode, want.displayMode);
  EXPECT_EQ(got.headUpDisplay, want.headUpDisplay);
  EXPECT_EQ(got.backlightDusk, want.backlightDusk);
  EXPECT_EQ(got.backlightNight, want.backlightNight);
  EXPECT_EQ(got.speedWarning, want.speedWarning);
  EXPECT_EQ(got.warningSound, want.warningSound);
}

QStringList UnitLabels(QWidget* dialog) {
  return {Find<QLineEdit>(dialog, "1002")->text(), Find<QLineEdit>(dialog, "1003")->text(),
          Find<QLineEdit>(dialog, "1004")->text()};
}

void Ok(QWidget* dialog) {
  Find<QPushButton>(dialog, "1")->click();
}

TEST(SettingsDialog, OpeningShowsTheUnitSystemWithItsLabelsAndEveryStoredChoice) {
  CSettings metric;
  metric.SetValues(Values(0, 1, "/usr/bin/navit", 0, 1, 0, 1));
  metric.show();
  EXPECT_EQ(metric.windowTitle(), "Settings");
  EXPECT_EQ(Find<QComboBox>(&metric, "1000")->currentText(), "Metric");
  EXPECT_EQ(UnitLabels(&metric), (QStringList{"km/h", "m", "km"}));
  EXPECT_EQ(Find<QLineEdit>(&metric, "1005")->text(), "/usr/bin/navit");
  EXPECT_EQ(Find<QComboBox>(&metric, "1009")->currentText(), "Pitch angle");
  EXPECT_EQ(Find<QComboBox>(&metric, "1010")->currentText(), "Centripetal Acc");
  EXPECT_TRUE(Find<QCheckBox>(&metric, "1001")->isChecked());
  EXPECT_FALSE(Find<QCheckBox>(&metric, "1007")->isChecked());
  EXPECT_TRUE(Find<QCheckBox>(&metric, "1008")->isChecked());

  CSettings imperial;
  imperial.SetValues(Values(1, 0, "", 1, 0, 1, 0));
  imperial.show();
  EXPECT_EQ(Find<QComboBox>(&imperial, "1000")->currentText(), "Imperial");
  EXPECT_EQ(UnitLabels(&imperial), (QStringList{"mph", "ft", "mile"}));
  EXPECT_EQ(Find<QComboBox>(&imperial, "1010")->currentText(), "Roll angle");
}

TEST(SettingsDialog, AStoredUnitOutsideTheListSelectsNothingShowsImperialLabelsAndComesBackAsMinusOne) {
  CSettings dialog;
  dialog.SetValues(Values(5, 1, "/x", 0, -2, 9, 0));
  dialog.show();
  EXPECT_EQ(Find<QComboBox>(&dialog, "1000")->currentIndex(), -1);
  EXPECT_EQ(UnitLabels(&dialog), (QStringList{"mph", "ft", "mile"}));
  Ok(&dialog);
  EXPECT_EQ(dialog.result(), kDialogOk);
  ExpectValues(dialog.GetValues(), Values(-1, 1, "/x", 0, -1, -1, 0));
}

TEST(SettingsDialog, CheckValuesOutsideZeroToTwoShowUncheckedAndComeBackAsZeroOrOne) {
  CSettings dialog;
  dialog.SetValues(Values(0, -1, "", 3, 0, 0, 2));
  dialog.show();
  EXPECT_FALSE(Find<QCheckBox>(&dialog, "1001")->isChecked());
  EXPECT_FALSE(Find<QCheckBox>(&dialog, "1007")->isChecked());
  EXPECT_TRUE(Find<QCheckBox>(&dialog, "1008")->isChecked());
  Find<QCheckBox>(&dialog, "1007")->click();
  Ok(&dialog);
  ExpectValues(dialog.GetValues(), Values(0, 0, "", 1, 0, 0, 1));
}

TEST(SettingsDialog, ChangesFollowTheUnitBoxButCancelAndTheCloseBoxKeepTheValues) {
  const SettingsValues start = Values(0, 1, "/usr/bin/navit", 0, 0, 0, 0);
  CSettings dialog;
  dialog.SetValues(start);
  dialog.show();
  Find<QComboBox>(&dialog, "1000")->setCurrentIndex(1);
  EXPECT_EQ(UnitLabels(&dialog), (QStringList{"mph", "ft", "mile"}));
  Find<QCheckBox>(&dialog, "1007")->click();
  Find<QLineEdit>(&dialog, "1005")->setText("/opt/other");
  Find<QPushButton>(&dialog, "2")->click();
  EXPECT_EQ(dialog.result(), kDialogCancel);
  ExpectValues(dialog.GetValues(), start);

  CSettings closed;
  closed.SetValues(start);
  closed.show();
  Find<QComboBox>(&closed, "1009")->setCurrentIndex(1);
  closed.close();
  EXPECT_EQ(closed.result(), kDialogCancel);
  ExpectValues(closed.GetValues(), start);
}

TEST(SettingsDialog, OkReadsEveryControlAndTheTypedNavigatorPath) {
  CSettings dialog;
  dialog.SetValues(Values(0, 1, "/SDMMC/Navikko/Navikko.exe", 0, 0, 0, 0));
  dialog.show();
  Find<QComboBox>(&dialog, "1000")->setCurrentIndex(1);
  Find<QComboBox>(&dialog, "1009")->setCurrentIndex(1);
  Find<QComboBox>(&dialog, "1010")->setCurrentIndex(1);
  Find<QCheckBox>(&dialog, "1001")->click();
  Find<QCheckBox>(&dialog, "1007")->click();
  Find<QCheckBox>(&dialog, "1008")->click();
  Find<QLineEdit>(&dialog, "1005")->setText("/usr/bin/navit");
  Ok(&dialog);
  ExpectValues(dialog.GetValues(), Values(1, 0, "/usr/bin/navit", 1, 1, 1, 1));
}

TEST(SettingsDialog, TheGpsRowShowsTheStoredSourceAndOkTakesTheChosenOne) {
  CSettings dialog;
  SettingsValues values = Values(0, 1, "/usr/bin/navit", 0, 0, 0, 0);
  values.gpsSource = "gpsd:car.local:3000";  // a gpsd elsewhere: kept, and shown as it is
  dialog.SetValues(values);
  dialog.show();
  auto* gps = Find<QComboBox>(&dialog, "1011");
  EXPECT_EQ(gps->itemText(0), "Automatic");
  EXPECT_EQ(gps->currentText(), "gpsd (car.local:3000)");
  Ok(&dialog);
  EXPECT_EQ(dialog.GetValues().gpsSource, "gpsd:car.local:3000");

  CSettings again;
  again.SetValues(values);
  again.show();
  Find<QComboBox>(&again, "1011")->setCurrentIndex(0);
  Ok(&again);
  EXPECT_EQ(again.GetValues().gpsSource, "");
}

TEST(SettingsDialog, TheDisplayRowsShowTheStoredChoicesAndKeepAValueNoItemNames) {
  SettingsValues values = Values(0, 1, "/usr/bin/navit", 0, 0, 0, 0);
  values.displayMode = kDisplayRedNight;
  values.headUpDisplay = 1;
  values.backlightDusk = 40;
  values.backlightNight = 55;  // written by hand: no step of the box
  values.speedWarning = 100;
  CSettings dialog;
  dialog.SetValues(values);
  dialog.show();
  auto* display = Find<QComboBox>(&dialog, "1012");
  auto* dusk = Find<QComboBox>(&dialog, "1014");
  auto* night = Find<QComboBox>(&dialog, "1015");
  EXPECT_EQ(display->currentText(), "Red night");
  EXPECT_TRUE(Find<QCheckBox>(&dialog, "1013")->isChecked());
  EXPECT_EQ(dusk->currentText(), "40%");
  EXPECT_EQ(night->currentIndex(), -1);
  EXPECT_EQ(dusk->itemText(0), "10%");
  EXPECT_EQ(dusk->itemText(dusk->count() - 1), "100%");
  // The speed warning lists the limits of the unit system chosen, and follows a change of it.
  auto* limit = Find<QComboBox>(&dialog, "1016");
  EXPECT_EQ(limit->currentText(), "100 km/h");
  EXPECT_TRUE(Find<QCheckBox>(&dialog, "1017")->isChecked());
  EXPECT_EQ(limit->itemText(0), "Off");
  EXPECT_EQ(limit->itemText(1), "30 km/h");
  EXPECT_EQ(limit->itemText(limit->count() - 1), "250 km/h");
  Find<QComboBox>(&dialog, "1000")->setCurrentIndex(1);
  EXPECT_EQ(limit->currentText(), "60 mph");
  EXPECT_EQ(limit->itemText(1), "20 mph");
  EXPECT_EQ(limit->itemText(limit->count() - 1), "155 mph");
  Find<QCheckBox>(&dialog, "1017")->click();
  display->setCurrentIndex(0);
  Find<QCheckBox>(&dialog, "1013")->click();
  dusk->setCurrentIndex(dusk->count() - 1);
  Ok(&dialog);
  SettingsValues want = values;
  want.unitSelection = 1;
  want.displayMode = kDisplayAutomatic;
  want.headUpDisplay = 0;
  want.backlightDusk = 100;
  want.speedWarning = 60;
  want.warningSound = 0;
  ExpectValues(dialog.GetValues(), want);

  values.displayMode = 9;    // counts as Automatic, selects nothing, and stays as it is
  values.speedWarning = 33;  // likewise
  CSettings odd;
  odd.SetValues(values);
  odd.show();
  EXPECT_EQ(Find<QComboBox>(&odd, "1012")->currentIndex(), -1);
  EXPECT_EQ(Find<QComboBox>(&odd, "1016")->currentIndex(), -1);
  Find<QComboBox>(&odd, "1015")->setCurrentIndex(1);
  Ok(&odd);
  want = values;
  want.backlightNight = 20;
  ExpectValues(odd.GetValues(), want);
}

TEST(SettingsDialog, AnUntouchedPathComesBackByteForByte) {
  const std::string odd = "/media/card/nav\xff";
  CSettings dialog;
  dialog.SetValues(Values(0, 1, odd, 0, 0, 0, 0));
  dialog.show();
  Ok(&dialog);
  EXPECT_EQ(dialog.GetValues().navigationPath, odd);
}

TEST(SettingsDialog, AboutRunsTheAboutBoxWhileTheDialogStaysOpen) {
  int shown = 0;
  CSettings dialog;
  dialog.SetAboutHandler([&shown] { ++shown; });
  dialog.show();
  Find<QPushButton>(&dialog, "57664")->click();
  EXPECT_EQ(Find<QPushButton>(&dialog, "57664")->text(), "About Kivu...");
  EXPECT_EQ(shown, 1);
  EXPECT_TRUE(dialog.isVisible());
}

class SettingsRun : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(mkdir((dir_ / "bin").c_str(), 0755), 0);
    WriteFile(dir_ / "bin/navit", "#!/bin/sh\n");
    ASSERT_EQ(chmod((dir_ / "bin/navit").c_str(), 0755), 0);
    WriteFile(dir_ / "bin/old", "#!/bin/sh\n");
    ASSERT_EQ(chmod((dir_ / "bin/old").c_str(), 0755), 0);
  }
  TempDir dir_;
};

TEST_F(SettingsRun, BrowsingStartsAtTheNavigatorAndThenCancelKeepsTheOldPath) {
  SettingsValues values = Values(0, 1, dir_ / "bin/old", 0, 0, 0, 0);
  std::string browsedFrom;
  test::WhenModal([&browsedFrom, this](QWidget* settings) {
    test::WhenModal([&browsedFrom](QWidget* browse) {
      browsedFrom = Find<QLabel>(browse, "1011")->text().toStdString();
      test::DoubleClick(Find<QListWidget>(browse, "1007"), "navit");
    });
    Find<QPushButton>(settings, "1006")->click();
    EXPECT_EQ(Find<QLineEdit>(settings, "1005")->text().toStdString(), dir_ / "bin/navit");
    Find<QPushButton>(settings, "2")->click();
  });
  EXPECT_FALSE(RunSettingsDialog(nullptr, values, nullptr));
  EXPECT_EQ(browsedFrom, dir_ / "bin");
  EXPECT_EQ(values.navigationPath, dir_ / "bin/old");
}

TEST_F(SettingsRun, ANewUsersFirstOkSavesTheChoicesAndSwitchesBothRecordings) {
  AppSettings settings;
  settings.recordFolder = dir_ / "KivuRecord/";
  settings.navigationPath = "/SDMMC/Navikko/Navikko.exe";
  SettingsValues values = SettingsValuesOf(settings);
  test::WhenModal([](QWidget* dialog) {
    Find<QComboBox>(dialog, "1000")->setCurrentIndex(1);
    Find<QLineEdit>(dialog, "1005")->setText("/usr/bin/navit");
    Find<QCheckBox>(dialog, "1007")->click();
    Find<QCheckBox>(dialog, "1008")->click();
    Ok(dialog);
  });
  ASSERT_TRUE(RunSettingsDialog(nullptr, values, nullptr));
  std::vector<std::string> calls;
  RecordingSwitches switches;
  switches.setRecordMessages = [&calls](const std::string& folder, bool flag) {
    calls.push_back(folder + " " + std::to_string(flag));
  };
  switches.setRecordTrack = [&calls](bool flag) { calls.push_back("track " + std::to_string(flag)); };
  ApplySettingsValues(settings, values, dir_ / "Kivu.ini", switches);
  EXPECT_EQ(settings.unitSelection, 1);
  EXPECT_EQ(ReadFile(dir_ / "Kivu.ini"),
            "[Settings]\r\nDIGITAL_READOUT = 1\r\nUNIT_SELECTION = 1\r\nNAVIGATION_PATH = /usr/bin/navit\r\n"
            "RECORD_GPS_MSG = 1\r\nPITCH_SOURCE = 0\r\nROLL_SOURCE = 0\r\nRECORD_TRACK = 1\r\n");
  EXPECT_EQ(calls, (std::vector<std::string>{dir_ / "KivuRecord/ 1", "track 1"}));
}

}  // namespace
}  // namespace kivu
