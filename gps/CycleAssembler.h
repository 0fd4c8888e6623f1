// Turns the bytes a receiver sends, however the driver delivers them, into the receiver's cycles.
//
// Bytes are cut into whole sentences, from '$' to the line feed; a sentence still arriving waits for
// its rest across reads, and bytes outside sentences are dropped. Sentences gather into a cycle until
// a sentence with a good checksum brings a UTC time other than the cycle's, or is a sentence a
// receiver sends once a cycle (RMC, GGA, GLL, GNS, VTG, ZDA) that the cycle already holds from its
// talker (that sentence begins the next cycle), until the caller says the line went quiet or the
// input ended, or until the cycle's bound: past it, the rest of the cycle is dropped, but a sentence
// that brings a time to a cycle that has none begins the next one. A cycle that holds an RMC
// becomes the block the parser expects: that RMC first, then the cycle's other sentences in the order they
// came. Live reads and replays use this one assembler.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace kivu {

class CycleAssembler {
 public:
  // The most bytes of whole sentences one cycle keeps (a 10 Hz multi-constellation receiver sends
  // about 3 KB a cycle); the rest of a longer cycle is dropped.
  static constexpr size_t kMaxCycle = 16 * 1024;
  // The longest line taken as a sentence; the longest real ones run to about 200 characters.
  static constexpr size_t kMaxSentence = 512;

  // block: count bytes followed by a terminating zero, valid during the call.
  using BlockHandler = std::function<void(const char* block, size_t count)>;
  // Every cycle that ends with sentences in it, with or without an RMC: the input offset at which it
  // ended (the start of the next cycle's first sentence, or all the bytes fed so far), and its UTC
  // time in milliseconds of the day (-1 when no sentence of it brought one).
  using CycleEndObserver = std::function<void(uint64_t offset, int timeOfDay)>;

  explicit CycleAssembler(BlockHandler handler);
  ~CycleAssembler();
  CycleAssembler(const CycleAssembler&) = delete;
  CycleAssembler& operator=(const CycleAssembler&) = delete;

  void SetCycleEndObserver(CycleEndObserver observer) { observer_ = std::move(observer); }
  // Replays: lines that start with '#' are a capture's own notes, not the receiver's.
  void SetSkipCommentLines(bool skip) noexcept { skipComments_ = skip; }

  void Feed(const char* data, size_t count);
  // The line has been quiet for the gap: the cycle so far is whole.
  void EndCycle();
  // The end of a capture: a last sentence without its line feed counts, and the cycle ends.
  void EndOfInput();
  // During the block handler: the UTC time its RMC brings (milliseconds of the day, whatever its
  // checksum says), -1 when the RMC has none.
  int BlockTime() const noexcept { return blockTime_; }
  // Whether whole sentences wait in the current cycle.
  bool HoldsSentences() const noexcept { return cycleLength_ > 0; }
  // Whole sentences with a good checksum taken so far: a receiver that speaks, as opposed to a line
  // that is silent or carries noise.
  uint64_t GoodSentences() const noexcept { return goodSentences_; }

 private:
  // Bytes without notes to skip.
  void FeedRun(const char* data, size_t count);
  void TakeSentence();
  void EndCycleAt(uint64_t offset);
  void ReportOnce(const char* token, const char* what);

  BlockHandler handler_;
  CycleEndObserver observer_;
  bool skipComments_ = false;

  // The sentence being cut.
  char sentence_[kMaxSentence + 1];
  size_t sentenceLength_ = 0;  // 0: outside a sentence
  uint64_t sentenceStart_ = 0;
  bool atLineStart_ = true;
  bool inComment_ = false;

  // The cycle being gathered.
  std::unique_ptr<char[]> cycle_;
  std::unique_ptr<char[]> block_;
  size_t cycleLength_ = 0;
  int cycleTime_ = -1;          // milliseconds of the day, -1 while no sentence brought a time
  uint64_t onceSentences_ = 0;  // the once-a-cycle sentences of each talker the cycle holds
  size_t rmcOffset_ = 0;
  size_t rmcLength_ = 0;  // 0: no RMC yet
  int rmcTime_ = -1;
  int blockTime_ = -1;

  uint64_t fed_ = 0;
  uint64_t goodSentences_ = 0;
  std::string reportScope_;  // each cause is told once per assembler
};

}  // namespace kivu
