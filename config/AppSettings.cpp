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
  settings.digitalReadout = IniGetInt(kSettingsSection, kKeyDigitalReadout, defaults.digitalReadout, path);
  settings.unitSelection = IniGetInt(kSettingsSection, kKeyUnitSelection, defaults.unitSelection, path);
  settings.navigationPath = IniGetString(kSettingsSection, kKeyNavigationPath, DefaultNavigationPath(), path);
  settings.recordGpsMessages =
      IniGetInt(kSettingsSection, kKeyRecordGpsMessages, defaults.recordGpsMessages, path);
  settings.pitchSource = IniGetInt(kSettingsSection, kKeyPitchSource, defaults.pitchSource, path);
  settings.rollSource = IniGetInt(kSettingsSection, kKeyRollSource, defaults.rollSource, path);
  settings.recordTrack = IniGetInt(kSettingsSection, kKeyRecordTrack, defaults.recordTrack, path);
  settings.displayAd = IniGetInt(kSettingsSection, kKeyDisplayAd, defaults.displayAd, path);
  settings.blinkingLight = IniGetInt(kSettingsSection, kKeyBlinkingLight, defaults.blinkingLight, path);
  settings.gpsSource = IniGetString(kSettingsSection, kKeyGpsSource, defaults.gpsSource, path);
}

AppSettings LoadAppSettings() {
  AppSettings settings;
  ReadAppSettings(settings, GetIniFilePath());
  settings.recordFolder = GetRecordFolder();
  settings.adTexts.push_back(kSponsorshipText);
  return settings;
}

bool SaveAppSettings(const AppSettings& settings, const std::string& path) {
  bool ok = true;
  ok &= IniWriteInt(kSettingsSection, kKeyDigitalReadout, settings.digitalReadout, path);
  ok &= IniWriteInt(kSettingsSection, kKeyUnitSelection, settings.unitSelection, path);
  ok &= IniWriteString(kSettingsSection, kKeyNavigationPath, settings.navigationPath, path);
  ok &= IniWriteInt(kSettingsSection, kKeyRecordGpsMessages, settings.recordGpsMessages, path);
  ok &= IniWriteInt(kSettingsSection, kKeyPitchSource, settings.pitchSource, path);
  ok &= IniWriteInt(kSettingsSection, kKeyRollSource, settings.rollSource, path);
  ok &= IniWriteInt(kSettingsSection, kKeyRecordTrack, settings.recordTrack, path);
  // Automatic is the default: a file that never chose a source keeps its lines as they were.
  constexpr const char* kAbsent = "\n";  // no value read from a file holds a line feed
  if (!settings.gpsSource.empty() || IniGetString(kSettingsSection, kKeyGpsSource, kAbsent, path) != kAbsent)
    ok &= IniWriteString(kSettingsSection, kKeyGpsSource, settings.gpsSource, path);
  return ok;
}

}  // namespace kivu
