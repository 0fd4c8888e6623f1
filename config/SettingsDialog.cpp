#include "config/SettingsDialog.h"

#include <algorithm>
#include <cmath>

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "trip/UnitNames.h"

namespace kivu {

namespace {

// The least width of the dialog's buttons with words on them.
constexpr int kButtonWidth = 120;

QComboBox* ComboBox(const char* id, std::initializer_list<const char*> items, QWidget* parent) {
  auto* box = new QComboBox(parent);
  box->setObjectName(id);
  for (const char* item : items)
    box->addItem(item);
  MakeTouchComboBox(*box);
  return box;
}

QLineEdit* UnitLabel(const char* id, QWidget* parent) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(id);
  box->setReadOnly(true);
  box->setFocusPolicy(Qt::NoFocus);
  box->setMinimumHeight(kTouchHeight);
  return box;
}

QCheckBox* CheckBox(const char* id, const char* text, QWidget* parent) {
  auto* box = new QCheckBox(text, parent);
  box->setObjectName(id);
  box->setMinimumHeight(kTouchHeight);
  box->setStyleSheet("QCheckBox::indicator { width: 26px; height: 26px; }");
  return box;
}

QPushButton* Button(const char* id, const char* text, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(id);
  button->setMinimumHeight(kTouchHeight);
  return button;
}

// A scroll area as large as what it holds, so that it scrolls only where the screen is smaller.
class FittingScrollArea : public QScrollArea {
 public:
  using QScrollArea::QScrollArea;
  QSize sizeHint() const override {
    QSize frame(2 * frameWidth(), 2 * frameWidth());
    return widget() ? widget()->sizeHint() + frame : QScrollArea::sizeHint();
  }
};

// A check box shows 0 unchecked and 1 (or 2) checked; anything else counts as 0.
void PutCheck(QCheckBox* box, int value) {
  box->setChecked(value >= 1 && value <= 2);
}

// A combo box selects the item of that index, or nothing when there is none.
void PutSelection(QComboBox* box, int value) {
  box->setCurrentIndex(value >= 0 && value < box->count() ? value : -1);
}

// The backlight levels offered, in steps of a tenth of the day's.
constexpr int kBacklightStep = 10;

QComboBox* BacklightBox(const char* id, QWidget* parent) {
  QComboBox* box = ComboBox(id, {}, parent);
  for (int percent = kBacklightStep; percent <= kHighestBacklightPercent; percent += kBacklightStep)
    box->addItem(QString("%1%").arg(percent));
  return box;
}

// A level that is one of the steps selects it; any other selects nothing.
void PutBacklight(QComboBox* box, int percent) {
  PutSelection(box, percent % kBacklightStep == 0 ? percent / kBacklightStep - 1 : -1);
}

// The level selected, or the one the box was given where nothing is.
int ReadBacklight(const QComboBox* box, int given) {
  const int index = box->currentIndex();
  return index >= 0 ? (index + 1) * kBacklightStep : given;
}

// The speed warning's items: "Off", then the limits of the unit system in its steps.
struct WarningLimits {
  int lowest, highest;
  const char* unit;
};
WarningLimits WarningLimitsOf(bool metric) {
  return metric ? WarningLimits{kSpeedWarningLowestKmh, kSpeedWarningHighestKmh, "km/h"}
                : WarningLimits{kSpeedWarningLowestMph, kSpeedWarningHighestMph, "mph"};
}

// The item of a limit: 0 for off, -1 for one the box does not list.
int SpeedWarningIndex(int limit, bool metric) {
  const WarningLimits l = WarningLimitsOf(metric);
  if (limit == 0) return 0;
  if (limit < l.lowest || limit > l.highest || (limit - l.lowest) % kSpeedWarningStep != 0) return -1;
  return (limit - l.lowest) / kSpeedWarningStep + 1;
}

int SpeedWarningOfIndex(int index, bool metric) {
  return index <= 0 ? 0 : WarningLimitsOf(metric).lowest + (index - 1) * kSpeedWarningStep;
}

// A limit in the other unit system, to the nearest step it lists.
int ConvertedSpeedWarning(int limit, bool toMetric) {
  if (limit == 0) return 0;
  constexpr double kKmPerMile = 1.609344;
  const double converted = toMetric ? limit * kKmPerMile : limit / kKmPerMile;
  const WarningLimits l = WarningLimitsOf(toMetric);
  const int step = static_cast<int>(std::lround(converted / kSpeedWarningStep)) * kSpeedWarningStep;
  return std::clamp(step, l.lowest, l.highest);
}

}  // namespace

