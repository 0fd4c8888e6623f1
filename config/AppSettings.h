// The user's settings: their keys in the settings file, their defaults, where the files live, the load
// at start and the save after the settings dialog.
#pragma once

#include <string>
#include <vector>

namespace kivu {

// The application's title, which names the settings file.
inline constexpr const char* kAppTitle = "Kivu";
inline constexpr const char* kSettingsSection = "Settings";
inline constexpr const char* kRecordFolderName = "KivuRecord/";
inline constexpr const char* kDefaultNavigationPath = "/SDMMC/Navikko/Navikko.exe";
inline constexpr const char* kSponsorshipText = "Velmarix provides sponsorship";

inline constexpr const char* kKeyDigitalReadout = "DIGITAL_READOUT";
inline constexpr const char* kKeyUnitSelection = "UNIT_SELECTION";
inline constexpr const char* kKeyNavigationPath = "NAVIGATION_PATH";
inline constexpr const char* kKeyRecordGpsMessages = "RECORD_GPS_MSG";
inline constexpr const char* kKeyPitchSource = "PITCH_SOURCE";
inline constexpr const char* kKeyRollSource = "ROLL_SOURCE";
inline constexpr const char* kKeyRecordTrack = "RECORD_TRACK";
inline constexpr const char* kKeyDisplayAd = "DISPLAY_AD";
inline constexpr const char* kKeyBlinkingLight = "BLINKING_LIGHT";
inline constexpr const char* kKeyGpsSource = "GPS_SOURCE";

// The eight settings the settings dialog edits, and what the Settings command hands it. A combo box with
// nothing selected gives -1.
struct SettingsValues {
  int unitSelection = 0;   // 0 metric, 1 imperial
  int digitalReadout = 1;  // 1 shows the digital readout
  std::string navigationPath = kDefaultNavigationPath;
  int recordGpsMessages = 0;  // 1 records the raw GPS messages
  int pitchSource = 0;        // 0 acceleration, 1 pitch angle
  int rollSource = 0;         // 0 centripetal acceleration, 1 roll angle
  int recordTrack = 0;        // 1 records the track file
  std::string gpsSource;      // where GPS messages come from: "" automatic, a port, "gpsd[:HOST[:PORT]]"
};

// The settings the view holds for the whole run: the dialog's eight and those only the file sets. Every
// reader tests the integers against 0 only, and values other than the listed ones are kept as they are.
struct AppSettings : SettingsValues {
  std::string recordFolder;          // where the GPS message log and the track file go; ends with '/'
  int displayAd = 1;                 // 1 shows the advertisement banner; only ever set by editing the file
  int blinkingLight = 1;             // 1 lets the light blink; only ever set by editing the file
  std::vector<std::string> adTexts;  // the banner's texts, shown in turn
};

// The folder Kivu's files live in (see ModuleFolder), ending with '/'.
std::string GetModuleFolder();
// The settings file: module folder + "Kivu.ini", worked out afresh at every call.
std::string GetIniFilePath();
// Module folder + "KivuRecord/", created when missing; the module folder itself when that folder can
// neither be found nor made.
std::string GetRecordFolder();

// The navigator of a settings file without one: the first of the navigation programs Kivu knows (navit,
// foxtrotgps) found on PATH, by its absolute path; else kDefaultNavigationPath.
std::string DefaultNavigationPath();

// Reads the ten stored settings from the settings file at path into settings; missing ones (or integers
// with an empty value) get their defaults; a stored navigator is kept as it stands. Never writes the file.
void ReadAppSettings(AppSettings& settings, const std::string& path);

// The settings at start: defaults, then the settings file, the record folder (created now, whether or not
// anything is recorded) and the banner's one text.
AppSettings LoadAppSettings();

// Writes the eight settings of the settings dialog to the file at path, in the dialog's order:
// DIGITAL_READOUT, UNIT_SELECTION, NAVIGATION_PATH, RECORD_GPS_MSG, PITCH_SOURCE, ROLL_SOURCE,
// RECORD_TRACK, then GPS_SOURCE where it is not Automatic or the file has it already, all in one crash-safe
// rewrite of the file. A key that cannot be stored (a value with a line feed) keeps its line, and the
// others are saved all the same. True when all were.
bool SaveAppSettings(const AppSettings& settings, const std::string& path);

}  // namespace kivu
