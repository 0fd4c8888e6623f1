#include "app/CommandLine.h"

#include <iterator>

#include "app/OptionTable.h"
#include "platform/MessageText.h"

namespace kivu {

namespace {

// The largest window side --window takes.
constexpr int kLargestWindowSide = 16384;

// The options by their places in the table.
enum KivuOption : size_t {
  kPort,
  kGpsd,
  kHome,
  kReplay,
  kWindow,
  kDemo,
  kFullscreen,
  kHud,
  kHelp,
  kShortHelp,
  kVersion
};

constexpr OptionSpec kKivuOptions[] = {
    {"--port", OptionTakes::Value, true},
    {"--gpsd", OptionTakes::OptionalValue},
    {"--home", OptionTakes::Value},
    {"--replay", OptionTakes::Value},
    {"--window", OptionTakes::Value},
    {"--demo"},
    {"--fullscreen"},
    {"--hud"},
    {"--help"},
    {"-h"},
    {"--version"},
};
static_assert(std::size(kKivuOptions) == kVersion + 1);

// Refuses what a value of the option cannot be, and takes in the values that mean more than their text.
bool CheckValue(size_t option, const std::string* value, KivuOptions& options, std::string& error) {
  if (option == kGpsd) {
    if (value && (value->empty() || !ParseGpsdAddress(*value, options.gpsdAddress))) {
      error = "option --gpsd needs HOST, HOST:PORT or [IPV6]:PORT, not " + QuoteForMessage(*value);
      return false;
    }
    return true;
  }
  if (!value) return true;
  if (value->empty()) {
    error = "option " + std::string(kKivuOptions[option].name) + " needs a value that is not empty";
    return false;
  }
  if (option == kWindow &&
      !ParseSize(*value, kLargestWindowSide, options.windowWidth, options.windowHeight)) {
    error = "option --window needs a size WIDTHxHEIGHT such as 800x480, not " + QuoteForMessage(*value);
    return false;
  }
  return true;
}

}  // namespace

bool ParseKivuOptions(const std::vector<std::string>& args, KivuOptions& options, std::string& error) {
  options = KivuOptions();
  GivenOptions given;
  const auto check = [&](size_t option, const std::string* value, std::string& message) {
    return CheckValue(option, value, options, message);
  };
  if (!WalkOptions(args, {kKivuOptions}, check, nullptr, given, error)) return false;
  options.ports = given.values[kPort];
  options.gpsd = given.Has(kGpsd);
  options.home = given.Value(kHome);
  options.replay = given.Value(kReplay);
  options.demo = given.Has(kDemo);
  options.fullscreen = given.Has(kFullscreen);
  options.hud = given.Has(kHud);
  options.help = given.Has(kHelp) || given.Has(kShortHelp);
  options.version = given.Has(kVersion);
  if (options.demo && !options.replay.empty()) {
    error = "--demo and --replay cannot be used together";
    return false;
  }
  if (options.gpsd && (!options.ports.empty() || options.demo || !options.replay.empty())) {
    error = "--gpsd cannot be used with --port, --replay or --demo";
    return false;
  }
  if (options.fullscreen && options.windowWidth > 0) {
    error = "--fullscreen and --window cannot be used together";
    return false;
  }
  return true;
}

bool IsCarSizedScreen(int width, int height) {
  int longer = width > height ? width : height;
  int shorter = width > height ? height : width;
  return longer <= 1280 && shorter <= 800;
}

WindowMode ChooseWindowMode(const KivuOptions& options, bool windowManager, int screenWidth,
                            int screenHeight) {
  if (options.fullscreen) return WindowMode::FullScreen;
  if (options.windowWidth > 0) return WindowMode::Window;
  if (!windowManager || IsCarSizedScreen(screenWidth, screenHeight)) return WindowMode::FullScreen;
  return WindowMode::Maximized;
}

std::string KivuUsage() {
  return "Usage: kivu [OPTIONS]\n"
         "Kivu shows your car's GPS data as aircraft-style flight instruments.\n"
         "\n"
         "  --port PATH     read the GPS receiver from PATH (repeat to try several in turn);\n"
         "                  without it Kivu tries /dev/ttyACM0..3, /dev/ttyUSB0..3, /dev/rfcomm0..1\n"
         "                  and /dev/ttyS0..5, or the ports listed in KIVU_PORTS (PATH:PATH...)\n"
         "  --gpsd [HOST[:PORT]]  read the GPS through a running gpsd (default localhost:2947;\n"
         "                  as KIVU_GPSD=HOST[:PORT]); without --port or --gpsd the Settings\n"
         "                  dialog's GPS choice holds, and Automatic uses a gpsd on localhost\n"
         "                  where no port can be opened\n"
         "  --home DIR      keep Kivu.ini and KivuRecord/ in DIR (as KIVU_HOME=DIR)\n"
         "  --fullscreen    fill the whole screen\n"
         "  --window WxH    a window of W x H pixels instead (for example 800x480)\n"
         "                  without either, Kivu takes the whole screen where there is no window\n"
         "                  manager or the screen is at most 1280x800, else a maximised window\n"
         "  --hud           show the dashboard mirrored, to be read in the windscreen, for this\n"
         "                  run (the h key and the Settings dialog keep it for the next runs too)\n"
         "  --replay FILE   play a recorded capture (a GPS message log or NMEA text) as its receiver\n"
         "                  sent it, cycle by cycle at the capture's own pace\n"
         "  --demo          play the bundled demo drive\n"
         "  --help          show this text\n"
         "  --version       show the version\n"
         "\n"
         "\n"
         "Keys: Esc or q (or Ctrl+Q) exit, F11 full screen on and off, s Settings, n Navigator,\n"
         "m Minimize, d the next palette (Automatic, Day, Dusk, Night, Red night), h the head-up\n"
         "display on and off, w silences the speed warning's chime until the warning ends; Tab\n"
         "moves through the buttons and Space presses the one in focus.\n"
         "Tapping the splash picture closes it.\n"
         "\n"
         "Starting Kivu while it runs brings the running copy to the front.\n";
}

}  // namespace kivu
