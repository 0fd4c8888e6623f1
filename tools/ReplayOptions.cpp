#include "tools/ReplayOptions.h"

#include <iterator>

#include "app/OptionTable.h"
#include "platform/MessageText.h"

namespace kivu {

namespace {

// The options by their places in the table.
enum ReplayOption : size_t {
  kFixes,
  kStates,
  kSummary,
  kTrack,
  kLog,
  kGpx,
  kReport,
  kUnits,
  kPitchSource,
  kRollSource,
  kPalette,
  kHud,
  kSettings,
  kSnapshot,
  kSize,
  kHelp,
  kShortHelp,
  kVersion
};

constexpr OptionSpec kReplayOptions[] = {
    {"--fixes"},
    {"--states"},
    {"--summary"},
    {"--track", OptionTakes::Value},
    {"--log", OptionTakes::Value},
    {"--gpx", OptionTakes::Value},
    {"--report", OptionTakes::Value},
    {"--units", OptionTakes::Value},
    {"--pitch-source", OptionTakes::Value},
    {"--roll-source", OptionTakes::Value},
    {"--palette", OptionTakes::Value},
    {"--hud"},
    {"--settings", OptionTakes::Value},
    {"--snapshot", OptionTakes::Value},
    {"--size", OptionTakes::Value},
    {"--help"},
    {"-h"},
    {"--version"},
};
static_assert(std::size(kReplayOptions) == kVersion + 1);

// 0 or 1 from "0" or "1"; false for anything else.
bool ParseSource(const std::string& value, int& source) {
  if (value != "0" && value != "1") return false;
  source = value == "1" ? 1 : 0;
  return true;
}

// The Display setting a --palette value names, in the setting's order; false for anything else.
bool ParsePalette(const std::string& value, int& displayMode) {
  constexpr const char* kNames[] = {"auto", "day", "dusk", "night", "red"};
  for (int mode = 0; mode < static_cast<int>(std::size(kNames)); ++mode) {
    if (value == kNames[mode]) {
      displayMode = mode;
      return true;
    }
  }
  return false;
}

// Refuses what a value of the option cannot be, and takes in the values that mean more than their text.
bool CheckValue(size_t option, const std::string& value, ReplayOptions& options, std::string& error) {
  const std::string name(kReplayOptions[option].name);
  switch (option) {
    case kTrack:
    case kLog:
    case kGpx:
    case kReport:
    case kSettings:
    case kSnapshot:
      if (!value.empty()) return true;
      error = "option " + name + " needs a file name";
      return false;
    case kSize:
      if (ParseSize(value, kMaxSnapshotSide, options.width, options.height)) return true;
      error = "option --size takes WIDTHxHEIGHT, each from 1 to " + std::to_string(kMaxSnapshotSide) +
              ", not " + QuoteForMessage(value);
      return false;
    case kUnits:
      if (value == "metric" || value == "imperial") {
        options.unitSelection = value == "imperial" ? 1 : 0;
        return true;
      }
      error = "option --units takes metric or imperial, not " + QuoteForMessage(value);
      return false;
    case kPitchSource:
    case kRollSource:
      if (ParseSource(value, option == kPitchSource ? options.pitchSource : options.rollSource)) return true;
      error = "option " + name + " takes 0 or 1, not " + QuoteForMessage(value);
      return false;
    case kPalette:
      if (ParsePalette(value, options.displayMode)) return true;
      error = "option --palette takes auto, day, dusk, night or red, not " + QuoteForMessage(value);
      return false;
    default:
      return true;
  }
}

}  // namespace

bool ParseReplayOptions(const std::vector<std::string>& args, ReplayOptions& options, std::string& error) {
  options = ReplayOptions();
  const auto check = [&](size_t option, const std::string* value, std::string& message) {
    return !value || CheckValue(option, *value, options, message);
  };
  const auto takeCapture = [&](const std::string& argument, std::string& message) {
    if (options.capture.empty()) {
      options.capture = argument;
      return true;
    }
    message = "more than one capture given (" + QuoteForMessage(options.capture) + " and " +
              QuoteForMessage(argument) + ")";
    return false;
  };
  GivenOptions given;
  if (!WalkOptions(args, {kReplayOptions, true, " (see kivu-replay --help)"}, check, takeCapture, given,
                   error))
    return false;
  options.fixes = given.Has(kFixes);
  options.states = given.Has(kStates);
  options.summary = given.Has(kSummary);
  options.track = given.Value(kTrack);
  options.log = given.Value(kLog);
  options.gpx = given.Value(kGpx);
  options.report = given.Value(kReport);
  options.settings = given.Value(kSettings);
  options.snapshot = given.Value(kSnapshot);
  options.unitsGiven = given.Has(kUnits);
  options.pitchSourceGiven = given.Has(kPitchSource);
  options.rollSourceGiven = given.Has(kRollSource);
  options.paletteGiven = given.Has(kPalette);
  options.hud = given.Has(kHud);
  options.help = given.Has(kHelp) || given.Has(kShortHelp);
  options.version = given.Has(kVersion);
  if (options.help || options.version) return true;
  if (options.capture.empty()) {
    error = "no capture file given (see kivu-replay --help)";
    return false;
  }
  return true;
}

std::string ReplayUsage() {
  return "Usage: kivu-replay CAPTURE [OPTIONS]\n"
         "Runs a recorded GPS capture (a Kivu GPS message log, or any NMEA text) through the same\n"
         "reading, parsing and trip computer code as the dashboard, without a window. The clock is\n"
         "taken from the fixes: each fix is handled at its own UTC time, and the trip starts at the\n"
         "first one. Local times in the track file follow the time zone in TZ, as on the dashboard.\n"
         "\n"
         "  --fixes                 print one JSON line per fix handed to the dashboard (the default\n"
         "                          when none of --summary, --track, --log, --gpx, --report and\n"
         "                          --snapshot is given)\n"
         "  --states                with the fix lines: add \"gpsState\", the dashboard's GPS state\n"
         "                          when the fix came (\"no fix\" before the first, \"lost\" when it\n"
         "                          comes back after a gap, else \"fix\"), then \"sunElevation\" (the\n"
         "                          sun's elevation in degrees at the last dated fix, null before\n"
         "                          one), \"palette\" (\"day\", \"dusk\", \"night\" or \"red\") and\n"
         "                          \"speedWarning\" (true while the speed is above the settings'\n"
         "                          SPEED_WARNING limit), what the dashboard shows with the fix\n"
         "  --summary               after the last fix, print the trip figures as one JSON object:\n"
         "                          the sixteen dashboard numbers, durationHours and distance (km)\n"
         "  --track FILE            record the track into FILE, appending (one $TRACK line per fix\n"
         "                          from the second on, as the dashboard records it)\n"
         "  --log FILE              record the GPS message log into FILE, appending\n"
         "  --gpx FILE              write the drive into FILE as GPX 1.1, replacing it whole once\n"
         "                          the capture is done: one track named by the first fix's UTC\n"
         "                          date, a new segment after each loss of the fix and between\n"
         "                          captures joined together, one point per fix with its altitude\n"
         "                          (3D fixes), UTC time, fix type, satellites and DOPs, and speed\n"
         "                          (m/s) and course in Garmin's TrackPointExtension v2\n"
         "  --report FILE.html      write a drive report into FILE.html, replacing it whole once the\n"
         "                          capture is done: one page that opens offline and prints on A4,\n"
         "                          with the trip figures the dashboard shows at the end (in the\n"
         "                          --units chosen), the track seen from above, and speed, altitude\n"
         "                          and vertical speed against the local time of day (TZ), the\n"
         "                          stretches without a fix left as gaps\n"
         "  --units metric|imperial the dashboard's unit system for the summary and the report\n"
         "                          (default metric); the track file always has metres, knots, km\n"
         "  --pitch-source 0|1      pitch from the acceleration (0, default) or from the slope (1)\n"
         "  --roll-source 0|1       roll from the turn (0, default) or shown level (1)\n"
         "  --palette auto|day|dusk|night|red  the dashboard's palette: auto (default) follows the\n"
         "                          sun at the fixes' places and times, the others are fixed\n"
         "  --hud                   paint the snapshot as the head-up display shows it\n"
         "  --settings INI          load every setting from INI as the dashboard loads Kivu.ini\n"
         "                          (--units, the sources and --palette, when given, win over it)\n"
         "  --snapshot FILE.png     after the last fix, paint the dashboard with its buttons into\n"
         "                          FILE.png, as the window would show it; the clock shows the time\n"
         "                          of the last fix in local time, and the GPS state is the one at the\n"
         "                          capture's last cycle (a capture that ends without a fix shows the\n"
         "                          fix as lost)\n"
         "  --size WxH              the window's size for --snapshot (default 800x480)\n"
         "  --help                  show this text\n"
         "  --version               show the version\n"
         "\n"
         "To turn a recorded drive (say the GPS message log gps20261207.txt from Kivu's record\n"
         "folder KivuRecord/) into a track file and a trip summary:\n"
         "  TZ=Europe/Berlin kivu-replay gps20261207.txt --track track.txt --summary\n"
         "\n"
         "The capture is read as one stream and cut into the receiver's cycles by their UTC times,\n"
         "as the dashboard reads a port; lines starting with '#' are skipped.\n"
         "Exit status: 0 done, 1 an output could not be written, 2 bad options, an unreadable\n"
         "capture or a record file that cannot be opened.\n";
}

}  // namespace kivu
