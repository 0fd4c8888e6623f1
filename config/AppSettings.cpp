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
}

AppSettings LoadAppSettings() {
  AppSettings settings;
  ReadAppSettings(settings, GetIniFilePath());
  settings.recordFolder = GetRecordFolder();
  settings.adTexts.push_back(kSponsorshipText);
  return settings;
}

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
  constexpr const char* kAbsent = "\n";  // no value read from a file holds a line feed
  if (!settings.gpsSource.empty() || file.GetString(kSettingsSection, kKeyGpsSource, kAbsent) != kAbsent)
    ok &= file.SetString(kSettingsSection, kKeyGpsSource, settings.gpsSource);
  return file.Save() == 0 && ok;
}

}  // namespace kivu
