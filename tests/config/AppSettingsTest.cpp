// The settings model: defaults at first start, the first save, hand edits, the folders Kivu uses.
#include "config/AppSettings.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <sstream>
#include <string>

#include "ChildProcess.h"
#include "platform/ModuleFolder.h"
#include "support/TestSupport.h"

namespace kivu {
namespace {

using test::FileExists;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

bool IsFolder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The stored settings but the GPS source, in the order of a first save, then DISPLAY_AD,
// BLINKING_LIGHT, DISPLAY_MODE, HEAD_UP_DISPLAY, BACKLIGHT_DUSK, BACKLIGHT_NIGHT, SPEED_WARNING and
// WARNING_SOUND, between bars.
std::string StoredOf(const AppSettings& s) {
  std::ostringstream stored;
  stored << s.digitalReadout << '|' << s.unitSelection << '|' << s.navigationPath;
  for (int value :
       {s.recordGpsMessages, s.pitchSource, s.rollSource, s.recordTrack, s.displayAd, s.blinkingLight,
        s.displayMode, s.headUpDisplay, s.backlightDusk, s.backlightNight, s.speedWarning, s.warningSound})
    stored << '|' << value;
  return stored.str();
}

// Sets an environment variable for the length of a test and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class Settings : public ::testing::Test {
 protected:
  TempDir home_;
  ScopedEnv kivuHome_{"KIVU_HOME", home_.Path()};
  ScopedEnv path_{"PATH", home_.Path() + "no-programs-here"};
  std::string ini_ = home_ / "Kivu.ini";
};

TEST_F(Settings, WithoutAStoredNavigatorTheFirstKnownOneOnPathIsTheDefaultAndAStoredOneStaysAsItIs) {
  for (const char* folder : {"bin1", "bin2"})
    ASSERT_EQ(mkdir((home_ / folder).c_str(), 0755), 0);
  auto program = [&](const std::string& path, mode_t mode) {
    WriteFile(path, "#!/bin/sh\n");
    ASSERT_EQ(chmod(path.c_str(), mode), 0);
  };
  program(home_ / "bin1/navit", 0644);  // not executable: not a program
  program(home_ / "bin1/foxtrotgps", 0755);
  ScopedEnv path("PATH", "relative/bin:" + home_ / "bin1" + ":" + home_ / "bin2");
  EXPECT_EQ(LoadAppSettings().navigationPath, home_ / "bin1/foxtrotgps");
  program(home_ / "bin2/navit", 0755);
  EXPECT_EQ(LoadAppSettings().navigationPath, home_ / "bin2/navit");  // navit comes first wherever it is
  WriteFile(ini_, "[Settings]\r\nNAVIGATION_PATH = /SDMMC/Navikko/Navikko.exe\r\n");
  EXPECT_EQ(LoadAppSettings().navigationPath, "/SDMMC/Navikko/Navikko.exe");
}

TEST_F(Settings, FirstStartGivesTheDefaultsAndCreatesOnlyTheRecordFolder) {
  AppSettings s = LoadAppSettings();
  EXPECT_EQ(StoredOf(s), "1|0|/SDMMC/Navikko/Navikko.exe|0|0|0|0|1|1|0|0|60|30|0|1");
  EXPECT_EQ(s.adTexts, std::vector<std::string>{"Velmarix provides sponsorship"});
  EXPECT_EQ(s.recordFolder, home_ / "KivuRecord/");
  EXPECT_TRUE(IsFolder(home_ / "KivuRecord"));
  EXPECT_FALSE(FileExists(ini_));
}

TEST_F(Settings, TheSettingsFileLiesInTheModuleFolder) {
  EXPECT_EQ(GetModuleFolder(), home_.Path());
  EXPECT_EQ(GetIniFilePath(), home_ / "Kivu.ini");
}

TEST_F(Settings, FirstSaveWritesExactlyTheEightLines) {
  AppSettings s = LoadAppSettings();
  s.unitSelection = 1;
  s.navigationPath = "/opt/nav/bin/navigator";
  s.recordTrack = 1;
  s.pitchSource = -1;  // an unselected choice is stored as it is
  ASSERT_TRUE(SaveAppSettings(s, GetIniFilePath()));
  EXPECT_EQ(ReadFile(ini_),
            "[Settings]\r\n"
            "DIGITAL_READOUT = 1\r\n"
            "UNIT_SELECTION = 1\r\n"
            "NAVIGATION_PATH = /opt/nav/bin/navigator\r\n"
            "RECORD_GPS_MSG = 0\r\n"
            "PITCH_SOURCE = -1\r\n"
            "ROLL_SOURCE = 0\r\n"
            "RECORD_TRACK = 1\r\n");
}

TEST_F(Settings, EveryStoredKeyIsLoaded) {
  WriteFile(ini_,
            "[Settings]\n"
            "WARNING_SOUND = 0\n"
            "SPEED_WARNING = 65\n"
            "BACKLIGHT_NIGHT = -5\n"
            "BACKLIGHT_DUSK = 150\n"
            "HEAD_UP_DISPLAY = 2\n"
            "DISPLAY_MODE = 4\n"
            "BLINKING_LIGHT = 0\n"
            "DISPLAY_AD = 2\n"
            "RECORD_TRACK = 1\n"
            "ROLL_SOURCE = 1\n"
            "PITCH_SOURCE = 1\n"
            "RECORD_GPS_MSG = 1\n"
            "NAVIGATION_PATH = /usr/local/bin/nav tool\n"
            "UNIT_SELECTION = 5\n"
            "DIGITAL_READOUT = 0\n");
  // Levels outside 1..100 are kept as they stand; the screen brings them into range.
  EXPECT_EQ(StoredOf(LoadAppSettings()), "0|5|/usr/local/bin/nav tool|1|1|1|1|2|0|4|2|150|-5|65|0");
}

TEST(SettingsKeys, NoKeyIsFoundOnAnotherKeysLine) {
  for (const char* key : kSettingsKeys) {
    for (const char* other : kSettingsKeys) {
      if (key == other) continue;
      EXPECT_EQ((std::string(other) + " = 1").find(key), std::string::npos) << key << " on " << other;
    }
  }
}

TEST_F(Settings, AnEmptyPathStaysEmptyButAnEmptyIntegerGetsItsDefault) {
  WriteFile(ini_, "[Settings]\r\nNAVIGATION_PATH =\r\nDIGITAL_READOUT =\r\n");
  AppSettings s = LoadAppSettings();
  EXPECT_EQ(s.navigationPath, "");
  EXPECT_EQ(s.digitalReadout, 1);
}

TEST_F(Settings, AHandEditedDisplayAdTakesEffectAndSavesKeepIt) {
  const std::string handMade = "[Settings]\nDISPLAY_AD = 0\nBLINKING_LIGHT = 0\nUNIT_SELECTION = 1\n";
  WriteFile(ini_, handMade);
  AppSettings s = LoadAppSettings();
  EXPECT_EQ(s.displayAd, 0);
  EXPECT_EQ(s.blinkingLight, 0);
  EXPECT_EQ(s.unitSelection, 1);
  ASSERT_TRUE(SaveAppSettings(s, GetIniFilePath()));
  ASSERT_TRUE(SaveAppSettings(s, GetIniFilePath()));  // a second save changes nothing more
  EXPECT_EQ(ReadFile(ini_),
            "[Settings]\nDISPLAY_AD = 0\nBLINKING_LIGHT = 0\n"
            "UNIT_SELECTION = 1\r\n"
            "DIGITAL_READOUT = 1\r\n"
            "NAVIGATION_PATH = /SDMMC/Navikko/Navikko.exe\r\n"
            "RECORD_GPS_MSG = 0\r\n"
            "PITCH_SOURCE = 0\r\n"
            "ROLL_SOURCE = 0\r\n"
            "RECORD_TRACK = 0\r\n");
  EXPECT_EQ(LoadAppSettings().displayAd, 0);
}

TEST_F(Settings, DisplayChoicesAreWrittenOnceChosenAndKeptOnceWritten) {
  AppSettings s = LoadAppSettings();
  ASSERT_TRUE(SaveDisplaySettings(s, ini_));  // nothing chosen: the file is not even made
  EXPECT_FALSE(FileExists(ini_));
  s.displayMode = kDisplayRedNight;
  s.backlightNight = 20;
  ASSERT_TRUE(SaveDisplaySettings(s, ini_));
  EXPECT_EQ(ReadFile(ini_), "[Settings]\r\nDISPLAY_MODE = 4\r\nBACKLIGHT_NIGHT = 20\r\n");
  // Back to the default, a key the file has is written all the same; one it lacks is not.
  s.displayMode = kDisplayAutomatic;
  s.headUpDisplay = 1;
  s.speedWarning = 110;
  ASSERT_TRUE(SaveAppSettings(s, ini_));
  EXPECT_EQ(ReadFile(ini_),
            "[Settings]\r\nDISPLAY_MODE = 0\r\nBACKLIGHT_NIGHT = 20\r\n"
            "DIGITAL_READOUT = 1\r\nUNIT_SELECTION = 0\r\nNAVIGATION_PATH = /SDMMC/Navikko/Navikko.exe\r\n"
            "RECORD_GPS_MSG = 0\r\nPITCH_SOURCE = 0\r\nROLL_SOURCE = 0\r\nRECORD_TRACK = 0\r\n"
            "HEAD_UP_DISPLAY = 1\r\nSPEED_WARNING = 110\r\n");
  EXPECT_EQ(StoredOf(LoadAppSettings()), "1|0|/SDMMC/Navikko/Navikko.exe|0|0|0|0|1|1|0|1|60|20|110|1");
}

TEST_F(Settings, ASaveGoesOnPastAKeyThatCannotBeWritten) {
  AppSettings s;
  s.navigationPath = "/a\n/b";  // a line feed could not be read back: this one key is left out
  s.recordTrack = 1;
  EXPECT_FALSE(SaveAppSettings(s, ini_));
  EXPECT_EQ(ReadFile(ini_),
            "[Settings]\r\nDIGITAL_READOUT = 1\r\nUNIT_SELECTION = 0\r\nRECORD_GPS_MSG = 0\r\n"
            "PITCH_SOURCE = 0\r\nROLL_SOURCE = 0\r\nRECORD_TRACK = 1\r\n");
}

TEST_F(Settings, TheRecordFolderFallsBackToTheModuleFolder) {
  // A file that carries the folder's name is no folder.
  WriteFile(home_ / "KivuRecord", "not a folder");
  EXPECT_EQ(GetRecordFolder(), home_.Path());
  EXPECT_EQ(LoadAppSettings().recordFolder, home_.Path());
}

TEST_F(Settings, ARecordFolderThatCannotBeMadeFallsBackToTheModuleFolder) {
  ASSERT_EQ(chmod(home_.Path().c_str(), 0555), 0);
  test::ChildOutcome child = test::RunUnprivileged([this] {
    if (access(home_.Path().c_str(), W_OK) == 0) return 10;
    return GetRecordFolder() == home_.Path() ? 0 : 1;
  });
  chmod(home_.Path().c_str(), 0700);
  KIVU_EXPECT_UNPRIVILEGED_SUCCESS(child);
  EXPECT_FALSE(FileExists(home_ / "KivuRecord"));
}

TEST_F(Settings, AnExistingRecordFolderIsUsed) {
  ASSERT_EQ(mkdir((home_ / "KivuRecord").c_str(), 0700), 0);
  WriteFile(home_ / "KivuRecord/track260101.txt", "kept");
  EXPECT_EQ(GetRecordFolder(), home_ / "KivuRecord/");
  EXPECT_EQ(ReadFile(home_ / "KivuRecord/track260101.txt"), "kept");
}

class ModuleFolderChoice : public ::testing::Test {
 protected:
  TempDir dir_;
};

TEST_F(ModuleFolderChoice, KivuHomeComesFirstIsCreatedAndEndsWithASlash) {
  ModuleFolderSources sources{dir_ / "home/kivu", dir_ / "bin/kivu", dir_ / "data", dir_ / "user"};
  ASSERT_EQ(mkdir((dir_ / "bin").c_str(), 0755), 0);
  EXPECT_EQ(ResolveModuleFolder(sources), dir_ / "home/kivu/");
  EXPECT_TRUE(IsFolder(dir_ / "home/kivu"));
}

TEST_F(ModuleFolderChoice, AWritableExecutableFolderIsAPortableInstall) {
  ASSERT_EQ(mkdir((dir_ / "bin").c_str(), 0755), 0);
  ModuleFolderSources sources{"", dir_ / "bin/kivu", dir_ / "data", dir_ / "user"};
  EXPECT_EQ(ResolveModuleFolder(sources), dir_ / "bin/");
  EXPECT_FALSE(FileExists(dir_ / "data"));
}

TEST_F(ModuleFolderChoice, ASystemInstallUsesTheUsersDataFolder) {
  // Closed to its owner as well, for a run of the tests by a normal user.
  ASSERT_EQ(mkdir((dir_ / "bin").c_str(), 0555), 0);
  ASSERT_EQ(chmod(dir_.Path().c_str(), 0777), 0);
  test::ChildOutcome child = test::RunUnprivileged([this] {
    if (access((dir_ / "bin").c_str(), W_OK) == 0) return 10;
    ModuleFolderSources sources{"", dir_ / "bin/kivu", dir_ / "data", dir_ / "user"};
    if (ResolveModuleFolder(sources) != dir_ / "data/kivu/") return 1;
    if (!IsFolder(dir_ / "data/kivu")) return 2;
    // Without XDG_DATA_HOME, or with a relative one, the data folder is ~/.local/share.
    sources.xdgDataHome = "relative/data";
    if (ResolveModuleFolder(sources) != dir_ / "user/.local/share/kivu/") return 3;
    sources.xdgDataHome = "";
    if (ResolveModuleFolder(sources) != dir_ / "user/.local/share/kivu/") return 4;
    return IsFolder(dir_ / "user/.local/share/kivu") ? 0 : 5;
  });
  chmod(dir_.Path().c_str(), 0700);
  KIVU_EXPECT_UNPRIVILEGED_SUCCESS(child);
}

TEST_F(ModuleFolderChoice, AMissingExecutableFolderOrTheSystemsProgramFolderIsNotUsed) {
  ModuleFolderSources sources{"", dir_ / "gone/kivu", dir_ / "data", dir_ / "user"};
  EXPECT_EQ(ResolveModuleFolder(sources), dir_ / "data/kivu/");
  // Also for root, who may write there.
  for (const char* installed : {"/usr/bin/kivu", "/usr/local/bin/kivu", "/bin/kivu"}) {
    sources.executablePath = installed;
    EXPECT_EQ(ResolveModuleFolder(sources), dir_ / "data/kivu/") << installed;
  }
  EXPECT_EQ(ResolveModuleFolder({"", "", "", ""}), "");
}

}  // namespace
}  // namespace kivu