CSettings::CSettings(QWidget* parent) : TouchDialog(parent) {
  setWindowTitle("Settings");
  setObjectName("152");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(CreateFields(), 1);
  layout->addLayout(OkCancelRow(*this, kButtonWidth));
}

// Everything but OK and Cancel scrolls where the screen is too low for it (800 x 480); the columns are
// narrow enough for a portrait screen 480 pixels wide.
QWidget* CSettings::CreateFields() {
  auto* scroll = new FittingScrollArea(this);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  auto* body = new QWidget(scroll);
  auto* fields = new QVBoxLayout(body);
  fields->setContentsMargins(0, 0, 0, 0);
  fields->addLayout(UnitRows(body));
  fields->addSpacing(8);
  fields->addLayout(NavigatorRow(body));
  fields->addSpacing(8);
  QGridLayout* choices = SourceRows(body);
  AddDisplayRows(body, *choices);
  fields->addLayout(choices);
  fields->addSpacing(8);
  fields->addLayout(CheckRows(body));
  fields->addStretch(1);
  scroll->setWidget(body);
  return scroll;
}

// The unit system's box, and the three units it gives under their names.
QLayout* CSettings::UnitRows(QWidget* body) {
  unitBox_ = ComboBox("1000", {"Metric", "Imperial"}, body);
  speedUnit_ = UnitLabel("1002", body);
  altitudeUnit_ = UnitLabel("1003", body);
  distanceUnit_ = UnitLabel("1004", body);
  connect(unitBox_, &QComboBox::currentIndexChanged, this, [this] { ShowUnits(); });

  auto* units = new QGridLayout;
  units->addWidget(new QLabel("Unit", body), 0, 0);
  units->addWidget(new QLabel("Speed", body), 0, 1);
  units->addWidget(new QLabel("Altitude", body), 0, 2);
  units->addWidget(new QLabel("Distance", body), 0, 3);
  units->addWidget(unitBox_, 1, 0);
  units->addWidget(speedUnit_, 1, 1);
  units->addWidget(altitudeUnit_, 1, 2);
  units->addWidget(distanceUnit_, 1, 3);
  units->setColumnStretch(0, 2);
  for (int column = 1; column < 4; ++column) {
    units->setColumnStretch(column, 1);
    units->itemAtPosition(1, column)->widget()->setMinimumWidth(56);
  }
  return units;
}

// The navigator's path and "..." that browses for it.
QLayout* CSettings::NavigatorRow(QWidget* body) {
  navigatorBox_ = new QLineEdit(body);
  navigatorBox_->setObjectName("1005");
  navigatorBox_->setMinimumHeight(kTouchHeight);
  QPushButton* browse = Button("1006", "...", body);
  browse->setMinimumWidth(kTouchHeight + 8);
  connect(browse, &QPushButton::clicked, this, [this] { Browse(); });

  auto* navigator = new QHBoxLayout;
  navigator->addWidget(new QLabel("Navigator", body));
  navigator->addWidget(navigatorBox_, 1);
  navigator->addWidget(browse);
  return navigator;
}

// The GPS source over the sources of the pitch and roll figures, in a grid that the display's rows join.
QGridLayout* CSettings::SourceRows(QWidget* body) {
  pitchBox_ = ComboBox("1009", {"Acceleration", "Pitch angle"}, body);
  rollBox_ = ComboBox("1010", {"Centripetal Acc", "Roll angle"}, body);
  gpsBox_ = ComboBox("1011", {}, body);
  gpsBox_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  gpsBox_->setMinimumContentsLength(12);

  auto* sources = new QGridLayout;
  sources->addWidget(new QLabel("GPS", body), 0, 0);
  sources->addWidget(gpsBox_, 0, 1, 1, 3);
  sources->addWidget(new QLabel("Pitch source", body), 1, 0);
  sources->addWidget(pitchBox_, 1, 1, 1, 3);
  sources->addWidget(new QLabel("Roll source", body), 2, 0);
  sources->addWidget(rollBox_, 2, 1, 1, 3);
  sources->setColumnStretch(1, 1);
  sources->setColumnStretch(3, 1);
  return sources;
}

