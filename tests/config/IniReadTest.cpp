// Reading the settings file: line kinds, section and key matching, values and integers.
#include <sys/stat.h>

#include <climits>
#include <string>

#include "config/IniFile.h"
#include "support/TestSupport.h"

namespace kivu {
namespace {

using test::TempDir;
using test::WriteFile;

class IniRead : public ::testing::Test {
 protected:
  // The value of key in "Settings" of a file holding content, with "<default>" as the default.
  std::string Read(const std::string& content, const std::string& key = "UNIT_SELECTION") {
    WriteFile(ini_, content);
    return IniGetString("Settings", key, "<default>", ini_);
  }
  int ReadInt(const std::string& content, int defaultValue = -77) {
    WriteFile(ini_, content);
    return IniGetInt("Settings", "UNIT_SELECTION", defaultValue, ini_);
  }
  int IntOf(const std::string& valueText) {
    return ReadInt("[Settings]\r\nUNIT_SELECTION = " + valueText + "\r\n");
  }

  TempDir dir_;
  std::string ini_ = dir_ / "Kivu.ini";
};

TEST_F(IniRead, MissingOrEmptyFileGivesTheDefault) {
  EXPECT_EQ(IniGetString("Settings", "NAVIGATION_PATH", "/x/nav", ini_), "/x/nav");
  EXPECT_EQ(IniGetString("Settings", "NAVIGATION_PATH", "", ini_), "");
  EXPECT_EQ(IniGetInt("Settings", "DIGITAL_READOUT", 1, ini_), 1);
  EXPECT_EQ(IniGetInt("Settings", "DIGITAL_READOUT", -3, dir_ / "no/such/folder/Kivu.ini"), -3);
  EXPECT_FALSE(test::FileExists(ini_));  // reading never creates the file
  EXPECT_EQ(Read(""), "<default>");
  EXPECT_EQ(ReadInt(""), -77);
}

TEST_F(IniRead, EmptySectionKeyOrPathGivesEmptyTextNotTheDefault) {
  WriteFile(ini_, "[Settings]\r\nUNIT_SELECTION = 1\r\n");
  EXPECT_EQ(IniGetString("", "UNIT_SELECTION", "d", ini_), "");
  EXPECT_EQ(IniGetString("Settings", "", "d", ini_), "");
  EXPECT_EQ(IniGetString("Settings", "UNIT_SELECTION", "d", ""), "");
  // The integer read sees that empty text and falls back on its own default.
  EXPECT_EQ(IniGetInt("Settings", "", 5, ini_), 5);
}

TEST_F(IniRead, AFolderInPlaceOfTheFileGivesTheDefault) {
  ASSERT_EQ(mkdir(ini_.c_str(), 0755), 0);
  EXPECT_EQ(IniGetString("Settings", "UNIT_SELECTION", "d", ini_), "d");
}

TEST_F(IniRead, BlanksAroundKeyEqualsAndValueAreSkipped) {
  EXPECT_EQ(Read("[Settings]\r\n   UNIT_SELECTION   =   1   \r\n"), "1");
  EXPECT_EQ(Read("[Settings]\r\n\tUNIT_SELECTION\t=\t \t2 \t\r\n"), "2");
  EXPECT_EQ(Read("[Settings]\r\nUNIT_SELECTION=3\r\n"), "3");
  // Blanks inside the value stay.
  EXPECT_EQ(Read("[Settings]\r\nNAVIGATION_PATH = /a b/c d.exe  \r\n", "NAVIGATION_PATH"), "/a b/c d.exe");
}

TEST_F(IniRead, CommaAndHashMarkCommentsButSemicolonDoesNot) {
  EXPECT_EQ(Read("[Settings]\r\n# UNIT_SELECTION = 1\r\n  , UNIT_SELECTION = 2\r\n"), "<default>");
  EXPECT_EQ(Read("[Settings]\r\n# UNIT_SELECTION = 1\r\n, UNIT_SELECTION = 2\r\n; UNIT_SELECTION = 3\r\n"),
            "3");
  // A commented-out header neither opens nor closes a section.
  EXPECT_EQ(Read("[Settings]\r\n#[Other]\r\nUNIT_SELECTION = 4\r\n"), "4");
  EXPECT_EQ(Read("#[Settings]\r\nUNIT_SELECTION = 4\r\n"), "<default>");
}

TEST_F(IniRead, SectionHeaderMatchesByPrefix) {
  EXPECT_EQ(Read("[Settings2]\r\nUNIT_SELECTION = 4\r\n"), "4");
  EXPECT_EQ(Read(" \t[ \t Settings]\r\nUNIT_SELECTION = 5\r\n"), "5");
  EXPECT_EQ(Read("[Settings\r\nUNIT_SELECTION = 6\r\n"), "6");  // no closing bracket needed
  EXPECT_EQ(Read("[settings]\r\nUNIT_SELECTION = 1\r\n"), "<default>");
  EXPECT_EQ(Read("[Setting]\r\nUNIT_SELECTION = 1\r\n"), "<default>");
  EXPECT_EQ(Read("[My Settings]\r\nUNIT_SELECTION = 1\r\n"), "<default>");
}

TEST_F(IniRead, OnlyTheFirstSectionOfANameCounts) {
  // Before any header, in another section, and in a second "Settings" after another header.
  EXPECT_EQ(Read("UNIT_SELECTION = 9\r\n[Settings]\r\nA = 1\r\n"), "<default>");
  EXPECT_EQ(
      Read("[Settings]\r\nA = 1\r\n[Other]\r\nUNIT_SELECTION = 5\r\n[Settings]\r\nUNIT_SELECTION = 6\r\n"),
      "<default>");
  // Two entries for the key: the first one wins.
  EXPECT_EQ(Read("[Settings]\r\nUNIT_SELECTION = 1\r\nUNIT_SELECTION = 2\r\n"), "1");
}

TEST_F(IniRead, KeyMatchesAnywhereInTheLineAndCaseCounts) {
  EXPECT_EQ(Read("[Settings]\r\nXUNIT_SELECTION = 7\r\nUNIT_SELECTION = 1\r\n"), "7");
  EXPECT_EQ(Read("[Settings]\r\nNOTE = see UNIT_SELECTION\r\nUNIT_SELECTION = 1\r\n"), "see UNIT_SELECTION");
  EXPECT_EQ(Read("[Settings]\r\nunit_selection = 1\r\n"), "<default>");
  EXPECT_EQ(Read("[Settings]\r\nUNIT_SELECTIO = 1\r\n"), "<default>");
}

TEST_F(IniRead, OnlyTheFirstEqualsSignSeparatesAndThereAreNoInlineComments) {
  EXPECT_EQ(Read("[Settings]\r\nNAVIGATION_PATH = /a=b.exe\r\n", "NAVIGATION_PATH"), "/a=b.exe");
  EXPECT_EQ(Read("[Settings]\r\nUNIT_SELECTION = 1 # note\r\n"), "1 # note");
  EXPECT_EQ(ReadInt("[Settings]\r\nUNIT_SELECTION = 1 # note\r\n"), 1);
  // The key's line decides even when it has no '=': a later proper entry is not looked at.
  EXPECT_EQ(Read("[Settings]\r\nUNIT_SELECTION 1\r\nUNIT_SELECTION = 2\r\n"), "<default>");
}

TEST_F(IniRead, EmptyValueReadsEmptyAndTheIntegerGetsItsDefault) {
  EXPECT_EQ(Read("[Settings]\r\nUNIT_SELECTION =\r\n"), "");
  EXPECT_EQ(Read("[Settings]\r\nUNIT_SELECTION = \t \r\n"), "");
  EXPECT_EQ(ReadInt("[Settings]\r\nUNIT_SELECTION =\r\n", 9), 9);
}

TEST_F(IniRead, IntegersReadLikeStrtolAndClampToTheIntRange) {
  EXPECT_EQ(IntOf("abc"), 0);  // no digits: 0, not the default
  EXPECT_EQ(IntOf("12abc"), 12);
  EXPECT_EQ(IntOf("-5"), -5);
  EXPECT_EQ(IntOf("+7"), 7);
  EXPECT_EQ(IntOf("- 5"), 0);
  EXPECT_EQ(IntOf("0x10"), 0);
  EXPECT_EQ(IntOf("007"), 7);
  EXPECT_EQ(IntOf("\v\f3"), 3);
  EXPECT_EQ(IntOf("2147483647"), 2147483647);
  EXPECT_EQ(IntOf("-2147483648"), INT_MIN);
  EXPECT_EQ(IntOf("2147483648"), INT_MAX);
  EXPECT_EQ(IntOf("-2147483649"), INT_MIN);
  EXPECT_EQ(IntOf("99999999999999999999999999999999"), INT_MAX);
  EXPECT_EQ(IntOf("-99999999999999999999999999999999x"), INT_MIN);
}

TEST_F(IniRead, LinesEndAtLfWithOrWithoutCr) {
  EXPECT_EQ(Read("[Settings]\nDISPLAY_AD = 0\nUNIT_SELECTION = 1\n"), "1");
  EXPECT_EQ(Read("[Settings]\r\nDISPLAY_AD = 0\nUNIT_SELECTION = 2\r\n"), "2");
  // The last line needs no line end.
  EXPECT_EQ(Read("[Settings]\nUNIT_SELECTION = 3"), "3");
  EXPECT_EQ(Read("[Settings]\r\nUNIT_SELECTION = 3 \t"), "3");
  // A CR that is not followed by LF is text: here the key stands on the header line, so it is not found.
  EXPECT_EQ(Read("[Settings]\rUNIT_SELECTION = 1\r\n"), "<default>");
  EXPECT_EQ(Read("[Settings]\r\nUNIT_SELECTION = 1\r\r\n"), "1\r");
}

TEST_F(IniRead, LongEntriesReadWhole) {
  std::string path = "/media/user/Card/" + std::string(300, 'n') + "/Navigator.bin";
  EXPECT_EQ(Read("[Settings]\r\nNAVIGATION_PATH = " + path + "\r\n", "NAVIGATION_PATH"), path);
}

}  // namespace
}  // namespace kivu
