#include "gps/CycleAssembler.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "gps/NmeaParser.h"
#include "gps/SatelliteSystems.h"
#include "platform/Diagnostics.h"

namespace kivu {

namespace {

// The sentences a receiver sends once a cycle (unlike GSA and GSV): a second one from the same
// talker begins the next cycle, also where no time says so (the empty sentences of a receiver
// without a fix, a second sent twice). All but VTG carry the UTC time.
enum OnceType { kRmc, kGga, kGll, kGns, kVtg, kZda, kOnceTypes };

// The once-a-cycle type of a sentence name (the characters after '$'), or -1.
int TypeOf(const char* name) noexcept {
  if (strnlen(name, 5) < 5) return -1;
  const char* t = name + 2;
  if (t[0] == 'R' && t[1] == 'M' && t[2] == 'C') return kRmc;
  if (t[0] == 'G' && t[1] == 'G' && t[2] == 'A') return kGga;
  if (t[0] == 'G' && t[1] == 'L' && t[2] == 'L') return kGll;
  if (t[0] == 'G' && t[1] == 'N' && t[2] == 'S') return kGns;
  if (t[0] == 'V' && t[1] == 'T' && t[2] == 'G') return kVtg;
  if (t[0] == 'Z' && t[1] == 'D' && t[2] == 'A') return kZda;
  return -1;
}

// The field that holds the UTC time in a sentence of the type (counted from the first field after
// the name), or -1.
int TimeField(int type) noexcept {
  if (type == kGll) return 4;
  return type >= 0 && type != kVtg ? 0 : -1;
}

// The UTC time a whole sentence name with a good checksum brings from its time field, or -1.
int SentenceTime(const char* name, int field) noexcept {
  if (name[5] != ',') return -1;
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

}  // namespace

CycleAssembler::CycleAssembler(BlockHandler handler)
    : handler_(std::move(handler)),
      cycle_(new char[kMaxCycle]),
      block_(new char[kMaxCycle + 1]),
      reportScope_(NewReportScope()) {}

CycleAssembler::~CycleAssembler() {
  ForgetReports(reportScope_);
}

void CycleAssembler::Feed(const char* data, size_t count) {
  if (!skipComments_ && !inComment_) {
    FeedRun(data, count);
    return;
  }
  // Replays: a note is a whole line that begins with '#'; what lies between notes goes on whole.
  while (count > 0) {
    size_t n;
    if (inComment_ || (skipComments_ && atLineStart_ && *data == '#' && sentenceLength_ == 0)) {
      const char* lf = static_cast<const char*>(std::memchr(data, '\n', count));
      n = lf ? static_cast<size_t>(lf - data) + 1 : count;
      inComment_ = !lf;
      atLineStart_ = lf != nullptr;
      fed_ += n;
    } else {
      // Up to the next note; no sentence holds a '#', so the search is quick.
      n = count;
      for (const char* p = data + 1; skipComments_ && p < data + count;) {
        const char* hash =
            static_cast<const char*>(std::memchr(p, '#', static_cast<size_t>(data + count - p)));
        if (!hash) break;
        if (hash[-1] == '\n') {
          n = static_cast<size_t>(hash - data);
          break;
        }
        p = hash + 1;
      }
      FeedRun(data, n);
    }
    data += n;
    count -= n;
  }
}

void CycleAssembler::FeedRun(const char* data, size_t count) {
  // Whole runs at a time: memchr finds the next '$' between sentences, and the line feed (with any
  // '$' or zero byte before it) within one.
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
      if (*p != '\0') ReportOnce("long-line", "a line longer than 512 bytes is no NMEA sentence");
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
  // reads); for the rest, being heard takes a sentence that ends in its checksum field. Proprietary
  // sentences ($P...) are no clock; any other talker's time counts, the once-a-cycle rule and the RMC
  // are the satellite talkers'.
  const char* name = sentence_ + 1;
  const int type = name[0] != 'P' ? TypeOf(name) : -1;
  const int field = TimeField(type);
  const int constellation = type >= 0 ? TalkerConstellation(name[0], name[1]) : -1;
  const bool cutting = field >= 0 || constellation >= 0;
  const bool good = cutting ? NmeaChecksum(name) == 0 : EndsInChecksumField(sentence_, length);
  goodSentences_ += good;
  const uint64_t once = good && constellation >= 0 ? uint64_t{1} << (constellation * kOnceTypes + type) : 0;
  const int time = good && field >= 0 ? SentenceTime(name, field) : -1;
  // A cycle that has run past its bound without a time is junk (line noise, a wrong speed, another
  // protocol), and junk brings no time that could end it: the first sentence that brings one begins
  // the next cycle, rather than being dropped with the junk until the line happens to pause.
  const bool endsJunk = time >= 0 && cycleTime_ < 0 && cycleLength_ + length > kMaxCycle;
  if ((time >= 0 && cycleTime_ >= 0 && time != cycleTime_) || (once & onceSentences_) != 0 || endsJunk)
    EndCycleAt(sentenceStart_);
  if (time >= 0) cycleTime_ = time;
  onceSentences_ |= once;
  if (cycleLength_ + length > kMaxCycle) {
    ReportOnce("long-cycle", "a receiver cycle longer than 16 KiB; the rest of it is dropped");
    return;
  }
  if (rmcLength_ == 0 && type == kRmc && constellation >= 0) {
    rmcOffset_ = cycleLength_;
    rmcLength_ = length;
    rmcTime_ = SentenceTime(name, TimeField(kRmc));
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
  if (!withRmc) return;
  blockTime_ = rmcTime_;
  handler_(block_.get(), length);
}

void CycleAssembler::ReportOnce(const char* token, const char* what) {
  kivu::ReportOnce(reportScope_ + token, DiagnosticLevel::Warning, what);
}

}  // namespace kivu
