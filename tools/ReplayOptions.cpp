#include "tools/ReplayOptions.h"

#include "platform/MessageText.h"

namespace kivu {

bool ParseReplayOptions(const std::vector<std::string>& args, ReplayOptions& options, std::string& error) {
  options = ReplayOptions();
  bool endOfOptions = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!endOfOptions && arg == "--") {
      endOfOptions = true;
    } else if (!endOfOptions && arg == "--fixes") {
      options.fixes = true;
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
         "reading and parsing code as the dashboard, without a window.\n"
         "\n"
         "  --fixes     print one JSON line per fix handed to the dashboard (the default)\n"
         "  --help      show this text\n"
         "  --version   show the version\n"
         "\n"
         "The capture is cut into reads at each \"$GPRMC\", as the receiver reads a port.\n"
         "Exit status: 0 done, 2 bad options or an unreadable capture.\n";
}

}  // namespace kivu
