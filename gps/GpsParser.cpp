#include "gps/GpsParser.h"

#include <cstring>

#include "gps/ChosenSource.h"
#include "gps/NmeaParser.h"

namespace kivu {

CGpsParser::CGpsParser()
    : assembler_([this](const char* block, size_t count) { HandleCycle(block, count); }),
      reader_(assembler_, [this](const char* data, size_t count) { HandleBytes(data, count); }) {
  // The count of sentences heard is brought up to date at every cycle, so that it moves on also within
  // one long feed (a replay).
  assembler_.SetCycleEndObserver([this](uint64_t, int time) {
    sentenceCount_.store(assembler_.GoodSentences(), std::memory_order_relaxed);
    if (cycleObserver_) cycleObserver_(time);
  });
}

CGpsParser::~CGpsParser() {
  stopping_ = true;
  if (owner_) owner_->RefuseGpsFixes();
  reader_.Stop();
  messageLog_.Close();
}

std::string CGpsParser::PortPath() const {
  return reader_.SourceName();
}

bool CGpsParser::Start(GpsFixOwner* owner) {
  owner_ = owner;
  started_ = true;
  return reader_.Start(std::make_unique<ChosenSource>(source_, *clock_));
}

void CGpsParser::HandleBytes(const char* data, size_t count) {
  assembler_.Feed(data, count);
  sentenceCount_.store(assembler_.GoodSentences(), std::memory_order_relaxed);
}

void CGpsParser::HandleCycle(const char* block, size_t count) {
  if (!std::strchr(block, ',')) return;
  // The RMC's time as the assembler read it. An RMC without a time repeats the one before it as much
  // as one with the same time does.
  const int time = assembler_.BlockTime();
  if (time == lastTime_) return;  // the same second again
  HandleBlock(block, count);
  lastTime_ = time;
}

void CGpsParser::SetRecordMessages(const std::string& recordFolder, bool record) {
  recordMessages_ = record;
  if (!record) {
    messageLog_.Close();
    return;
  }
  if (messageLog_.IsOpen()) return;
  LocalTime local;
  ToLocalTime(clock_->Now(), local);
  if (!messageLog_.Open(GpsLogFileName(recordFolder, local)) && messageBox_) messageBox_(kOpenFileFailed);
}

void CGpsParser::HandleBlock(const char* block, size_t count) {
  messageLog_.Write(block, count);
  if (ParseNmeaBlock(fix_, block) && owner_ && !stopping_) owner_->SendGpsFix(fix_);
}

}  // namespace kivu
