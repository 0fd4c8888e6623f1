#include "app/CommandLine.h"

#include <cstdlib>

#include "platform/MessageText.h"

namespace kivu {

namespace {

// The largest window side --window takes.
constexpr long kLargestWindowSide = 16384;

// "WxH" with two whole numbers from 1 to kLargestWindowSide.
bool ParseWindowSize(const std::string& text, int& width, int& height) {
  size_t x = text.find('x');
  if (x == std::string::npos || x == 0 || x + 1 >= text.size()) return false;
  auto side = [](const std::string& digits, int& out) {
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
      return false;
    long value = std::strtol(digits.c_str(), nullptr, 10);
    if (value < 1 || value > kLargestWindowSide) return false;
    out = static_cast<int>(value);
    return true;
  };
  return side(text.substr(0, x), width) && side(text.substr(x + 1), height);
}

}  // namespace

bool ParseKivuOptions(const std::vector<std::string>& args, KivuOptions& options, std::string& error) {
  options = KivuOptions();
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    // An option with a value takes it from "--option=value" or from the next argument.
    std::string name = arg;
    std::string value;
    bool hasValue = false;
    if (arg.rfind("--", 0) == 0) {
      size_t equals = arg.find('=');
      if (equals != std::string::npos) {
        name = arg.substr(0, equals);
        value = arg.substr(equals + 1);
        hasValue = true;
      }
    }
    auto takeValue = [&](std::string& out) {
      if (!hasValue) {
        if (i + 1 >= args.size()) {
          error = "option " + name + " needs a value";
          return false;
        }
        value = args[++i];
      }
      if (value.empty()) {
        error = "option " + name + " needs a value that is not empty";
        return false;
      }
      out = value;
      return true;
    };
    std::string path;
    if (name == "--port") {
      if (!takeValue(path)) return false;
      options.ports.push_back(path);
    } else if (name == "--gpsd") {
      // The address is optional: a next argument that is not an option is it.
      if (!hasValue && i + 1 < args.size() && args[i + 1].rfind("-", 0) != 0) {
        value = args[++i];
        hasValue = true;
      }
      if (hasValue && (value.empty() || !ParseGpsdAddress(value, options.gpsdAddress))) {
        error = "option --gpsd needs HOST, HOST:PORT or [IPV6]:PORT, not " + QuoteForMessage(value);
        return false;
      }
      options.gpsd = true;
    } else if (name == "--home") {
      if (!takeValue(options.home)) return false;
    } else if (name == "--replay") {
      if (!takeValue(options.replay)) return false;
    } else if (name == "--window") {
      std::string size;
      if (!takeValue(size)) return false;
      if (!ParseWindowSize(size, options.windowWidth, options.windowHeight)) {
        error = "option --window needs a size WIDTHxHEIGHT such as 800x480, not " + QuoteForMessage(size);
        return false;
      }
    } else if (!hasValue && name == "--demo") {
      options.demo = true;
    } else if (!hasValue && name == "--fullscreen") {
      options.fullscreen = true;
    } else if (!hasValue && (name == "--help" || name == "-h")) {
      options.help = true;
    } else if (!hasValue && name == "--version") {
      options.version = true;
    } else {
      error = "unknown option " + QuoteForMessage(arg);
      return false;
    }
  }
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
         "  --replay FILE   play a recorded capture (a GPS message log or NMEA text) as its receiver\n"
         "                  sent it, cycle by cycle at the capture's own pace\n"
         "  --demo          play the bundled demo drive\n"
         "  --help          show this text\n"
         "  --version       show the version\n"
         "\n"
         "\n"
         "Keys: Esc or q (or Ctrl+Q) exit, F11 full screen on and off, s Settings, n Navigator,\n"
         "m Minimize; Tab moves through the buttons and Space presses the one in focus.\n"
         "Tapping the splash picture closes it.\n"
         "\n"
         "Starting Kivu while it runs brings the running copy to the front.\n";
}

}  // namespace kivu
