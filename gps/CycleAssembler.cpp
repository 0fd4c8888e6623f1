#include "gps/CycleAssembler.h"

#include <algorithm>
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
  const char* t = name + 2;
  if (t[3] != ',') return -1;
  switch (t[0]) {
    case 'R':
      return t[1] == 'M' && t[2] == 'C' ? 0 : -1;
    case 'G':
      if (t[1] == 'G' && t[2] == 'A') return 0;
      if (t[1] == 'N' && t[2] == 'S') return 0;
      if (t[1] == 'L' && t[2] == 'L') return 4;
      return -1;
    case 'Z':
      return t[1] == 'D' && t[2] == 'A' ? 0 : -1;
    default:
      return -1;
  }
}

// The UTC time a whole sentence (zero-terminated, from its '$', with a good checksum) brings, or -1.
int SentenceTime(const char* sentence) noexcept {
  const char* name = sentence + 1;
  if (strnlen(name, 6) < 6 || name[0] == 'P') return -1;  // proprietary sentences are no clock
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

// "*hh" before the line end: the shape of a sentence's checksum field.
bool EndsInChecksumField(const char* sentence, size_t length) noexcept {
  size_t end = length;
  while (end > 0 && (sentence[end - 1] == '\n' || sentence[end - 1] == '\r'))
    --end;
  return end >= 4 && sentence[end - 3] == '*';
}

bool IsRmc(const char* sentence) noexcept {
  return IsGnssTalker(sentence + 1) && sentence[3] == 'R' && sentence[4] == 'M' && sentence[5] == 'C';
}

// A bit for each satellite talker's RMC, GGA, GLL, GNS, VTG and ZDA: a receiver sends each of them
// once a cycle (unlike GSA and GSV), so a second one begins the next cycle, also where no time says
// so: the empty sentences of a receiver without a fix, a second sent twice. 0 for other sentences.
uint64_t OncePerCycleBit(const char* sentence) noexcept {
  constexpr int kTypes = 6;
  const char* name = sentence + 1;
  if (name[0] == '\0') return 0;
  int constellation = TalkerConstellation(name[0], name[1]);
  if (constellation < 0) return 0;
  const char* t = name + 2;  // the name ends at the terminating zero at the latest
  int type = -1;
  if (t[0] == 'R' && t[1] == 'M' && t[2] == 'C')
    type = 0;
  else if (t[0] == 'G' && t[1] == 'G' && t[2] == 'A')
    type = 1;
  else if (t[0] == 'G' && t[1] == 'L' && t[2] == 'L')
    type = 2;
  else if (t[0] == 'G' && t[1] == 'N' && t[2] == 'S')
    type = 3;
  else if (t[0] == 'V' && t[1] == 'T' && t[2] == 'G')
    type = 4;
  else if (t[0] == 'Z' && t[1] == 'D' && t[2] == 'A')
    type = 5;
  if (type < 0) return 0;
  return uint64_t{1} << (constellation * kTypes + type);
}

}  // namespace

CycleAssembler::CycleAssembler(BlockHandler handler)
    : handler_(std::move(handler)), cycle_(new char[kMaxCycle]), block_(new char[kMaxCycle + 1]) {}

void CycleAssembler::Feed(const char* data, size_t count) {
  // Whole runs at a time: memchr finds the next '$' between sentences, and the line feed (with any
  // '$' or zero byte before it) within one; the byte loop below serves replays that skip notes.
  if (skipComments_ || inComment_) {
    FeedBytes(data, count);
    return;
  }
  const char* p = data;
  const char* end = data + count;
  while (p < end) {
    if (*p == '$') {
      sentence_[0] = '$';
      sentenceLength_ = 1;
      sentenceStart_ = fed_ + static_cast<uint64_t>(p - data);
      ++p;
      continue;
    }
    if (sentenceLength_ == 0) {
      const char* dollar = static_cast<const char*>(std::memchr(p, '$', static_cast<size_t>(end - p)));
      if (!dollar) break;
      p = dollar;
      continue;
    }
    size_t room = kMaxSentence - sentenceLength_;
    if (room == 0) {
      if (*p != '\0') ReportOnce(reportedLongLine_, "a line longer than 512 bytes is no NMEA sentence");
      sentenceLength_ = 0;
      ++p;
      continue;
    }
    size_t span = std::min(static_cast<size_t>(end - p), room);
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', span));
    size_t n = lf ? static_cast<size_t>(lf - p) + 1 : span;
    const char* dollar = static_cast<const char*>(std::memchr(p, '$', n));
    const char* zero =
        static_cast<const char*>(std::memchr(p, '\0', dollar ? static_cast<size_t>(dollar - p) : n));
    if (zero) {
      sentenceLength_ = 0;
      p = zero + 1;
      continue;
    }
    if (dollar) {
      p = dollar;
      continue;
    }
    std::memcpy(sentence_ + sentenceLength_, p, n);
    sentenceLength_ += n;
    p += n;
    if (lf) TakeSentence();
  }
  atLineStart_ = count > 0 ? data[count - 1] == '\n' : atLineStart_;
  fed_ += count;
}

void CycleAssembler::FeedBytes(const char* data, size_t count) {
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
  // Only the sentences that can end a cycle need their checksum here (the parser checks every one it
  // reads); for the rest, being heard takes a sentence that ends in its checksum field.
  uint64_t once = OncePerCycleBit(sentence_);
  const bool cutting = once != 0 || (strnlen(sentence_, 7) == 7 && TimeField(sentence_ + 1) >= 0);
  const bool good = cutting ? NmeaChecksum(sentence_ + 1) == 0 : EndsInChecksumField(sentence_, length);
  goodSentences_ += good;
  if (!good) once = 0;
  const int time = cutting && good ? SentenceTime(sentence_) : -1;
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
