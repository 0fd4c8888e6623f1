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
inline constexpr const char* kKeyDisplay = "DISPLAY_MODE";
inline constexpr const char* kKeyHeadUpDisplay = "HEAD_UP_DISPLAY";
inline constexpr const char* kKeyBacklightDusk = "BACKLIGHT_DUSK";
inline constexpr const char* kKeyBacklightNight = "BACKLIGHT_NIGHT";
inline constexpr const char* kKeySpeedWarning = "SPEED_WARNING";
inline constexpr const char* kKeyWarningSound = "WARNING_SOUND";
// Every key of the file. The store takes the first line that holds a key anywhere as its line, so no key
// may hold another ("DISPLAY" would be found on the lines of DISPLAY_AD and HEAD_UP_DISPLAY).
inline constexpr const char* kSettingsKeys[] = {
    kKeyDigitalReadout, kKeyUnitSelection,  kKeyNavigationPath, kKeyRecordGpsMessages,
    kKeyPitchSource,    kKeyRollSource,     kKeyRecordTrack,    kKeyDisplayAd,
    kKeyBlinkingLight,  kKeyGpsSource,      kKeyDisplay,        kKeyHeadUpDisplay,
    kKeyBacklightDusk,  kKeyBacklightNight, kKeySpeedWarning,   kKeyWarningSound};

// The Display setting: which palette the dashboard shows. Automatic follows the sun.
enum DisplayMode : int {
  kDisplayAutomatic = 0,
  kDisplayDay = 1,
  kDisplayDusk = 2,
  kDisplayNight = 3,
  kDisplayRedNight = 4,
};
inline constexpr int kDisplayModeCount = 5;

// The backlight at dusk and at night in percent of the day's, as far as the screen is dimmed.
inline constexpr int kLowestBacklightPercent = 1;
inline constexpr int kHighestBacklightPercent = 100;
// A level read from the file as the screen takes it: kept as it stands in the settings, brought into
// 1..100 where it is used.
inline constexpr int ClampedBacklightPercent(int percent) {
  return percent < kLowestBacklightPercent    ? kLowestBacklightPercent
         : percent > kHighestBacklightPercent ? kHighestBacklightPercent
                                              : percent;
}

// The speed warning's limits offered, in steps of 5 of the display unit: km/h, and mph.
inline constexpr int kSpeedWarningStep = 5;
inline constexpr int kSpeedWarningLowestKmh = 30;
inline constexpr int kSpeedWarningHighestKmh = 250;
inline constexpr int kSpeedWarningLowestMph = 20;
inline constexpr int kSpeedWarningHighestMph = 155;

// The fourteen settings the settings dialog edits, and what the Settings command hands it. A combo box of
// the first seven with nothing selected gives -1.
struct SettingsValues {
  int unitSelection = 0;   // 0 metric, 1 imperial
  int digitalReadout = 1;  // 1 shows the digital readout
  std::string navigationPath = kDefaultNavigationPath;
  int recordGpsMessages = 0;  // 1 records the raw GPS messages
  int pitchSource = 0;        // 0 acceleration, 1 pitch angle
  int rollSource = 0;         // 0 centripetal acceleration, 1 roll angle
  int recordTrack = 0;        // 1 records the track file
  std::string gpsSource;      // where GPS messages come from: "" automatic, a port, "gpsd[:HOST[:PORT]]"
  int displayMode = kDisplayAutomatic;  // the palette (DisplayMode); other values count as Automatic
  int headUpDisplay = 0;                // 1 mirrors the dashboard to be read in the windscreen
  int backlightDusk = 60;               // the backlight at dusk, in percent of the day's
  int backlightNight = 30;              // the backlight at night and in red night, likewise
  int speedWarning = 0;  // the speed limit the dashboard warns above, in the unit system's speed; 0 off
  int warningSound = 1;  // 1 lets the warning chime
};

// The settings the view holds for the whole run: the dialog's fourteen and those only the file sets. Every
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

// Reads the sixteen stored settings from the settings file at path into settings; missing ones (or integers
// with an empty value) get their defaults; a stored navigator is kept as it stands. Never writes the file.
void ReadAppSettings(AppSettings& settings, const std::string& path);

// The settings at start: defaults, then the settings file, the record folder (created now, whether or not
// anything is recorded) and the banner's one text.
AppSettings LoadAppSettings();

// Writes the fourteen settings of the settings dialog to the file at path, in the dialog's order:
// DIGITAL_READOUT, UNIT_SELECTION, NAVIGATION_PATH, RECORD_GPS_MSG, PITCH_SOURCE, ROLL_SOURCE,
// RECORD_TRACK, then the later ones (GPS_SOURCE, DISPLAY_MODE, HEAD_UP_DISPLAY, BACKLIGHT_DUSK,
// BACKLIGHT_NIGHT, SPEED_WARNING, WARNING_SOUND) each where it is not its default or the file has it already,
// so that a file that never chose them keeps its bytes; all in one crash-safe rewrite of the file. A key that
// cannot be stored (a value with a line feed) keeps its line, and the others are saved all the same. True
// when all were.
bool SaveAppSettings(const AppSettings& settings, const std::string& path);

// Writes only DISPLAY_MODE, HEAD_UP_DISPLAY, BACKLIGHT_DUSK and BACKLIGHT_NIGHT, by the same rule: what the
// dashboard's keys for the palette and the head-up display save.
bool SaveDisplaySettings(const AppSettings& settings, const std::string& path);

}  // namespace kivu
