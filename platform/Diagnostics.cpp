#include "platform/Diagnostics.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <set>
#include <string>
#include <utility>

#include "platform/MessageText.h"

namespace kivu {

namespace {

std::mutex& SinkMutex() {
  static std::mutex mutex;
  return mutex;
}

// Guarded by SinkMutex().
DiagnosticSink& Sink() {
  static DiagnosticSink sink;
  return sink;
}
std::set<std::string, std::less<>>& Told() {
  static std::set<std::string, std::less<>> told;
  return told;
}

void Say(DiagnosticLevel level, std::string_view text) {
  // Lines carry words of outside origin (what a gpsd sends, file names): none of them reaches the
  // terminal as a command to it.
  std::string line = "kivu: ";
  line.append(EscapeForMessage(text));
  line += '\n';
  if (const DiagnosticSink& sink = Sink()) {
    sink(level, line);
    return;
  }
  // One write per line, so that lines of two threads never interleave.
  std::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace

void Report(DiagnosticLevel level, std::string_view text) {
  std::lock_guard lock(SinkMutex());
  Say(level, text);
}

bool ReportOnce(std::string_view token, DiagnosticLevel level, std::string_view text) {
  std::lock_guard lock(SinkMutex());
  if (!Told().emplace(token).second) return false;
  Say(level, text);
  return true;
}

void ForgetReports(std::string_view prefix) {
  std::lock_guard lock(SinkMutex());
  auto& told = Told();
  for (auto it = told.lower_bound(prefix); it != told.end() && it->compare(0, prefix.size(), prefix) == 0;)
    it = told.erase(it);
}

std::string NewReportScope() {
  static std::atomic<unsigned long> next{0};
  // Written out rather than "#" + to_string(...): GCC 12 at -O3 warns falsely (-Wrestrict) on that.
  char scope[32];
  std::snprintf(scope, sizeof scope, "#%lu:", ++next);
  return scope;
}

DiagnosticCapture::DiagnosticCapture(DiagnosticSink sink) {
  std::lock_guard lock(SinkMutex());
  previous_ = std::exchange(Sink(), std::move(sink));
}

DiagnosticCapture::~DiagnosticCapture() {
  std::lock_guard lock(SinkMutex());
  Sink() = std::move(previous_);
}

}  // namespace kivu
