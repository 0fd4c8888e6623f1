#include "config/SettingsCommand.h"

#include "gps/GpsdSource.h"
#include "platform/Process.h"

namespace kivu {

SettingsValues SettingsValuesOf(const AppSettings& settings) {
  SettingsValues values;
  values.unitSelection = settings.unitSelection;
  values.digitalReadout = settings.digitalReadout;
  values.navigationPath = settings.navigationPath;
  values.recordGpsMessages = settings.recordGpsMessages;
  values.pitchSource = settings.pitchSource;
  values.rollSource = settings.rollSource;
  values.recordTrack = settings.recordTrack;
  values.gpsSource = settings.gpsSource;
  return values;
}

std::vector<GpsSourceChoice> GpsSourceChoices(const std::string& stored,
                                              const std::vector<SerialPortInfo>& ports) {
  std::vector<GpsSourceChoice> choices = {{"Automatic", ""}};
  for (const SerialPortInfo& port : ports)
    choices.push_back(
        {port.description.empty() ? port.path : port.path + " (" + port.description + ")", port.path});
  const GpsdAddress local;
  choices.push_back({"gpsd (" + GpsdAddressText(local) + ")", "gpsd"});
  for (const GpsSourceChoice& choice : choices) {
    if (choice.setting == stored) return choices;
  }
  GpsSource source;
  if (!ParseGpsSourceSetting(stored, source)) {
    choices.push_back({stored, stored});  // kept as it stands; the receiver chooses automatically
  } else if (source.kind == GpsSourceKind::Gpsd) {
    choices.push_back({"gpsd (" + GpsdAddressText(source.gpsd) + ")", stored});
  } else {
    choices.push_back({stored + " (not connected)", stored});
  }
  return choices;
}

void ApplySettingsValues(AppSettings& settings, const SettingsValues& values, const std::string& iniPath,
                         const RecordingSwitches& switches) {
  settings.unitSelection = values.unitSelection;
  settings.digitalReadout = values.digitalReadout;
  settings.navigationPath = values.navigationPath;
  settings.recordGpsMessages = values.recordGpsMessages;
  settings.pitchSource = values.pitchSource;
  settings.rollSource = values.rollSource;
  settings.recordTrack = values.recordTrack;
  const bool sourceChanged = settings.gpsSource != values.gpsSource;
  settings.gpsSource = values.gpsSource;
  SaveAppSettings(settings, iniPath);
  if (switches.setRecordMessages)
    switches.setRecordMessages(settings.recordFolder, settings.recordGpsMessages);
  if (switches.setRecordTrack) switches.setRecordTrack(settings.recordTrack);
  if (sourceChanged && switches.setGpsSource) switches.setGpsSource(settings.gpsSource);
}

bool RunNavigator(const std::string& navigationPath,
                  const std::function<void(const std::string&)>& showMessage) {
  if (LaunchProgram(navigationPath)) return true;
  if (showMessage) showMessage(kNavigatorHelpText);
  return false;
}

}  // namespace kivu
