// However the port delivers a receiver's bytes, the live reader gives exactly the fixes that a replay
// of the same bytes gives. Each capture goes through a real pseudo-terminal in the ways real devices
// deliver: whole cycles with a quiet line between them, a USB serial adapter's packets, a USB
// receiver's sentence at a time, a 4800-baud line and random pieces; also after more junk than a cycle
// holds. Up to sixteen receivers run at
// once, one pseudo-terminal each, so that the slow line stays quick.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "gps/CaptureReplay.h"
#include "gps/CycleAssembler.h"
#include "gps/FixJson.h"
#include "gps/GpsParser.h"
#include "gps/ReceiverTestUtil.h"
#include "platform/PseudoTerminal.h"
#include "platform/SerialPort.h"
#include "support/TestSupport.h"

namespace kivu {
namespace {

using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;
using std::chrono::microseconds;

// A prefix of about this many bytes keeps the 4800-baud line near six seconds a batch; one that has
// too few fixes to compare grows up to the longest prefix (ten seconds at 4800 baud).
constexpr size_t kPrefixBytes = 2800;
constexpr size_t kLongestPrefixBytes = 4800;
constexpr size_t kMinFixes = 2;
// As many receivers at once as the port table has entries.
constexpr size_t kBatch = kSerialPortCount;
// Whole cycles are this far apart: the reader ends each one at its quiet gap.
constexpr microseconds kCyclePause = std::chrono::milliseconds(kQuietGapMs + 20);
// A pause inside the stream this long, where a shorter one was planned, means the machine woke the
// feeder late; the reader might rightly have ended a cycle there, so the run proves nothing.
constexpr Steady::duration kDisturbingPause = 35ms;
// How long the receivers get for their last fixes after the last byte went out (the last cycle ends
// one quiet gap after it); short enough that a reader that loses fixes fails before CTest's time-out.
constexpr Steady::duration kFixTimeout = 5s;
constexpr uint32_t kSeed = 4800;

// The first whole cycles of a capture, and the fixes a replay of exactly those bytes gives.
struct Prefix {
  std::string name;
  std::string bytes;
  std::vector<size_t> cycleEnds;  // the offset after each cycle
  std::vector<std::string> expected;
};

std::vector<std::string> ReplayFixes(const std::string& bytes) {
  std::vector<std::string> fixes;
  DirectFixOwner owner([&](const GpsFix& fix) { fixes.push_back(FormatFixJson(fix)); });
  CGpsParser receiver;
  receiver.SetOwner(&owner);
  ReplayCapture(receiver, bytes);
  return fixes;
}

// Sets a prefix's bytes and cuts them into the cycles the receiver sent.
void SetBytes(Prefix& prefix, const std::string& bytes) {
  prefix.bytes = bytes;
  prefix.cycleEnds.clear();
  size_t end = 0;
  for (const std::string& cycle : SplitCaptureIntoCycles(bytes))
    prefix.cycleEnds.push_back(end += cycle.size());
  prefix.expected = ReplayFixes(bytes);
}

// A prefix ends after a line feed: a replay takes a last sentence cut short at the end of its input,
// while a live reader rightly waits for the rest of it.
Prefix CutPrefix(const std::string& name, const std::string& capture) {
  Prefix prefix{name, "", {}, {}};
  std::string bytes;
  std::vector<size_t> ends;
  for (const std::string& cycle : SplitCaptureIntoCycles(capture)) {
    if (bytes.size() + cycle.size() > kLongestPrefixBytes) break;
    bytes += cycle;
    ends.push_back(bytes.size());
    if (cycle.back() != '\n') continue;
    prefix.bytes = bytes;
    prefix.cycleEnds = ends;
    prefix.expected = ReplayFixes(bytes);
    if (bytes.size() >= kPrefixBytes && prefix.expected.size() >= kMinFixes) break;
  }
  return prefix;
}

// What a line carries before a receiver speaks, past the cycle's 16 KiB bound and without a time:
// sentences garbled on the line (bad checksums, cut short, run together, longer than any sentence) and
// bytes of a wrong speed or another protocol, zero bytes and '$' among them. No line of it starts with
// '#', which a replay would skip as a note.
std::string Junk(const std::string& capture) {
  std::mt19937 dice(kSeed);
  // Garbled RMCs stay out: a cycle's RMC is taken whatever its checksum, so junk with one would be a
  // cycle of its own.
  std::vector<std::string> lines;
  for (size_t start = 0, end; (end = capture.find('\n', start)) != std::string::npos; start = end + 1) {
    if (end - start > 8 && capture.compare(start + 3, 4, "RMC,") != 0)
      lines.push_back(capture.substr(start, end + 1 - start));
  }
  std::string junk;
  // Until the garbled sentences alone are more than a cycle holds.
  for (size_t garbled = 0; garbled <= CycleAssembler::kMaxCycle + 1024;) {
    std::string line = lines[dice() % lines.size()];
    switch (dice() % 16) {
      default:  // one bit flipped: the checksum no longer holds
        line[1 + dice() % (line.size() - 3)] ^= 1;
        garbled += line.size();
        break;
      case 0:
      case 1:  // cut short, the next line runs on in it
        line.resize(dice() % line.size());
        break;
      case 2:  // noise
        line.clear();
        for (size_t n = dice() % 200; n > 0; --n)
          line += static_cast<char>(dice() % 256);
        break;
      case 3:  // a line no receiver sends
        line = "$GPTXT," + std::string(520, 'x') + "\r\n";
    }
    if (!line.empty() && (junk.empty() || junk.back() == '\n') && line[0] == '#') line[0] = '$';
    for (size_t at = line.find("\n#"); at != std::string::npos; at = line.find("\n#", at))
      line[++at] = '$';
    junk += line;
  }
  return junk + "\r\n";
}

// One write into the port: bytes [begin, end) of the prefix, due that long after the first write.
struct Write {
  size_t begin, end;
  microseconds due;
};
using Schedule = std::vector<Write>;

// A receiver that sends each cycle in one burst and then nothing until the next.
Schedule WholeCycles(const Prefix& prefix) {
  Schedule writes;
  size_t begin = 0;
  for (size_t end : prefix.cycleEnds) {
    writes.push_back({begin, end, static_cast<int64_t>(writes.size()) * kCyclePause});
    begin = end;
  }
  return writes;
}

// Pieces of one size at a steady rate, running on across cycles.
Schedule Slices(const Prefix& prefix, size_t size, int64_t bytesPerSecond) {
  Schedule writes;
  for (size_t begin = 0; begin < prefix.bytes.size(); begin += size) {
    microseconds due(static_cast<int64_t>(begin) * 1'000'000 / bytesPerSecond);
    writes.push_back({begin, std::min(begin + size, prefix.bytes.size()), due});
  }
  return writes;
}

// A USB serial adapter hands on a 62-byte packet when its 16 ms latency timer runs out.
Schedule AdapterPackets(const Prefix& prefix) {
  return Slices(prefix, 62, 62 * 1000 / 16);
}

// A 4800-baud line carries 480 bytes a second; the driver hands them on four at a time.
Schedule Line4800(const Prefix& prefix) {
  return Slices(prefix, 4, 480);
}

// A USB receiver that flushes after each sentence.
Schedule SentenceAtATime(const Prefix& prefix) {
  Schedule writes;
  for (size_t begin = 0; begin < prefix.bytes.size();) {
    size_t end = prefix.bytes.find('\n', begin);
    end = end == std::string::npos ? prefix.bytes.size() : end + 1;
    writes.push_back({begin, end, static_cast<int64_t>(writes.size()) * microseconds(5ms)});
    begin = end;
  }
  return writes;
}

// Pieces of 1 to 300 bytes with pauses of 0 to 20 ms, the same every run.
Schedule RandomPieces(const Prefix& prefix) {
  Schedule writes;
  std::mt19937 dice(kSeed);
  microseconds due{0};
  for (size_t begin = 0; begin < prefix.bytes.size();) {
    size_t end = std::min(prefix.bytes.size(), begin + 1 + dice() % 300);
    writes.push_back({begin, end, due});
    due += std::chrono::milliseconds(dice() % 21);
    begin = end;
  }
  return writes;
}

struct Pattern {
  const char* name;
  Schedule (*plan)(const Prefix&);
};

const Pattern kPatterns[] = {
    {"whole cycles", WholeCycles},
    {"62-byte adapter packets", AdapterPackets},
    {"a sentence every 5 ms", SentenceAtATime},
    {"4800-baud line", Line4800},
    {"random pieces", RandomPieces},
};

// What a feeder saw of its own pace: the longest real pause where a short one was planned, or that a
// write took.
struct FeedReport {
  bool written = true;
  Steady::duration longestPause{};
  bool Disturbed() const { return longestPause > kDisturbingPause; }
};

// Writes each piece at its due time, measured from the start (so one late wake-up does not push back
// the rest), and measures how long the line really stayed quiet where a shorter pause was planned.
FeedReport Feed(PseudoTerminal& pty, const std::string& bytes, const Schedule& schedule) {
  FeedReport report;
  Steady::time_point start = Steady::now();
  Steady::time_point lastEnd = start;
  microseconds lastDue{0};
  for (const Write& write : schedule) {
    std::this_thread::sleep_until(start + write.due);
    Steady::time_point before = Steady::now();
    if (write.begin > 0 && write.due - lastDue < kDisturbingPause)
      report.longestPause = std::max(report.longestPause, before - lastEnd);
    if (!pty.Write(std::string_view(bytes).substr(write.begin, write.end - write.begin))) {
      report.written = false;
      break;
    }
    lastEnd = Steady::now();
    // A write that waited for room went out with a pause of its own inside it.
    report.longestPause = std::max(report.longestPause, lastEnd - before);
    lastDue = write.due;
  }
  return report;
}

struct Run {
  const Prefix* prefix;
  const Pattern* pattern;
  Schedule schedule;
};

struct Outcome {
  std::string failure;  // the run could not be made
  FeedReport feed;
  std::vector<std::string> fixes;
};

// Runs up to kBatch runs at once: one pseudo-terminal, receiver and feeder each.
std::vector<Outcome> RunTogether(const std::vector<const Run*>& runs) {
  std::vector<Outcome> outcomes(runs.size());
  std::vector<PseudoTerminal> ptys;
  std::vector<std::string> paths;
  for (size_t i = 0; i < runs.size(); ++i) {
    std::string error;
    std::optional<PseudoTerminal> pty = PseudoTerminal::Open(&error);
    if (!pty) {
      for (Outcome& outcome : outcomes)
        outcome.failure = error;
      return outcomes;
    }
    paths.push_back(pty->SlavePath());
    ptys.push_back(std::move(*pty));
  }
  std::vector<std::unique_ptr<test::FixRecorder>> owners;
  std::vector<std::unique_ptr<CGpsParser>> receivers;
  // One after another, so that each receiver takes the first port still free: its own.
  for (size_t i = 0; i < runs.size(); ++i) {
    owners.push_back(std::make_unique<test::FixRecorder>());
    receivers.push_back(std::make_unique<CGpsParser>());
    receivers[i]->SetSource(test::Ports(paths));
    if (!receivers[i]->Start(owners[i].get()) || receivers[i]->PortPath() != paths[i])
      outcomes[i].failure = "the receiver took port '" + receivers[i]->PortPath() + "', not " + paths[i];
  }
  std::vector<std::thread> feeders;
  for (size_t i = 0; i < runs.size(); ++i) {
    feeders.emplace_back(
        [&, i] { outcomes[i].feed = Feed(ptys[i], runs[i]->prefix->bytes, runs[i]->schedule); });
  }
  for (std::thread& feeder : feeders)
    feeder.join();
  Steady::time_point deadline = Steady::now() + kFixTimeout;
  for (size_t i = 0; i < runs.size(); ++i)
    owners[i]->WaitForFixes(runs[i]->prefix->expected.size(), deadline);
  receivers.clear();
  for (size_t i = 0; i < runs.size(); ++i) {
    for (const GpsFix& fix : owners[i]->Fixes())
      outcomes[i].fixes.push_back(FormatFixJson(fix));
  }
  return outcomes;
}

// Runs of like length go together, so that no batch waits long for one slow run.
std::vector<Outcome> RunInBatches(const std::vector<Run>& runs) {
  std::vector<size_t> order(runs.size());
  for (size_t i = 0; i < order.size(); ++i)
    order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return runs[a].schedule.back().due > runs[b].schedule.back().due;
  });
  std::vector<Outcome> outcomes(runs.size());
  for (size_t first = 0; first < order.size(); first += kBatch) {
    std::vector<const Run*> batch;
    for (size_t k = first; k < std::min(order.size(), first + kBatch); ++k)
      batch.push_back(&runs[order[k]]);
    std::vector<Outcome> done = RunTogether(batch);
    for (size_t k = 0; k < done.size(); ++k)
      outcomes[order[first + k]] = std::move(done[k]);
  }
  return outcomes;
}

