#include "config/SettingsCommand.h"

#include "gps/GpsdSource.h"
#include "platform/Process.h"

namespace kivu {

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
  const bool sourceChanged = settings.gpsSource != values.gpsSource;
  static_cast<SettingsValues&>(settings) = values;
  SaveAppSettings(settings, iniPath);
  if (switches.setRecordMessages)
    switches.setRecordMessages(settings.recordFolder, settings.recordGpsMessages != 0);
  if (switches.setRecordTrack) switches.setRecordTrack(settings.recordTrack != 0);
  if (sourceChanged && switches.setGpsSource) switches.setGpsSource(settings.gpsSource);
}

bool RunNavigator(const std::string& navigationPath,
                  const std::function<void(const std::string&)>& showMessage) {
  if (LaunchProgram(navigationPath)) return true;
  if (showMessage) showMessage(kNavigatorHelpText);
  return false;
}

}  // namespace kivu
