#include "view/GpsStatusMonitor.h"

#include "platform/Diagnostics.h"

namespace kivu {

bool GpsStatusMonitor::Update(const Receiver* receiver, int64_t now) {
  const bool silent = receiver && receiver->silent;
  if (receiver) {
    if (!receiver->portPath.empty()) portName_ = receiver->portPath;
    // A source that does not answer has not begun: it shows as silent at once, and its own silence
    // counts from when it answers.
    tracker_.Observe(receiver->sourceOpen && !silent, receiver->sentences, now);
  }
  const GpsState state = silent ? GpsState::NoData : tracker_.StateAt(now);
  const int64_t lost = state == GpsState::Lost ? tracker_.FixAge(now) : 0;
  if (state != state_ && report_) {
    ReportInfo("GPS " + (portName_.empty() ? std::string("(no port)") : portName_) + ": " +
               GpsStateName(state));
  }
  if (state == state_ && lost == lostSeconds_) return false;
  state_ = state;
  lostSeconds_ = lost;
  return true;
}

}  // namespace kivu