// The palette with the head-up display beside it, then the backlight's levels at dusk and at night, under
// the sources in their grid.
void CSettings::AddDisplayRows(QWidget* body, QGridLayout& grid) {
  displayBox_ = ComboBox("1012", {"Automatic", "Day", "Dusk", "Night", "Red night"}, body);
  headUpBox_ = CheckBox("1013", "Head-up display", body);
  backlightDuskBox_ = BacklightBox("1014", body);
  backlightNightBox_ = BacklightBox("1015", body);

  const int row = grid.rowCount();
  grid.addWidget(new QLabel("Display", body), row, 0);
  grid.addWidget(displayBox_, row, 1);
  grid.addWidget(headUpBox_, row, 2, 1, 2);
  grid.addWidget(new QLabel("Backlight at dusk", body), row + 1, 0);
  grid.addWidget(backlightDuskBox_, row + 1, 1);
  grid.addWidget(new QLabel("Backlight at night", body), row + 1, 2);
  grid.addWidget(backlightNightBox_, row + 1, 3);

  speedWarningBox_ = ComboBox("1016", {}, body);
  warningSoundBox_ = CheckBox("1017", "Warning sound", body);
  grid.addWidget(new QLabel("Speed warning", body), row + 2, 0);
  grid.addWidget(speedWarningBox_, row + 2, 1);
  grid.addWidget(warningSoundBox_, row + 2, 2, 1, 2);
}

// The limits of the unit system chosen. A limit chosen in the other one becomes the nearest of these;
// one that is none of the items stays as it was given.
void CSettings::FillSpeedWarning(bool metric) {
  const int listed = metric ? 0 : 1;
  if (speedWarningMetric_ == listed) return;
  const int chosen = speedWarningBox_->currentIndex();
  const bool wasMetric = speedWarningMetric_ == 0;
  const bool hadList = speedWarningMetric_ >= 0;
  speedWarningMetric_ = listed;
  speedWarningBox_->clear();
  speedWarningBox_->addItem("Off");
  const WarningLimits l = WarningLimitsOf(metric);
  for (int limit = l.lowest; limit <= l.highest; limit += kSpeedWarningStep)
    speedWarningBox_->addItem(QString("%1 %2").arg(limit).arg(l.unit));
  if (!hadList) {
    PutSelection(speedWarningBox_, SpeedWarningIndex(values_.speedWarning, metric));
  } else if (chosen >= 0) {
    const int limit = ConvertedSpeedWarning(SpeedWarningOfIndex(chosen, wasMetric), metric);
    speedWarningBox_->setCurrentIndex(SpeedWarningIndex(limit, metric));
  } else {
    speedWarningBox_->setCurrentIndex(-1);
  }
}

// The three check boxes, and "About Kivu..." beside them.
QLayout* CSettings::CheckRows(QWidget* body) {
  digitalReadoutBox_ = CheckBox("1001", "Display digital readout", body);
  recordGpsMessagesBox_ = CheckBox("1007", "Record GPS messages", body);
  recordTrackBox_ = CheckBox("1008", "Record track data", body);
  QPushButton* about = Button("57664", "About Kivu...", body);
  about->setMinimumWidth(kButtonWidth);
  connect(about, &QPushButton::clicked, this, [this] {
    if (onAbout_) onAbout_();
  });

  auto* checks = new QGridLayout;
  checks->addWidget(digitalReadoutBox_, 0, 0);
  checks->addWidget(recordGpsMessagesBox_, 1, 0);
  checks->addWidget(recordTrackBox_, 2, 0);
  checks->addWidget(about, 1, 2);
  checks->setColumnStretch(1, 1);
  return checks;
}

