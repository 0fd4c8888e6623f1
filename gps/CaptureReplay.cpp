#include "gps/CaptureReplay.h"

#include "gps/CycleAssembler.h"

namespace kivu {

void ReplayCapture(CGpsParser& receiver, std::string_view capture) {
  receiver.SetSkipCommentLines(true);
  receiver.HandleBytes(capture.data(), capture.size());
  receiver.HandleEndOfInput();
}

std::string WithoutCaptureNotes(std::string_view capture) {
  std::string text;
  text.reserve(capture.size());
  size_t start = 0;
  while (start < capture.size()) {
    size_t end = capture.find('\n', start);
    end = end == std::string_view::npos ? capture.size() : end + 1;
    if (capture[start] != '#') text.append(capture.substr(start, end - start));
    start = end;
  }
  return text;
}

std::vector<CapturedCycle> SplitCaptureIntoTimedCycles(std::string_view capture) {
  std::string text = WithoutCaptureNotes(capture);
  std::vector<CapturedCycle> cycles;
  size_t start = 0;
  CycleAssembler assembler([](const char*, size_t) {});
  assembler.SetCycleEndObserver([&](uint64_t offset, int time) {
    size_t end = static_cast<size_t>(offset);
    if (end <= start) return;
    cycles.push_back({text.substr(start, end - start), time});
    start = end;
  });
  assembler.Feed(text.data(), text.size());
  assembler.EndOfInput();
  if (start < text.size()) {
    if (cycles.empty()) {
      cycles.push_back({text.substr(start), -1});
    } else {
      cycles.back().bytes += text.substr(start);
    }
  }
  return cycles;
}

std::vector<std::string> SplitCaptureIntoCycles(std::string_view capture) {
  std::vector<std::string> cycles;
  for (CapturedCycle& cycle : SplitCaptureIntoTimedCycles(capture))
    cycles.push_back(std::move(cycle.bytes));
  return cycles;
}

}  // namespace kivu
