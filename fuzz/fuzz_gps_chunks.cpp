// A capture delivered in any chunking gives the fixes of the capture read in one piece: the reader
// must not care where the driver cut the bytes. A quiet line at a cycle boundary changes nothing
// either, and a quiet line anywhere else may cut a cycle short but must never fault.
//
// Input: one byte K (its low five bits), then K chunking bytes, then the capture. Each chunking byte
// gives a chunk size, 1..32 bytes or, with bit 6, 32..1024 bytes; bit 5 asks for a quiet line after
// that chunk (and, in the run that is quiet only between cycles, at that cycle boundary). The sizes
// repeat until the capture is used up; with K = 0 the capture goes in one piece, quiet at every
// boundary.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "gps/CaptureReplay.h"
#include "gps/FixJson.h"
#include "gps/GpsParser.h"

namespace {

struct Chunking {
  std::vector<uint8_t> steps;

  size_t Size(size_t index, size_t left) const {
    if (steps.empty()) return left;
    uint8_t step = steps[index % steps.size()];
    size_t size = (step & 0x1f) + 1u;
    if (step & 0x40) size *= 32;
    return size < left ? size : left;
  }
  bool Quiet(size_t index) const { return steps.empty() || (steps[index % steps.size()] & 0x20); }
};

// Plays bytes into a fresh receiver and keeps every fix handed over, as JSON.
class Run {
 public:
  Run() : owner_([this](const kivu::GpsFix& fix) { fixes_.push_back(kivu::FormatFixJson(fix)); }) {
    receiver_.SetOwner(&owner_);
  }

  // Each chunk in a buffer of its own, so that a read past a chunk's end shows.
  void Feed(const char* data, size_t count) {
    std::unique_ptr<char[]> chunk(new char[count]);
    std::memcpy(chunk.get(), data, count);
    receiver_.HandleBytes(chunk.get(), count);
  }
  void Quiet() { receiver_.HandleQuietLine(); }
  const std::vector<std::string>& End() {
    receiver_.HandleEndOfInput();
    return fixes_;
  }
  const std::vector<std::string>& Replay(std::string_view capture) {
    kivu::ReplayCapture(receiver_, capture);
    return fixes_;
  }

 private:
  std::vector<std::string> fixes_;
  kivu::DirectFixOwner owner_;
  kivu::CGpsParser receiver_;
};

void Fail(const char* what, const std::vector<std::string>& expected, const std::vector<std::string>& got) {
  std::fprintf(stderr, "fuzz_gps_chunks: %s: %zu fixes expected, %zu handed\n", what, expected.size(),
               got.size());
  for (size_t i = 0; i < expected.size() || i < got.size(); ++i) {
    const char* want = i < expected.size() ? expected[i].c_str() : "(none)";
    const char* have = i < got.size() ? got[i].c_str() : "(none)";
    if (i >= expected.size() || i >= got.size() || expected[i] != got[i]) {
      std::fprintf(stderr, "first difference at fix %zu:\n  expected %s\n  handed   %s\n", i, want, have);
      break;
    }
  }
  __builtin_trap();
}

void Expect(const char* what, const std::vector<std::string>& expected, const std::vector<std::string>& got) {
  if (got != expected) Fail(what, expected, got);
}

// The chunks in turn, a quiet line after those that ask for one when quietAnywhere is set.
std::vector<std::string> PlayChunks(std::string_view text, const Chunking& chunking, bool quietAnywhere) {
  Run run;
  size_t index = 0;
  for (size_t offset = 0; offset < text.size(); ++index) {
    size_t size = chunking.Size(index, text.size() - offset);
    run.Feed(text.data() + offset, size);
    offset += size;
    if (quietAnywhere && chunking.Quiet(index)) run.Quiet();
  }
  return run.End();
}

// The chunks, each also cut at the cycle boundaries, with a quiet line at the boundaries that ask
// for one. The end of the text is no boundary: a last sentence without its line feed still waits.
std::vector<std::string> PlayQuietAtBoundaries(std::string_view text, const std::vector<std::string>& cycles,
                                               const Chunking& chunking) {
  Run run;
  size_t offset = 0;
  size_t index = 0;
  for (size_t c = 0; c < cycles.size(); ++c) {
    size_t boundary = offset + cycles[c].size();
    while (offset < boundary) {
      size_t size = chunking.Size(index++, boundary - offset);
      run.Feed(text.data() + offset, size);
      offset += size;
    }
    if (boundary < text.size() && chunking.Quiet(c)) run.Quiet();
  }
  return run.End();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  size_t steps = data[0] & 0x1f;
  if (size < 1 + steps) return 0;
  Chunking chunking{std::vector<uint8_t>(data + 1, data + 1 + steps)};
  std::string_view capture(reinterpret_cast<const char*>(data + 1 + steps), size - 1 - steps);

  // The reference: a replay of the capture, notes skipped by the receiver itself.
  Run replay;
  std::vector<std::string> expected = replay.Replay(capture);

  std::string text = kivu::WithoutCaptureNotes(capture);
  std::vector<std::string> cycles = kivu::SplitCaptureIntoCycles(capture);
  std::string joined;
  for (const std::string& cycle : cycles)
    joined += cycle;
  if (joined != text) {
    std::fprintf(stderr, "fuzz_gps_chunks: the cycles do not add up to the capture without its notes\n");
    __builtin_trap();
  }

  Expect("the capture without notes in one piece", expected, PlayChunks(text, Chunking{}, false));
  Expect("the capture in chunks", expected, PlayChunks(text, chunking, false));
  Expect("quiet lines at cycle boundaries", expected, PlayQuietAtBoundaries(text, cycles, chunking));
  PlayChunks(text, chunking, true);  // a quiet line anywhere: no fault, whatever the fixes
  return 0;
}
