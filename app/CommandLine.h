// The command line of kivu.
#pragma once

#include <string>
#include <vector>

#include "gps/GpsdSource.h"

namespace kivu {

struct KivuOptions {
  std::vector<std::string> ports;  // --port PATH, repeatable: replaces the serial port table
  bool gpsd = false;               // --gpsd [HOST[:PORT]]: read the GPS through that gpsd
  GpsdAddress gpsdAddress;
  std::string home;    // --home DIR: the module folder, as KIVU_HOME
  std::string replay;  // --replay FILE: a capture fed through a pseudo-terminal
  bool demo = false;   // --demo: the bundled demo drive, as --replay
  bool fullscreen = false;
  bool help = false;
  bool version = false;
};

// Parses the arguments after the program name. False with a one-line error when they are not valid.
bool ParseKivuOptions(const std::vector<std::string>& args, KivuOptions& options, std::string& error);

// The text of --help.
std::string KivuUsage();

}  // namespace kivu