// Empty when the live fixes are the replay's; otherwise the first that differs.
std::string FirstDifference(const std::vector<std::string>& live, const std::vector<std::string>& replay) {
  size_t common = std::min(live.size(), replay.size());
  for (size_t i = 0; i < common; ++i) {
    if (live[i] != replay[i]) {
      return "fix " + std::to_string(i + 1) + " of " + std::to_string(replay.size()) +
             " differs:\n  live:   " + live[i] + "\n  replay: " + replay[i];
    }
  }
  if (live.size() < replay.size()) {
    return "the live reader gave " + std::to_string(live.size()) + " of the replay's " +
           std::to_string(replay.size()) + " fixes; the first missing one:\n  replay: " + replay[common];
  }
  if (live.size() > replay.size()) {
    return "the live reader gave " + std::to_string(live.size()) + " fixes, the replay " +
           std::to_string(replay.size()) + "; the first extra one:\n  live:   " + live[common];
  }
  return "";
}

std::string Milliseconds(Steady::duration duration) {
  return std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(duration).count()) + " ms";
}

void Judge(const Run& run, const Outcome& outcome, bool disturbedTwice) {
  std::string where = run.prefix->name + ", " + run.pattern->name + " (" +
                      std::to_string(run.prefix->bytes.size()) + " bytes, " +
                      std::to_string(run.prefix->cycleEnds.size()) + " cycles)";
  if (!outcome.failure.empty() || !outcome.feed.written) {
    ADD_FAILURE() << where << ": " << (outcome.failure.empty() ? "the write failed" : outcome.failure);
    return;
  }
  std::string difference = FirstDifference(outcome.fixes, run.prefix->expected);
  std::string load = disturbedTwice ? " (run twice, both times with a pause of " +
                                          Milliseconds(outcome.feed.longestPause) +
                                          " inside the stream: the machine may be too loaded to judge)"
                                    : "";
  if (!difference.empty()) ADD_FAILURE() << where << load << ": " << difference;
  if (disturbedTwice && difference.empty())
    std::printf("[ delivery ] %s: fixes agree, though run with a pause of %s inside the stream\n",
                where.c_str(), Milliseconds(outcome.feed.longestPause).c_str());
}

