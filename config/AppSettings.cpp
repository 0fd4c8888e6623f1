#include "config/AppSettings.h"

#include "config/IniFile.h"
#include "platform/ModuleFolder.h"
#include "platform/Process.h"

namespace kivu {

std::string GetModuleFolder() {
  return ModuleFolder();
}

std::string GetIniFilePath() {
  return GetModuleFolder() + kAppTitle + ".ini";
}

std::string GetRecordFolder() {
  std::string module = GetModuleFolder();
  std::string folder = module + kRecordFolderName;
  // A file that happens to carry the folder's name does not count as the folder.
  return MakeFolder(folder) ? folder : module;
}

std::string DefaultNavigationPath() {
  for (const char* known : {"navit", "foxtrotgps"}) {
    std::string found = FindProgramOnPath(known);
    if (!found.empty()) return found;
  }
  return kDefaultNavigationPath;
}

void ReadAppSettings(AppSettings& settings, const std::string& path) {
  const AppSettings defaults;
  const IniDocument file = IniDocument::Load(path);
  settings.digitalReadout = file.GetInt(kSettingsSection, kKeyDigitalReadout, defaults.digitalReadout);
  settings.unitSelection = file.GetInt(kSettingsSection, kKeyUnitSelection, defaults.unitSelection);
  settings.navigationPath = file.GetString(kSettingsSection, kKeyNavigationPath, DefaultNavigationPath());
  settings.recordGpsMessages =
      file.GetInt(kSettingsSection, kKeyRecordGpsMessages, defaults.recordGpsMessages);
  settings.pitchSource = file.GetInt(kSettingsSection, kKeyPitchSource, defaults.pitchSource);
  settings.rollSource = file.GetInt(kSettingsSection, kKeyRollSource, defaults.rollSource);
  settings.recordTrack = file.GetInt(kSettingsSection, kKeyRecordTrack, defaults.recordTrack);
  settings.displayAd = file.GetInt(kSettingsSection, kKeyDisplayAd, defaults.displayAd);
  settings.blinkingLight = file.GetInt(kSettingsSection, kKeyBlinkingLight, defaults.blinkingLight);
  settings.gpsSource = file.GetString(kSettingsSection, kKeyGpsSource, defaults.gpsSource);
  settings.displayMode = file.GetInt(kSettingsSection, kKeyDisplay, defaults.displayMode);
  settings.headUpDisplay = file.GetInt(kSettingsSection, kKeyHeadUpDisplay, defaults.headUpDisplay);
  settings.backlightDusk = file.GetInt(kSettingsSection, kKeyBacklightDusk, defaults.backlightDusk);
  settings.backlightNight = file.GetInt(kSettingsSection, kKeyBacklightNight, defaults.backlightNight);
  settings.speedWarning = file.GetInt(kSettingsSection, kKeySpeedWarning, defaults.speedWarning);
  settings.warningSound = file.GetInt(kSettingsSection, kKeyWarningSound, defaults.warningSound);
}

AppSettings LoadAppSettings() {
  AppSettings settings;
  ReadAppSettings(settings, GetIniFilePath());
  settings.recordFolder = GetRecordFolder();
  settings.adTexts.push_back(kSponsorshipText);
  return settings;
}

namespace {

// No value read from a file holds a line feed: what a missing key reads as.
constexpr const char* kAbsent = "\n";

bool HasKey(const IniDocument& file, const char* key) {
  return file.GetString(kSettingsSection, key, kAbsent) != kAbsent;
}

// The settings that came after the first ones are written where the user chose them: a file that never
// did keeps its lines as they were. written counts the keys set.
bool SetChosenInt(IniDocument& file, const char* key, int value, int defaultValue, int& written) {
  if (value == defaultValue && !HasKey(file, key)) return true;
  ++written;
  return file.SetInt(kSettingsSection, key, value);
}

bool SetDisplayKeys(IniDocument& file, const AppSettings& settings, int& written) {
  const SettingsValues defaults;
  bool ok = true;
  ok &= SetChosenInt(file, kKeyDisplay, settings.displayMode, defaults.displayMode, written);
  ok &= SetChosenInt(file, kKeyHeadUpDisplay, settings.headUpDisplay, defaults.headUpDisplay, written);
  ok &= SetChosenInt(file, kKeyBacklightDusk, settings.backlightDusk, defaults.backlightDusk, written);
  ok &= SetChosenInt(file, kKeyBacklightNight, settings.backlightNight, defaults.backlightNight, written);
  return ok;
}

}  // namespace

bool SaveAppSettings(const AppSettings& settings, const std::string& path) {
  // One document, one rewrite: a save cut short leaves the old settings whole, never half of each.
  IniDocument file = IniDocument::Load(path);
  bool ok = true;
  ok &= file.SetInt(kSettingsSection, kKeyDigitalReadout, settings.digitalReadout);
  ok &= file.SetInt(kSettingsSection, kKeyUnitSelection, settings.unitSelection);
  ok &= file.SetString(kSettingsSection, kKeyNavigationPath, settings.navigationPath);
  ok &= file.SetInt(kSettingsSection, kKeyRecordGpsMessages, settings.recordGpsMessages);
  ok &= file.SetInt(kSettingsSection, kKeyPitchSource, settings.pitchSource);
  ok &= file.SetInt(kSettingsSection, kKeyRollSource, settings.rollSource);
  ok &= file.SetInt(kSettingsSection, kKeyRecordTrack, settings.recordTrack);
  // Automatic is the default: a file that never chose a source keeps its lines as they were.
  if (!settings.gpsSource.empty() || HasKey(file, kKeyGpsSource))
    ok &= file.SetString(kSettingsSection, kKeyGpsSource, settings.gpsSource);
  int written = 0;
  ok &= SetDisplayKeys(file, settings, written);
  const SettingsValues defaults;
  ok &= SetChosenInt(file, kKeySpeedWarning, settings.speedWarning, defaults.speedWarning, written);
  ok &= SetChosenInt(file, kKeyWarningSound, settings.warningSound, defaults.warningSound, written);
  return file.Save() == 0 && ok;
}

bool SaveDisplaySettings(const AppSettings& settings, const std::string& path) {
  IniDocument file = IniDocument::Load(path);
  int written = 0;
  const bool ok = SetDisplayKeys(file, settings, written);
  // Nothing chosen, nothing written: a missing file stays missing.
  if (written == 0) return true;
  return file.Save() == 0 && ok;
}

}  // namespace kivu
