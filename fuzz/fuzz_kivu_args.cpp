// Any argument list for kivu: parsed to options or to a one-line error, never a fault.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzArguments.h"
#include "app/CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> args = kivu::fuzz::SplitArguments(data, size);
  kivu::KivuOptions options;
  std::string error;
  if (kivu::ParseKivuOptions(args, options, error)) {
    for (const std::string& port : options.ports)
      if (port.empty()) std::abort();
    if (options.demo && !options.replay.empty()) std::abort();
    // A window is both sides or none, each within what --window takes.
    if ((options.windowWidth > 0) != (options.windowHeight > 0)) std::abort();
    if (options.windowWidth < 0 || options.windowWidth > 16384 || options.windowHeight > 16384) std::abort();
  } else if (error.empty() || error.find('\n') != std::string::npos) {
    std::abort();
  }
  return 0;
}
