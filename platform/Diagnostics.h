// Kivu's one way to tell the user what has no message box: a line on standard error, "kivu: " first,
// at most once per cause where the cause can repeat. Every layer says its lines here; tests capture
// them instead of standard error.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace kivu {

enum class DiagnosticLevel { Error, Warning, Info };

// One line, without "kivu: " and without the line end; any thread. Control characters and bytes that
// are not UTF-8 are shown escaped (EscapeForMessage).
void Report(DiagnosticLevel level, std::string_view text);
inline void ReportError(std::string_view text) {
  Report(DiagnosticLevel::Error, text);
}
inline void ReportWarning(std::string_view text) {
  Report(DiagnosticLevel::Warning, text);
}
inline void ReportInfo(std::string_view text) {
  Report(DiagnosticLevel::Info, text);
}

// The same, said only the first time token is given (for the life of the process, or until
// ForgetReports(prefix) forgets it): a cause that repeats a thousand times is told once. Tokens are the
// caller's own ("settings-write:/path:28"); a prefix groups those that start over together. True when
// the line was said now.
bool ReportOnce(std::string_view token, DiagnosticLevel level, std::string_view text);
// Forgets the tokens that begin with prefix, so that their causes are told again (a file opened anew).
void ForgetReports(std::string_view prefix);
// A prefix no other caller has ("#17:"), for an object whose causes are told once per object (or per
// opening) rather than once per process.
std::string NewReportScope();

// For tests: every line goes to sink instead of standard error (whole, with "kivu: " and its line end)
// until the returned guard goes; sinks do not nest across threads.
using DiagnosticSink = std::function<void(DiagnosticLevel level, const std::string& line)>;
class DiagnosticCapture {
 public:
  explicit DiagnosticCapture(DiagnosticSink sink);
  ~DiagnosticCapture();
  DiagnosticCapture(const DiagnosticCapture&) = delete;
  DiagnosticCapture& operator=(const DiagnosticCapture&) = delete;

 private:
  DiagnosticSink previous_;
};

}  // namespace kivu
