// The settings dialog: units, digital readout, the navigator program, the two recordings, the GPS
// source, the sources of the pitch and roll figures, the palette, the head-up display, the backlight
// at dusk and night, and the speed warning. It neither reads nor writes the settings file; the
// Settings command hands it the values and takes them back after OK (see RunSettingsDialog).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "config/FileOpenDialog.h"
#include "config/SettingsCommand.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLayout;
class QLineEdit;

namespace kivu {

// Controls carry their numbers as object names: "1000" unit box, "1002" "1003" "1004" unit labels,
// "1005" navigator box, "1006" "...", "1009" pitch source, "1010" roll source, "1001" digital readout,
// "1007" record GPS messages, "1008" record track data, "1011" GPS source, "1012" display, "1013"
// head-up display, "1014" backlight at dusk, "1015" backlight at night, "1016" speed warning, "1017"
// warning sound, "57664" about, "1" OK, "2" Cancel.
class CSettings : public TouchDialog {
 public:
  explicit CSettings(QWidget* parent = nullptr);

  // The fourteen values, before the run. A check-box value outside 0..2 shows unchecked; a combo value
  // that names no item selects nothing.
  void SetValues(const SettingsValues& values) { values_ = values; }
  // The values after the run: as set, unless OK read them from the controls (0 or 1 for a check box,
  // the item's index or -1 for a combo box, the navigator box's text). The display and backlight boxes
  // with nothing selected give back the value they were set, so that a level written by hand
  // (55, 150) stays as it is; so does a speed warning limit that is none of the box's.
  const SettingsValues& GetValues() const { return values_; }

  // What "About Kivu..." does: show the about box over the main window and return when it is closed.
  void SetAboutHandler(std::function<void()> onAbout) { onAbout_ = std::move(onAbout); }

  void accept() override;  // OK

 protected:
  void Initialize() override;

 private:
  QWidget* CreateFields();
  QLayout* UnitRows(QWidget* body);
  QLayout* NavigatorRow(QWidget* body);
  QGridLayout* SourceRows(QWidget* body);
  void AddDisplayRows(QWidget* body, QGridLayout& grid);
  QLayout* CheckRows(QWidget* body);
  void PutValues();
  void ReadValues();
  void ShowUnits();
  void FillSpeedWarning(bool metric);
  void Browse();

  SettingsValues values_;
  std::string shownPath_;  // the navigator path the box shows, byte for byte
  std::function<void()> onAbout_;

  QComboBox* unitBox_ = nullptr;
  QLineEdit* speedUnit_ = nullptr;
  QLineEdit* altitudeUnit_ = nullptr;
  QLineEdit* distanceUnit_ = nullptr;
  QLineEdit* navigatorBox_ = nullptr;
  QComboBox* pitchBox_ = nullptr;
  QComboBox* rollBox_ = nullptr;
  QComboBox* gpsBox_ = nullptr;
  std::vector<GpsSourceChoice> gpsChoices_;  // the GPS row's entries, in its order
  QCheckBox* digitalReadoutBox_ = nullptr;
  QCheckBox* recordGpsMessagesBox_ = nullptr;
  QCheckBox* recordTrackBox_ = nullptr;
  QComboBox* displayBox_ = nullptr;
  QCheckBox* headUpBox_ = nullptr;
  QComboBox* backlightDuskBox_ = nullptr;
  QComboBox* backlightNightBox_ = nullptr;
  QComboBox* speedWarningBox_ = nullptr;
  QCheckBox* warningSoundBox_ = nullptr;
  int speedWarningMetric_ = -1;  // the unit system the speed warning box lists (0 metric, 1 imperial)
};

// The settings dialog of the Settings command, over parent (the main window): shows values, and on OK
// puts the dialog's values into them and returns true. Cancel leaves them as they were.
bool RunSettingsDialog(QWidget* parent, SettingsValues& values, std::function<void()> onAbout);

}  // namespace kivu
