#include "gps/CycleAssembler.h"

#include <cstdio>
#include <cstring>
#include <iterator>

#include "gps/NmeaParser.h"
#include "gps/SatelliteSystems.h"

namespace kivu {

namespace {

// The field that holds the UTC time in the sentences that carry one (counted from the first field
// after the name), or -1.
int TimeField(const char* name) noexcept {
  const char* type = name + 2;
  if (std::strncmp(type, "RMC,", 4) == 0 || std::strncmp(type, "GGA,", 4) == 0 ||
      std::strncmp(type, "GNS,", 4) == 0 || std::strncmp(type, "ZDA,", 4) == 0)
    return 0;
  if (std::strncmp(type, "GLL,", 4) == 0) return 4;
  return -1;
}

// The UTC time a whole sentence (zero-terminated, from its '$', with a good checksum) brings, or -1.
int SentenceTime(const char* sentence) noexcept {
  const char* name = sentence + 1;
  if (std::strlen(name) < 6 || name[0] == 'P') return -1;  // proprietary sentences are no clock
  int field = TimeField(name);
  if (field < 0) return -1;
  const char* p = name + 6;
  for (int i = 0; i < field; ++i) {
    p = std::strchr(p, ',');
    if (!p) return -1;
    ++p;
  }
  return NmeaTimeOfDay(p);
}

bool IsRmc(const char* sentence) noexcept {
  return IsGnssTalker(sentence + 1) && std::strncmp(sentence + 3, "RMC", 3) == 0;
}

// A bit for each satellite talker's RMC, GGA, GLL, GNS, VTG and ZDA: a receiver sends each of them
// once a cycle (unlike GSA and GSV), so a second one begins the next cycle, also where no time says
// so: the empty sentences of a receiver without a fix, a second sent twice. 0 for other sentences.
uint64_t OncePerCycleBit(const char* sentence) noexcept {
  static constexpr const char* kOnce[] = {"RMC", "GGA", "GLL", "GNS", "VTG", "ZDA"};
  const char* name = sentence + 1;
  if (name[0] == '\0') return 0;
  int constellation = TalkerConstellation(name[0], name[1]);
  if (constellation < 0) return 0;
  for (size_t type = 0; type < std::size(kOnce); ++type)
    if (std::strncmp(name + 2, kOnce[type], 3) == 0)
      return uint64_t{1} << (static_cast<size_t>(constellation) * std::size(kOnce) + type);
  return 0;
}

}  // namespace

CycleAssembler::CycleAssembler(BlockHandler handler)
    : handler_(std::move(handler)), cycle_(new char[kMaxCycle]), block_(new char[kMaxCycle + 1]) {}

void CycleAssembler::Feed(const char* data, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    char c = data[i];
    bool lineStart = atLineStart_;
    atLineStart_ = c == '\n';
    if (inComment_) {
      inComment_ = c != '\n';
      continue;
    }
    if (skipComments_ && lineStart && c == '#' && sentenceLength_ == 0) {
      inComment_ = true;
      continue;
    }
    if (c == '$') {
      // A new sentence; one still unfinished was cut short and is dropped.
      sentence_[0] = c;
      sentenceLength_ = 1;
      sentenceStart_ = fed_ + i;
      continue;
    }
    if (sentenceLength_ == 0) continue;  // between sentences
    if (c == '\0') {
      sentenceLength_ = 0;  // no sentence holds a zero byte
      continue;
    }
    if (sentenceLength_ == kMaxSentence) {
      ReportOnce(reportedLongLine_, "a line longer than 512 bytes is no NMEA sentence");
      sentenceLength_ = 0;
      continue;
    }
    sentence_[sentenceLength_++] = c;
    if (c == '\n') TakeSentence();
  }
  fed_ += count;
}

void CycleAssembler::EndOfInput() {
  if (sentenceLength_ > 1) TakeSentence();
  sentenceLength_ = 0;
  EndCycle();
}

void CycleAssembler::EndCycle() {
  EndCycleAt(fed_);
}

void CycleAssembler::TakeSentence() {
  size_t length = sentenceLength_;
  sentenceLength_ = 0;
  sentence_[length] = '\0';
  const bool good = NmeaChecksum(sentence_ + 1) == 0;
  goodSentences_ += good;
  const int time = good ? SentenceTime(sentence_) : -1;
  const uint64_t once = good ? OncePerCycleBit(sentence_) : 0;
  if ((time >= 0 && cycleTime_ >= 0 && time != cycleTime_) || (once & onceSentences_) != 0)
    EndCycleAt(sentenceStart_);
  if (time >= 0) cycleTime_ = time;
  onceSentences_ |= once;
  if (cycleLength_ + length > kMaxCycle) {
    ReportOnce(reportedLongCycle_, "a receiver cycle longer than 16 KiB; the rest of it is dropped");
    return;
  }
  if (rmcLength_ == 0 && IsRmc(sentence_)) {
    rmcOffset_ = cycleLength_;
    rmcLength_ = length;
  }
  std::memcpy(cycle_.get() + cycleLength_, sentence_, length);
  cycleLength_ += length;
}

void CycleAssembler::EndCycleAt(uint64_t offset) {
  if (cycleLength_ == 0) return;
  if (rmcLength_ > 0) {
    // The block: the RMC, then what came before it, then what came after it.
    char* out = block_.get();
    const char* in = cycle_.get();
    std::memcpy(out, in + rmcOffset_, rmcLength_);
    std::memcpy(out + rmcLength_, in, rmcOffset_);
    std::memcpy(out + rmcLength_ + rmcOffset_, in + rmcOffset_ + rmcLength_,
                cycleLength_ - rmcOffset_ - rmcLength_);
    out[cycleLength_] = '\0';
  }
  size_t length = cycleLength_;
  bool withRmc = rmcLength_ > 0;
  int time = cycleTime_;
  cycleLength_ = 0;
  cycleTime_ = -1;
  rmcLength_ = 0;
  onceSentences_ = 0;
  if (observer_) observer_(offset, time);
  if (withRmc) handler_(block_.get(), length);
}

void CycleAssembler::ReportOnce(bool& reported, const char* what) {
  if (reported) return;
  reported = true;
  std::fprintf(stderr, "kivu: %s\n", what);
}

}  // namespace kivu
