// How a platform service says it failed: one small value that every service returns, carrying the
// errno of the failure and, where errno alone would not say it (a name the resolver does not know), the
// words of the system that failed. The platform reports facts; the app and the GPS layer word them for
// the user.
//
// Enums that tell apart outcomes their callers act on differently stay as they are beside it: InputWait
// (input, a wake, a hang-up or a time-out each lead the reader elsewhere), InstanceLock::Result (a
// copy held elsewhere is no failure, it is the second start) and WholeFile::Status (a missing settings
// file is the first start, not an error). They are answers, not failures.
#pragma once

#include <cstring>
#include <string>
#include <utility>

namespace kivu {

class [[nodiscard]] Result {
 public:
  // Success.
  Result() = default;
  // A failure with errno value error (never 0) and, where useful, the system's own words for it.
  static Result Failure(int error, std::string message = {}) { return Result(error, std::move(message)); }

  bool Ok() const noexcept { return error_ == 0; }
  explicit operator bool() const noexcept { return Ok(); }
  // The errno value of the failure, 0 on success.
  int Error() const noexcept { return error_; }
  // What the failure was, for a message: the system's words where it gave some, else strerror's.
  std::string Text() const { return message_.empty() ? std::string(std::strerror(error_)) : message_; }

 private:
  Result(int error, std::string message) : error_(error), message_(std::move(message)) {}

  int error_ = 0;
  std::string message_;
};

}  // namespace kivu
