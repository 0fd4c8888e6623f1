#include "tools/ReplayOptions.h"

#include "platform/MessageText.h"

namespace kivu {

namespace {

// The options that take a value.
enum class Valued { None, Track, Log, Units, PitchSource, RollSource, Settings, Snapshot, Size };

Valued ValuedOption(const std::string& name) {
  if (name == "--track") return Valued::Track;
  if (name == "--log") return Valued::Log;
  if (name == "--units") return Valued::Units;
  if (name == "--pitch-source") return Valued::PitchSource;
  if (name == "--roll-source") return Valued::RollSource;
  if (name == "--settings") return Valued::Settings;
  if (name == "--snapshot") return Valued::Snapshot;
  if (name == "--size") return Valued::Size;
  return Valued::None;
}

// 0 or 1 from "0" or "1"; false for anything else.
bool ParseSource(const std::string& value, int& source) {
  if (value != "0" && value != "1") return false;
  source = value == "1" ? 1 : 0;
  return true;
}

// "WxH" with each side from 1 to kMaxSnapshotSide; false for anything else.
bool ParseSize(const std::string& value, int& width, int& height) {
  size_t x = value.find('x');
  if (x == std::string::npos || x == 0 || x + 1 >= value.size() || x > 5 || value.size() - x - 1 > 5)
    return false;
  int sides[2] = {0, 0};
  const std::string parts[2] = {value.substr(0, x), value.substr(x + 1)};
  for (int i = 0; i < 2; ++i) {
    for (char c : parts[i]) {
      if (c < '0' || c > '9') return false;
      sides[i] = sides[i] * 10 + (c - '0');
    }
    if (sides[i] < 1 || sides[i] > kMaxSnapshotSide) return false;
  }
  width = sides[0];
  height = sides[1];
  return true;
}

bool SetValue(Valued which, const std::string& name, const std::string& value, ReplayOptions& options,
              std::string& error) {
  switch (which) {
    case Valued::Track:
    case Valued::Log:
    case Valued::Settings:
    case Valued::Snapshot:
      if (value.empty()) {
        error = "option " + name + " needs a file name";
        return false;
      }
      (which == Valued::Track      ? options.track
       : which == Valued::Log      ? options.log
       : which == Valued::Settings ? options.settings
                                   : options.snapshot) = value;
      return true;
    case Valued::Size:
      if (ParseSize(value, options.width, options.height)) return true;
      error = "option --size takes WIDTHxHEIGHT, each from 1 to " + std::to_string(kMaxSnapshotSide) +
              ", not " + QuoteForMessage(value);
      return false;
    case Valued::Units:
      if (value == "metric" || value == "imperial") {
        options.unitSelection = value == "imperial" ? 1 : 0;
        options.unitsGiven = true;
        return true;
      }
      error = "option --units takes metric or imperial, not " + QuoteForMessage(value);
      return false;
    case Valued::PitchSource:
    case Valued::RollSource:
      if (ParseSource(value, which == Valued::PitchSource ? options.pitchSource : options.rollSource)) {
        (which == Valued::PitchSource ? options.pitchSourceGiven : options.rollSourceGiven) = true;
        return true;
      }
      error = "option " + name + " takes 0 or 1, not " + QuoteForMessage(value);
      return false;
    case Valued::None:
      break;
  }
  return false;
}

}  // namespace

bool ParseReplayOptions(const std::vector<std::string>& args, ReplayOptions& options, std::string& error) {
  options = ReplayOptions();
  bool endOfOptions = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const Valued valued = endOfOptions ? Valued::None : ValuedOption(name);
    if (valued != Valued::None) {
      std::string value;
      if (equals != std::string::npos) {
        value = arg.substr(equals + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        error = "option " + name + " needs a value (see kivu-replay --help)";
        return false;
      }
      if (!SetValue(valued, name, value, options, error)) return false;
    } else if (!endOfOptions && arg == "--") {
      endOfOptions = true;
    } else if (!endOfOptions && arg == "--fixes") {
      options.fixes = true;
    } else if (!endOfOptions && arg == "--states") {
      options.states = true;
    } else if (!endOfOptions && arg == "--summary") {
      options.summary = true;
    } else if (!endOfOptions && (arg == "--help" || arg == "-h")) {
      options.help = true;
    } else if (!endOfOptions && arg == "--version") {
      options.version = true;
    } else if (!endOfOptions && arg.size() > 1 && arg[0] == '-') {
      error = "unknown option " + QuoteForMessage(arg) + " (see kivu-replay --help)";
      return false;
    } else if (options.capture.empty()) {
      options.capture = arg;
    } else {
      error = "more than one capture given (" + QuoteForMessage(options.capture) + " and " +
              QuoteForMessage(arg) + ")";
      return false;
    }
  }
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
         "                          when neither --summary, --track nor --log is given)\n"
         "  --states                with the fix lines: add \"gpsState\", the dashboard's GPS state\n"
         "                          when the fix came (\"no fix\" before the first, \"lost\" when it\n"
         "                          comes back after a gap, else \"fix\")\n"
         "  --summary               after the last fix, print the trip figures as one JSON object:\n"
         "                          the sixteen dashboard numbers, durationHours and distance (km)\n"
         "  --track FILE            record the track into FILE, appending (one $TRACK line per fix\n"
         "                          from the second on, as the dashboard records it)\n"
         "  --log FILE              record the GPS message log into FILE, appending\n"
         "  --units metric|imperial the dashboard's unit system for the summary (default metric);\n"
         "                          the track file always has metres, knots and km\n"
         "  --pitch-source 0|1      pitch from the acceleration (0, default) or from the slope (1)\n"
         "  --roll-source 0|1       roll from the turn (0, default) or shown level (1)\n"
         "  --settings INI          load every setting from INI as the dashboard loads Kivu.ini\n"
         "                          (--units and the sources, when given, win over it)\n"
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
