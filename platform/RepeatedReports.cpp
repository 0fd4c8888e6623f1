#include "platform/RepeatedReports.h"

#include <algorithm>
#include <limits>

namespace kivu {

std::string CountText(uint64_t count) {
  std::string digits = std::to_string(count);
  for (size_t i = digits.size(); i > 3; i -= 3)
    digits.insert(i - 3, 1, ',');
  return digits;
}

void RepeatedReports::Report(DiagnosticLevel level, const std::string& text, int64_t now) {
  Tell(now);
  if (auto it = causes_.find(text); it != causes_.end()) {
    ++it->second.repeats;
  } else if (causes_.size() < kCauseLimit) {
    causes_.emplace(text, Cause{level, now});
    kivu::Report(level, text);
  } else {
    if (others_.repeats == 0) others_.since = now;
    ++others_.repeats;
  }
}

void RepeatedReports::SayCount(const std::string& text, const Cause& cause) const {
  const std::string times = cause.repeats == 1 ? "once" : CountText(cause.repeats) + " times";
  kivu::Report(cause.level, text + " (repeated " + times + " in the last minute)");
}

void RepeatedReports::SayOthers() {
  kivu::Report(others_.level, subject_ + ": " + CountText(others_.repeats) +
                                  " more messages of other kinds in the last minute");
  others_.repeats = 0;
}

void RepeatedReports::Tell(int64_t now) {
  for (auto it = causes_.begin(); it != causes_.end();) {
    Cause& cause = it->second;
    // A clock that went back counts as a minute passed rather than hold a count forever.
    if (now - cause.since < kIntervalSeconds && now >= cause.since) {
      ++it;
    } else if (cause.repeats == 0) {
      it = causes_.erase(it);
    } else {
      SayCount(it->first, cause);
      cause.since = now;
      cause.repeats = 0;
      ++it;
    }
  }
  if (others_.repeats > 0 && (now - others_.since >= kIntervalSeconds || now < others_.since)) {
    SayOthers();
  }
}

void RepeatedReports::TellAll() {
  for (const auto& [text, cause] : causes_)
    if (cause.repeats > 0) SayCount(text, cause);
  causes_.clear();
  if (others_.repeats > 0) SayOthers();
}

int64_t RepeatedReports::NextDue() const {
  int64_t due = std::numeric_limits<int64_t>::max();
  for (const auto& [text, cause] : causes_)
    if (cause.repeats > 0) due = std::min(due, cause.since + kIntervalSeconds);
  if (others_.repeats > 0) due = std::min(due, others_.since + kIntervalSeconds);
  return due;
}

}  // namespace kivu
