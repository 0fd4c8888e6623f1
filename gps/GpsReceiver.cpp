#include "gps/GpsReceiver.h"

#include <system_error>
#include <utility>

namespace kivu {

namespace {

// How often the reader looks for a source that is away or was never open.
constexpr int kRetryMs = 1000;

}  // namespace

GpsReceiver::GpsReceiver(CycleAssembler& assembler, BytesHandler feed)
    : assembler_(assembler), feed_(std::move(feed)) {}

GpsReceiver::~GpsReceiver() {
  Stop();
}

bool GpsReceiver::Start(std::unique_ptr<ByteSource> source) {
  source_ = std::move(source);
  if (!source_->CanWait() || !source_->Prepare()) return false;
  // The receiver never writes to a port and never changes the line settings; queue sizes and time-outs
  // have no counterpart here: the cycle assembler and its quiet gap do the time-outs' work.
  try {
    readerThread_ = std::thread([this] { ReaderThread(); });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void GpsReceiver::Stop() {
  stopping_ = true;
  if (source_) source_->Wake();
  if (readerThread_.joinable()) readerThread_.join();
  if (source_) source_->Close();
}

std::string GpsReceiver::SourceName() const {
  return source_ ? source_->Name() : std::string();
}

void GpsReceiver::NotifyProgress() {
  // Taken and let go, so that a waiter that has just found its condition false is waiting by now.
  { std::lock_guard lock(progressMutex_); }
  progress_.notify_all();
}

bool GpsReceiver::WaitForProgress(const std::function<bool()>& done,
                                  std::chrono::milliseconds timeout) const {
  std::unique_lock lock(progressMutex_);
  return progress_.wait_for(lock, timeout, done);
}

void GpsReceiver::ReaderThread() {
  char buffer[kGpsReadSize];
  ByteSource& source = *source_;
  source.Open(true);
  NotifyProgress();
  while (!stopping_) {
    if (!source.IsOpen()) {
      // Nothing answered: try again once a second.
      if (source.Wait(kRetryMs) == InputWait::Woken) return;
      source.Open(false);
      NotifyProgress();
      continue;
    }
    // While a cycle is gathering, a quiet line ends it; otherwise the wait has no end of its own.
    const int timeoutMs = assembler_.HoldsSentences() ? kQuietGapMs : -1;
    const InputWait wait = source.Wait(timeoutMs);
    if (wait == InputWait::Woken) return;
    if (wait == InputWait::TimedOut) {
      assembler_.EndCycle();
      continue;
    }
    // A zero input count with the source readable is how an end of file shows, so the read decides.
    const ssize_t count = wait == InputWait::Readable ? source.Read(buffer, sizeof buffer) : -1;
    if (count < 0) {
      // What the source sent of its last cycle is all there is.
      assembler_.EndCycle();
      source.WentAway();
      NotifyProgress();
      continue;
    }
    if (count > 0) ++readCount_;
    // Also a read that brought no sentence may have opened the source (gpsd's answer).
    NotifyProgress();
    if (count > 0) feed_(buffer, static_cast<size_t>(count));
  }
}

}  // namespace kivu
