// Lines whose cause a peer can repeat thousands of times a second (a gpsd's error reports): the first
// of each cause is said at once, its repeats are counted and said as one line with their count at
// most once a minute, and past a handful of causes at a time the rest are only counted. Times are
// seconds of a steady clock the owner reads; one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "platform/Diagnostics.h"

namespace kivu {

class RepeatedReports {
 public:
  static constexpr int64_t kIntervalSeconds = 60;
  static constexpr size_t kCauseLimit = 8;

  // subject names the peer in the line that counts the causes past the limit ("gpsd at HOST:PORT").
  explicit RepeatedReports(std::string subject) : subject_(std::move(subject)) {}

  // One occurrence at now; the text is the whole line and its cause.
  void Report(DiagnosticLevel level, const std::string& text, int64_t now);
  // Says the counts whose minute has passed by now, and forgets the causes that were quiet for one.
  void Tell(int64_t now);
  // Says every count still untold and forgets every cause (the peer went away).
  void TellAll();
  // When Tell next has a count to say, or INT64_MAX when none waits.
  int64_t NextDue() const;

 private:
  struct Cause {
    DiagnosticLevel level;
    int64_t since;         // when the cause was last said
    uint64_t repeats = 0;  // untold occurrences since then
  };
  void SayCount(const std::string& text, const Cause& cause) const;
  void SayOthers();

  const std::string subject_;
  std::map<std::string, Cause> causes_;
  Cause others_{DiagnosticLevel::Warning, 0};  // the occurrences of causes past the limit
};

// A count as people write it, with a comma between thousands: "100,000".
std::string CountText(uint64_t count);

}  // namespace kivu
