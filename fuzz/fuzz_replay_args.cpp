// Any argument list for kivu-replay: parsed to options or to a one-line error, never a fault.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzArguments.h"
#include "tools/ReplayOptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> args = kivu::fuzz::SplitArguments(data, size);
  kivu::ReplayOptions options;
  std::string error;
  bool ok = kivu::ParseReplayOptions(args, options, error);
  if (!ok && (error.empty() || error.find('\n') != std::string::npos)) std::abort();
  if (ok && !options.help && !options.version && options.capture.empty()) std::abort();
  if (!ok) return 0;
  // Values are only ever the listed ones, and a file option never names the empty file.
  if (options.unitSelection != 0 && options.unitSelection != 1) std::abort();
  if (options.pitchSource != 0 && options.pitchSource != 1) std::abort();
  if (options.rollSource != 0 && options.rollSource != 1) std::abort();
  if (options.width < 1 || options.width > kivu::kMaxSnapshotSide || options.height < 1 ||
      options.height > kivu::kMaxSnapshotSide)
    std::abort();
  bool named = false;
  for (const std::string& arg : args)
    named = named || arg.rfind("--track", 0) == 0 || arg.rfind("--log", 0) == 0;
  if (!named && (!options.track.empty() || !options.log.empty())) std::abort();
  return 0;
}
