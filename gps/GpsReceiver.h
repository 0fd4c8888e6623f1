// The receiver's reading: one reader thread over one byte source. It waits for bytes and feeds them on,
// ends a cycle when the line goes quiet, and while the source is not open looks for it once a second
// without using the processor in between.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "gps/ByteSource.h"
#include "gps/CycleAssembler.h"

namespace kivu {

// How long the line must be quiet before the cycle so far counts as whole. Within a cycle no real
// delivery pauses this long: a 4800-baud receiver sends a byte every 2 ms, USB receivers that flush
// each sentence pause a few ms between them, and a USB serial adapter hands on a packet at least every
// 16 ms (its latency timer). Three times that leaves room for the host's own scheduling, and still
// shows a 1 Hz fix within a frame or two of its last byte.
constexpr int kQuietGapMs = 50;

class GpsReceiver {
 public:
  using BytesHandler = std::function<void(const char* data, size_t count)>;

  // The bytes read go to feed; the quiet gap and a source that went away end the assembler's cycle.
  GpsReceiver(CycleAssembler& assembler, BytesHandler feed);
  // Stops the reader.
  ~GpsReceiver();
  GpsReceiver(const GpsReceiver&) = delete;
  GpsReceiver& operator=(const GpsReceiver&) = delete;

  // Prepares the source on the caller's thread and starts the reader thread. False when the source
  // cannot be waited on, can never deliver, or the thread cannot be started.
  bool Start(std::unique_ptr<ByteSource> source);
  // Ends and joins the reader thread and closes the source.
  void Stop();

  // Any thread: the source's name while it delivers, "" while none is open or before Start.
  std::string SourceName() const;
  // Any thread: whether the source is connected but silent past its time (ByteSource::Silent).
  bool SourceSilent() const { return source_ && source_->Silent(); }
  // Reads taken from the source so far, counted before each is fed on.
  uint64_t ReadCount() const { return readCount_.load(); }
  // Waits until done() holds, looking again whenever the reader has taken a read or its source has
  // opened or gone away. False when the timeout passed first.
  bool WaitForProgress(const std::function<bool()>& done, std::chrono::milliseconds timeout) const;

 private:
  void ReaderThread();
  void NotifyProgress();

  CycleAssembler& assembler_;
  BytesHandler feed_;
  std::unique_ptr<ByteSource> source_;  // set before the reader starts, kept until Stop
  std::thread readerThread_;
  std::atomic<bool> stopping_{false};
  std::atomic<uint64_t> readCount_{0};
  mutable std::mutex progressMutex_;  // guards nothing but the waits for progress
  mutable std::condition_variable progress_;
};

}  // namespace kivu