// Feeds every prefix that has fixes in every pattern and compares each run's fixes with the replay's.
void ExpectEveryDeliveryToGiveTheReplaysFixes(const std::vector<Prefix>& prefixes) {
  std::vector<Run> runs;
  for (const Pattern& pattern : kPatterns) {
    for (const Prefix& prefix : prefixes) {
      // Junk would keep the slow line busy for most of a minute; the other patterns carry it.
      if (pattern.plan == Line4800 && prefix.bytes.size() > kLongestPrefixBytes) continue;
      if (!prefix.expected.empty()) runs.push_back({&prefix, &pattern, pattern.plan(prefix)});
    }
  }
  std::vector<Outcome> outcomes = RunInBatches(runs);
  for (size_t i = 0; i < runs.size(); ++i) {
    bool disturbed = outcomes[i].feed.Disturbed();
    if (disturbed) {
      std::printf("[ delivery ] %s, %s: a pause of %s inside the stream; running it again alone\n",
                  runs[i].prefix->name.c_str(), runs[i].pattern->name,
                  Milliseconds(outcomes[i].feed.longestPause).c_str());
      outcomes[i] = RunTogether({&runs[i]})[0];
    }
    Judge(runs[i], outcomes[i], disturbed && outcomes[i].feed.Disturbed());
  }
  for (const Pattern& pattern : kPatterns) {
    size_t captures = 0, bytes = 0;
    for (const Run& run : runs) {
      if (run.pattern != &pattern) continue;
      ++captures;
      bytes += run.prefix->bytes.size();
    }
    std::printf("[ delivery ] %s: %zu captures, %zu bytes\n", pattern.name, captures, bytes);
  }
  for (const Prefix& prefix : prefixes) {
    if (prefix.expected.empty())
      std::printf("[ delivery ] %s: no fix in its first %zu bytes, not fed\n", prefix.name.c_str(),
                  prefix.bytes.size());
  }
}