void CSettings::Initialize() {
  PutValues();
  ShowUnits();
  shownPath_ = values_.navigationPath;
  navigatorBox_->setText(Shown(shownPath_));
  unitBox_->setFocus();
}

void CSettings::PutValues() {
  PutSelection(unitBox_, values_.unitSelection);
  PutSelection(pitchBox_, values_.pitchSource);
  PutSelection(rollBox_, values_.rollSource);
  PutCheck(digitalReadoutBox_, values_.digitalReadout);
  PutCheck(recordGpsMessagesBox_, values_.recordGpsMessages);
  PutCheck(recordTrackBox_, values_.recordTrack);
  PutSelection(displayBox_, values_.displayMode);
  PutCheck(headUpBox_, values_.headUpDisplay);
  PutBacklight(backlightDuskBox_, values_.backlightDusk);
  PutBacklight(backlightNightBox_, values_.backlightNight);
  speedWarningMetric_ = -1;
  FillSpeedWarning(unitBox_->currentIndex() == 0);
  PutCheck(warningSoundBox_, values_.warningSound);
  gpsChoices_ = GpsSourceChoices(values_.gpsSource, ListSerialPorts());
  gpsBox_->clear();
  for (const GpsSourceChoice& choice : gpsChoices_) {
    gpsBox_->addItem(Shown(choice.label));
    if (choice.setting == values_.gpsSource) gpsBox_->setCurrentIndex(gpsBox_->count() - 1);
  }
}

void CSettings::ReadValues() {
  values_.unitSelection = unitBox_->currentIndex();
  values_.pitchSource = pitchBox_->currentIndex();
  values_.rollSource = rollBox_->currentIndex();
  values_.digitalReadout = digitalReadoutBox_->isChecked() ? 1 : 0;
  values_.recordGpsMessages = recordGpsMessagesBox_->isChecked() ? 1 : 0;
  values_.recordTrack = recordTrackBox_->isChecked() ? 1 : 0;
  if (displayBox_->currentIndex() >= 0) values_.displayMode = displayBox_->currentIndex();
  values_.headUpDisplay = headUpBox_->isChecked() ? 1 : 0;
  values_.backlightDusk = ReadBacklight(backlightDuskBox_, values_.backlightDusk);
  values_.backlightNight = ReadBacklight(backlightNightBox_, values_.backlightNight);
  const int limit = speedWarningBox_->currentIndex();
  if (limit >= 0) values_.speedWarning = SpeedWarningOfIndex(limit, speedWarningMetric_ == 0);
  values_.warningSound = warningSoundBox_->isChecked() ? 1 : 0;
  const int gps = gpsBox_->currentIndex();
  if (gps >= 0 && gps < static_cast<int>(gpsChoices_.size())) values_.gpsSource = gpsChoices_[gps].setting;
}

void CSettings::ShowUnits() {
  bool metric = unitBox_->currentIndex() == 0;
  const UnitNames names = UnitNamesOf(metric ? 0 : 1);
  speedUnit_->setText(names.speed);
  altitudeUnit_->setText(names.altitude);
  distanceUnit_->setText(names.distance);
  FillSpeedWarning(metric);
}

void CSettings::Browse() {
  CFileOpen browse(kBrowseAttributeMask, kNavigatorFilter, this);
  browse.SetStartFolder(BrowseStartFolder(navigatorBox_->text().toStdString()));
  if (browse.DoModal() != kDialogOk) return;
  shownPath_ = browse.GetPathName();
  navigatorBox_->setText(Shown(shownPath_));
}

void CSettings::accept() {
  ReadValues();
  // The box shows the path; only a changed text replaces it, so that a path whose bytes are not UTF-8
  // comes back as it went in.
  QString shown = navigatorBox_->text();
  values_.navigationPath = shown == Shown(shownPath_) ? shownPath_ : shown.toStdString();
  done(kDialogOk);
}

bool RunSettingsDialog(QWidget* parent, SettingsValues& values, std::function<void()> onAbout) {
  CSettings dialog(parent);
  dialog.SetValues(values);
  dialog.SetAboutHandler(std::move(onAbout));
  if (dialog.DoModal() != kDialogOk) return false;
  values = dialog.GetValues();
  return true;
}

}  // namespace kivu
