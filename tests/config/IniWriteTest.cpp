// Writing the settings file: the four edits, the untouched lines, line ends, long entries, bad arguments.
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "config/IniFile.h"
#include "support/TestSupport.h"

namespace kivu {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

class IniWrite : public ::testing::Test {
 protected:
  // The file after writing key = value into "Settings" of a file that held before.
  std::string After(const std::string& before, const std::string& key, const std::string& value) {
    WriteFile(ini_, before);
    EXPECT_TRUE(IniWriteString("Settings", key, value, ini_));
    return ReadFile(ini_);
  }

  TempDir dir_;
  std::string ini_ = dir_ / "Kivu.ini";
};

TEST_F(IniWrite, FirstWriteCreatesTheHeaderAndTheEntry) {
  ASSERT_TRUE(IniWriteInt("Settings", "UNIT_SELECTION", 1, ini_));
  EXPECT_EQ(ReadFile(ini_), "[Settings]\r\nUNIT_SELECTION = 1\r\n");
  // An empty file is treated the same way.
  EXPECT_EQ(After("", "UNIT_SELECTION", "0"), "[Settings]\r\nUNIT_SELECTION = 0\r\n");
}

TEST_F(IniWrite, ReplacingAValueKeepsEveryOtherLineByteForByte) {
  const std::string head = "; made by hand\r\n\r\n  [Settings]  \r\n# units:\r\n\tDIGITAL_READOUT=0 \r\n";
  const std::string tail = "\r\n, old\r\nRECORD_TRACK =1\r\n[Other]\r\nUNIT_SELECTION = 3\r\n";
  EXPECT_EQ(After(head + "   UNIT_SELECTION  =\t0   \r\n" + tail, "UNIT_SELECTION", "1"),
            head + "UNIT_SELECTION = 1\r\n" + tail);
}

TEST_F(IniWrite, TheFirstLineHoldingTheKeyIsTheOneReplaced) {
  EXPECT_EQ(After("[Settings]\r\nXUNIT_SELECTION = 7\r\nUNIT_SELECTION = 0\r\n", "UNIT_SELECTION", "1"),
            "[Settings]\r\nUNIT_SELECTION = 1\r\nUNIT_SELECTION = 0\r\n");
  // A line that has the key but no '=' is replaced too.
  EXPECT_EQ(After("[Settings]\r\nUNIT_SELECTION\r\n", "UNIT_SELECTION", "1"),
            "[Settings]\r\nUNIT_SELECTION = 1\r\n");
}

TEST_F(IniWrite, ANewKeyGoesDirectlyAboveTheNextHeader) {
  EXPECT_EQ(After("[Settings]\r\nA = 1\r\n\r\n# end\r\n[Other]\r\nB = 2\r\n", "UNIT_SELECTION", "1"),
            "[Settings]\r\nA = 1\r\n\r\n# end\r\nUNIT_SELECTION = 1\r\n[Other]\r\nB = 2\r\n");
  // A second "Settings" section later on is not the section: the key joins the first one.
  EXPECT_EQ(After("[Settings]\r\n[Other]\r\n[Settings]\r\nUNIT_SELECTION = 5\r\n", "UNIT_SELECTION", "1"),
            "[Settings]\r\nUNIT_SELECTION = 1\r\n[Other]\r\n[Settings]\r\nUNIT_SELECTION = 5\r\n");
}

TEST_F(IniWrite, ANewKeyGoesToTheEndWhenItsSectionRunsToIt) {
  EXPECT_EQ(After("[Other]\r\nB = 2\r\n[Settings]\r\nA = 1\r\n\r\n", "UNIT_SELECTION", "1"),
            "[Other]\r\nB = 2\r\n[Settings]\r\nA = 1\r\n\r\nUNIT_SELECTION = 1\r\n");
}

TEST_F(IniWrite, AMissingSectionIsAppendedWithItsEntry) {
  EXPECT_EQ(After("[Other]\r\nUNIT_SELECTION = 5\r\n", "UNIT_SELECTION", "1"),
            "[Other]\r\nUNIT_SELECTION = 5\r\n[Settings]\r\nUNIT_SELECTION = 1\r\n");
  EXPECT_EQ(After("[settings]\r\n", "UNIT_SELECTION", "1"),
            "[settings]\r\n[Settings]\r\nUNIT_SELECTION = 1\r\n");
}

TEST_F(IniWrite, AnLfFileIsEditedInPlaceWithoutASecondSection) {
  EXPECT_EQ(
      After("[Settings]\nDISPLAY_AD = 0\nUNIT_SELECTION = 0\nBLINKING_LIGHT = 0\n", "UNIT_SELECTION", "1"),
      "[Settings]\nDISPLAY_AD = 0\nUNIT_SELECTION = 1\r\nBLINKING_LIGHT = 0\n");
  EXPECT_EQ(After("[Settings]\nDISPLAY_AD = 0\n[Other]\n", "RECORD_TRACK", "1"),
            "[Settings]\nDISPLAY_AD = 0\nRECORD_TRACK = 1\r\n[Other]\n");
}

TEST_F(IniWrite, ALastLineWithoutLineEndGetsOneBeforeAnythingFollows) {
  EXPECT_EQ(After("[Settings]\nA = 1", "B", "2"), "[Settings]\nA = 1\r\nB = 2\r\n");
  EXPECT_EQ(After("[Other]", "B", "2"), "[Other]\r\n[Settings]\r\nB = 2\r\n");
  EXPECT_EQ(After("[Settings]\nB = 1", "B", "2"), "[Settings]\nB = 2\r\n");
}

TEST_F(IniWrite, IntegersAreWrittenInDecimal) {
  ASSERT_TRUE(IniWriteInt("Settings", "A", -42, ini_));
  ASSERT_TRUE(IniWriteInt("Settings", "B", INT_MIN, ini_));
  ASSERT_TRUE(IniWriteInt("Settings", "C", INT_MAX, ini_));
  EXPECT_EQ(ReadFile(ini_), "[Settings]\r\nA = -42\r\nB = -2147483648\r\nC = 2147483647\r\n");
  EXPECT_EQ(IniGetInt("Settings", "B", 0, ini_), INT_MIN);
}

TEST_F(IniWrite, AnEmptyValueIsWrittenAndReadsBackEmpty) {
  EXPECT_EQ(After("", "NAVIGATION_PATH", ""), "[Settings]\r\nNAVIGATION_PATH = \r\n");
  EXPECT_EQ(IniGetString("Settings", "NAVIGATION_PATH", "d", ini_), "");
}

TEST_F(IniWrite, LongEntriesAreWrittenWhole) {
  std::string path = "/media/user/Card/" + std::string(500, 'p') + "/Navigator.bin";
  std::string section(100, 'S');
  ASSERT_TRUE(IniWriteString(section, "NAVIGATION_PATH", path, ini_));
  EXPECT_EQ(ReadFile(ini_), "[" + section + "]\r\nNAVIGATION_PATH = " + path + "\r\n");
  EXPECT_EQ(IniGetString(section, "NAVIGATION_PATH", "", ini_), path);
}

TEST_F(IniWrite, ArgumentsThatCouldNotBeReadBackAreRefused) {
  const std::string before = "[Settings]\r\nA = 1\r\n";
  WriteFile(ini_, before);
  EXPECT_FALSE(IniWriteString("", "A", "1", ini_));
  EXPECT_FALSE(IniWriteString("Settings", "", "1", ini_));
  EXPECT_FALSE(IniWriteString("Settings", "A", "1", ""));
  EXPECT_FALSE(IniWriteString("Settings", "A", "1\n2", ini_));
  EXPECT_FALSE(IniWriteString("Settings", "A\nB", "1", ini_));
  EXPECT_FALSE(IniWriteString("Set\ntings", "A", "1", ini_));
  EXPECT_FALSE(IniWriteString(" Settings", "A", "1", ini_));
  EXPECT_FALSE(IniWriteString("Settings", "A=B", "1", ini_));
  EXPECT_FALSE(IniWriteString("Settings", " A", "1", ini_));
  EXPECT_FALSE(IniWriteString("Settings", "#A", "1", ini_));
  EXPECT_FALSE(IniWriteString("Settings", ",A", "1", ini_));
  EXPECT_FALSE(IniWriteString("Settings", "[A", "1", ini_));
  EXPECT_EQ(ReadFile(ini_), before);
  // Nothing is created for a refused write either.
  EXPECT_FALSE(IniWriteString("Settings", "A=B", "1", dir_ / "New.ini"));
  EXPECT_FALSE(test::FileExists(dir_ / "New.ini"));
}

TEST_F(IniWrite, AFolderInPlaceOfTheFileIsNotReplaced) {
  ASSERT_EQ(mkdir(ini_.c_str(), 0755), 0);
  EXPECT_FALSE(IniWriteString("Settings", "A", "1", ini_));
  struct stat st;
  ASSERT_EQ(stat(ini_.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_FALSE(IniWriteString("Settings", "A", "1", dir_ / "missing/Kivu.ini"));
}

TEST_F(IniWrite, OfAFileFarTooLargeForSettingsTheWholeLinesOfItsFirstMiBAreReadAndNothingIsReplaced) {
  // The settings, then empty lines up to a key that the first MiB cuts in two, then 16 MiB more.
  const std::string start = "[Settings]\r\nA = 1\r\n";
  const std::string content = start + std::string((1 << 20) - start.size() - 4, '\n') + "B = 1234567\r\n" +
                              std::string(16 << 20, '\n') + "C = 3\r\n";
  WriteFile(ini_, content);
  testing::internal::CaptureStderr();
  EXPECT_EQ(IniGetString("Settings", "A", "d", ini_), "1");
  EXPECT_EQ(IniGetString("Settings", "B", "d", ini_), "d");  // not "1"
  EXPECT_EQ(IniGetString("Settings", "C", "d", ini_), "d");
  EXPECT_FALSE(IniWriteString("Settings", "A", "2", ini_));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "kivu: the settings file " + ini_ +
                " is larger than 1 MiB: only its first 1 MiB is read, and it is not rewritten\n");
  EXPECT_EQ(ReadFile(ini_), content);
}

}  // namespace
}  // namespace kivu
