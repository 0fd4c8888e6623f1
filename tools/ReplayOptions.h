// The command line of kivu-replay.
#pragma once

#include <string>
#include <vector>

namespace kivu {

struct ReplayOptions {
  std::string capture;  // the capture file to replay
  bool fixes = false;   // one JSON line per fix handed to the view
  bool help = false;
  bool version = false;
};

// Parses the arguments after the program name. False with a one-line error when they are not valid.
bool ParseReplayOptions(const std::vector<std::string>& args, ReplayOptions& options, std::string& error);

// The text of --help.
std::string ReplayUsage();

}  // namespace kivu
