#include "tools/ReplayOptions.h"

namespace kivu {

namespace {

// An argument as it may appear in a one-line message: control characters shown as \xNN.
std::string Quoted(const std::string& arg) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = "'";
  for (unsigned char c : arg) {
    if (c < 0x20 || c == 0x7f) {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "'";
}

}  // namespace

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
      error = "unknown option " + Quoted(arg) + " (see kivu-replay --help)";
      return false;
    } else if (options.capture.empty()) {
      options.capture = arg;
    } else {
      error = "more than one capture given (" + Quoted(options.capture) + " and " + Quoted(arg) + ")";
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