// The demo drive always; the receivers' captures when the shared folder is there. All of them run in
// the same batches, so that the slow line's batches stay few.
TEST(LiveDelivery, EveryCaptureGivesTheFixesOfItsReplayHoweverThePortDeliversIt) {
  const std::string drive = test::ReadFile(test::SourcePath("res/demo/drive.nmea"));
  std::vector<Prefix> prefixes = {CutPrefix("res/demo/drive.nmea", drive)};
  ASSERT_GE(prefixes[0].expected.size(), kMinFixes);
  // However much junk comes without a pause, the receiver's first cycle after it counts.
  Prefix junk{"junk, then res/demo/drive.nmea", "", {}, {}};
  SetBytes(junk, Junk(drive) + prefixes[0].bytes);
  ASSERT_EQ(junk.expected.size(), prefixes[0].expected.size()) << "the replay lost fixes to the junk";
  ASSERT_EQ(junk.expected, prefixes[0].expected);
  prefixes.push_back(junk);
  std::vector<std::string> shared = test::SharedCapturesOfEveryReceiver();
  for (const std::string& path : shared) {
    std::string name = path.substr(path.rfind('/', path.rfind('/') - 1) + 1);  // folder/file
    prefixes.push_back(CutPrefix(name, test::ReadFile(path)));
  }
  size_t withFixes = std::count_if(prefixes.begin(), prefixes.end(),
                                   [](const Prefix& prefix) { return !prefix.expected.empty(); });
  if (!shared.empty()) {
    ASSERT_GE(withFixes, 36u);
  }
  ExpectEveryDeliveryToGiveTheReplaysFixes(prefixes);
  if (shared.empty())
    GTEST_SKIP() << "../shared/nmea is absent (a fresh clone): only the demo drive was fed, the receivers' "
                    "captures were skipped";
}

}  // namespace
}  // namespace kivu
