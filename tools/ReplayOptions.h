// The command line of kivu-replay.
#pragma once

#include <string>
#include <vector>

namespace kivu {

struct ReplayOptions {
  std::string capture;    // the capture file to replay
  bool fixes = false;     // one JSON line per fix handed to the view
  bool states = false;    // each fix line also tells the GPS state the dashboard was in when it came
  bool summary = false;   // one JSON object of the trip figures after the last fix
  std::string track;      // record the track into this file (appending); "" for none
  std::string log;        // record the GPS message log into this file (appending); "" for none
  std::string gpx;        // write the drive as GPX 1.1 into this file (replacing it); "" for none
  std::string report;     // write the drive report, an HTML page, into this file (replacing it); "" for none
  int unitSelection = 0;  // 0 metric, 1 imperial
  int pitchSource = 0;    // 0 acceleration, 1 slope
  int rollSource = 0;     // 0 turn, 1 level
  int displayMode = 0;    // --palette: the Display setting, 0 auto (the sun's) to 4 red night
  bool hud = false;       // --hud: the head-up display, mirrored
  // Which of these were given: they win over a settings file's.
  bool unitsGiven = false;
  bool pitchSourceGiven = false;
  bool rollSourceGiven = false;
  bool paletteGiven = false;
  std::string settings;  // a settings file to load every setting from, as the dashboard loads Kivu.ini
  std::string snapshot;  // a PNG file to paint the dashboard into after the last fix; "" for none
  int width = 800;       // the client area of the snapshot
  int height = 480;
  bool help = false;
  bool version = false;

  // Fixes are printed when asked for, or when no other output is.
  bool PrintFixes() const {
    return fixes ||
           (!summary && track.empty() && log.empty() && gpx.empty() && report.empty() && snapshot.empty());
  }
};

// The largest side of a snapshot, in pixels.
constexpr int kMaxSnapshotSide = 8192;

// Parses the arguments after the program name. False with a one-line error when they are not valid.
// An option's value follows as the next argument or after '=' ("--units imperial", "--units=imperial").
bool ParseReplayOptions(const std::vector<std::string>& args, ReplayOptions& options, std::string& error);

// The text of --help.
std::string ReplayUsage();

}  // namespace kivu
