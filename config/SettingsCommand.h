// The Settings and Navigator commands' work that needs no window: the fourteen values the settings dialog
// edits, what OK does with them, and the navigator's start.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "config/AppSettings.h"
#include "platform/SerialPort.h"

namespace kivu {

// The fourteen of the settings that the dialog edits.
inline SettingsValues SettingsValuesOf(const AppSettings& settings) {
  return static_cast<const SettingsValues&>(settings);
}

// One entry of the settings dialog's GPS row: what it shows, and the GPS_SOURCE setting it stands for.
struct GpsSourceChoice {
  std::string label;
  std::string setting;
};
// The GPS row: "Automatic", each serial port found (with what it is, where that is known), the gpsd on
// this machine; and the stored setting where it is none of those (a receiver not plugged in, a gpsd
// elsewhere), so that OK without a change keeps it.
std::vector<GpsSourceChoice> GpsSourceChoices(const std::string& stored,
                                              const std::vector<SerialPortInfo>& ports);

// How the new recording choices reach the view's record files. setRecordMessages is empty when the view
// has no GPS receiver (its start failed); the step is then left out.
struct RecordingSwitches {
  std::function<void(const std::string& recordFolder, bool recordGpsMessages)> setRecordMessages;
  std::function<void(bool recordTrack)> setRecordTrack;
  // Called only when the GPS source setting changed.
  std::function<void(const std::string& gpsSource)> setGpsSource;
};

// What OK in the settings dialog leads to: copies the values into settings, saves them to the
// settings file at iniPath as SaveAppSettings does (the first seven every time, changed or not; a failed
// save is not reported and the values stay applied), then switches the GPS message log and the track file,
// and the GPS source where it changed.
void ApplySettingsValues(AppSettings& settings, const SettingsValues& values, const std::string& iniPath,
                         const RecordingSwitches& switches);

// The message shown when the navigator cannot be started.
inline constexpr const char* kNavigatorHelpText = "To set the Navigator:\nFrom Settings->Navigator->Browse.";

// The Navigator command: starts the program at navigationPath; when it cannot be started (no such file,
// an empty path, not an executable) shows kNavigatorHelpText through showMessage. True when started.
bool RunNavigator(const std::string& navigationPath,
                  const std::function<void(const std::string&)>& showMessage);

}  // namespace kivu
