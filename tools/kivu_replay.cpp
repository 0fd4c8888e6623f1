// kivu-replay: a recorded drive through Kivu's GPS pipeline, without a window.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "gps/CaptureReads.h"
#include "gps/FixJson.h"
#include "gps/GpsParser.h"
#include "tools/ReplayOptions.h"

namespace {

bool ReadWholeFile(const std::string& path, std::string& content, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open '" + path + "': " + std::strerror(errno);
    return false;
  }
  std::ostringstream out;
  out << in.rdbuf();
  if (in.bad()) {
    error = "cannot read '" + path + "'";
    return false;
  }
  content = out.str();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kivu;
  std::vector<std::string> args(argv + 1, argv + argc);
  ReplayOptions options;
  std::string error;
  if (!ParseReplayOptions(args, options, error)) {
    std::fprintf(stderr, "kivu-replay: %s\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(ReplayUsage().c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::puts("kivu-replay 1.0");
    return 0;
  }
  std::string capture;
  if (!ReadWholeFile(options.capture, capture, error)) {
    std::fprintf(stderr, "kivu-replay: %s\n", error.c_str());
    return 2;
  }

  DirectFixOwner owner([&](const GpsFix& fix) { std::printf("%s\n", FormatFixJson(fix).c_str()); });
  CGpsParser receiver;
  receiver.SetOwner(&owner);
  ForEachCaptureRead(capture, [&](char* buffer, size_t count) { receiver.HandleRead(buffer, count); });
  return std::fflush(stdout) == 0 ? 0 : 1;
}
