#include "gps/GpsdSource.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

#include "platform/Diagnostics.h"

namespace kivu {

namespace {

// The longest part of a JSON report that is read; gpsd's VERSION, DEVICES and ERROR fit well within.
constexpr size_t kReportLimit = 1024;
// The longest string value taken from a report.
constexpr size_t kValueLimit = 200;
// How long a gpsd may take to accept the connection and the request for its stream.
constexpr int kGpsdConnectMs = 3000;

// Where the value of "key" begins in a JSON line (spaces skipped), or npos.
size_t JsonValueAt(std::string_view line, std::string_view key) {
  std::string pattern(1, '"');
  pattern.append(key);
  pattern.append("\":");
  size_t at = line.find(pattern);
  if (at == std::string_view::npos) return at;
  size_t i = at + pattern.size();
  while (i < line.size() && line[i] == ' ')
    ++i;
  return i < line.size() ? i : std::string_view::npos;
}

// The string value of "key", "" when there is none; escapes are taken as the character they escape,
// which is all a report's words need.
std::string JsonString(std::string_view line, std::string_view key) {
  size_t i = JsonValueAt(line, key);
  if (i == std::string_view::npos || line[i] != '"') return "";
  std::string value;
  for (++i; i < line.size() && line[i] != '"' && value.size() < kValueLimit; ++i) {
    if (line[i] == '\\' && i + 1 < line.size()) ++i;
    value += line[i];
  }
  return value;
}

bool EmptyJsonList(std::string_view line, std::string_view key) {
  size_t i = JsonValueAt(line, key);
  if (i == std::string_view::npos || line[i] != '[') return false;
  for (++i; i < line.size() && line[i] == ' ';)
    ++i;
  return i < line.size() && line[i] == ']';
}

}  // namespace

const char kGpsdWatchRequest[] = "?WATCH={\"enable\":true,\"json\":false,\"nmea\":true};\n";

void GpsdStream::Feed(const char* data, size_t count) {
  while (count > 0) {
    if (line_ == Line::Start) {
      line_ = *data == '{' ? Line::Report : Line::Nmea;
      reportLine_.clear();
    }
    const char* lf = static_cast<const char*>(std::memchr(data, '\n', count));
    size_t take = lf ? static_cast<size_t>(lf - data) + 1 : count;
    if (line_ == Line::Nmea) {
      nmea_(data, take);
    } else if (line_ == Line::Report) {
      size_t room = kReportLimit - reportLine_.size();
      reportLine_.append(data, take < room ? take : room);
      if (take >= room && !lf) line_ = Line::ReportTooLong;
    }
    if (lf) {
      if (line_ != Line::Nmea) EndReport();
      line_ = Line::Start;
    }
    data += take;
    count -= take;
  }
}

void GpsdStream::EndReport() {
  GpsdReport report = ReadGpsdReport(reportLine_);
  reportLine_.clear();
  if (!report.kind.empty() && report_) report_(report);
}

void GpsdStream::Reset() {
  line_ = Line::Start;
  reportLine_.clear();
}

GpsdReport ReadGpsdReport(std::string_view line) {
  GpsdReport report;
  report.kind = JsonString(line, "class");
  if (report.kind == "VERSION") {
    report.message = JsonString(line, "release");
  } else if (report.kind == "ERROR") {
    report.message = JsonString(line, "message");
  } else if (report.kind == "DEVICES") {
    report.noDevices = EmptyJsonList(line, "devices");
  }
  return report;
}

GpsdStreamSource::GpsdStreamSource(GpsdAddress address, const Clock& clock)
    : address_(std::move(address)),
      where_(GpsdAddressText(address_)),
      stream_(
          [this](const char* data, size_t count) {
            std::memcpy(out_ + outCount_, data, count);
            outCount_ += count;
          },
          [this](const GpsdReport& report) { HandleReport(report); }),
      clock_(clock),
      reports_("gpsd at " + where_) {}

bool GpsdStreamSource::Connect(bool report) {
  Result result = connection_.Connect(address_.host, address_.port, kGpsdConnectMs);
  if (result) result = connection_.Send(kGpsdWatchRequest, kGpsdConnectMs);
  if (!result) {
    connection_.Close();
    if (report) ReportError("gpsd at " + where_ + ": " + result.Text());
    if (report && !woken_) ReportInfo("trying gpsd again every second");
    return false;
  }
  // The stream counts as open once gpsd has answered the request (HandleReport).
  stream_.Reset();
  awaitingAnswer_ = true;
  answerDue_ = std::chrono::steady_clock::now() + kGpsdAnswerLimit;
  return true;
}

InputWait GpsdStreamSource::Wait(int timeoutMs) noexcept {
  // The reader waits for input alone; the answer's time limit and the counts of repeats end the wait
  // early, and it goes on for what is left of it.
  for (;;) {
    const int due = MsUntilDue();
    if (due < 0 || (timeoutMs >= 0 && timeoutMs <= due)) return connection_.Wait(timeoutMs);
    const InputWait wait = connection_.Wait(due);
    if (wait != InputWait::TimedOut) return wait;
    if (timeoutMs >= 0) timeoutMs -= due;
    try {
      DoWhatIsDue();
    } catch (const std::exception&) {
      // A line that could not be made (out of memory) is lost; the reading goes on.
    }
  }
}

int GpsdStreamSource::MsUntilDue() const noexcept {
  int64_t due = INT_MAX;
  if (awaitingAnswer_) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(answerDue_ - std::chrono::steady_clock::now());
    due = std::max<int64_t>(left.count(), 0);
  }
  if (const int64_t repeatsDue = reports_.NextDue(); repeatsDue != INT64_MAX) {
    const int64_t now = clock_.Steady();
    const int64_t left = repeatsDue > now ? std::min<int64_t>(repeatsDue - now, INT_MAX / 1000) * 1000 : 0;
    due = std::min(due, left);
  }
  return due == INT_MAX ? -1 : static_cast<int>(due);
}

void GpsdStreamSource::DoWhatIsDue() {
  reports_.Tell(clock_.Steady());
  if (!awaitingAnswer_ || std::chrono::steady_clock::now() < answerDue_) return;
  awaitingAnswer_ = false;
  {
    std::lock_guard lock(nameMutex_);
    name_ = "gpsd " + where_;
    silent_ = true;
  }
  ReportWarning("gpsd at " + where_ + " accepted the connection but has not answered in " +
                std::to_string(kGpsdAnswerLimit.count()) + " s; waiting for it");
}

ssize_t GpsdStreamSource::Read(char* buffer, size_t capacity) {
  // What gpsd sends holds its sentences and its reports; the sentences alone are never longer.
  char raw[kGpsReadSize];
  const ssize_t count = connection_.Read(raw, capacity < sizeof raw ? capacity : sizeof raw);
  if (count <= 0) return count;
  out_ = buffer;
  outCount_ = 0;
  stream_.Feed(raw, static_cast<size_t>(count));
  out_ = nullptr;
  return static_cast<ssize_t>(outCount_);
}

void GpsdStreamSource::WentAway() {
  connection_.Close();
  reports_.TellAll();
  awaitingAnswer_ = false;
  {
    std::lock_guard lock(nameMutex_);
    if (name_.empty()) return;  // it never answered nor was named: nothing was reported of it
    name_.clear();
    answered_ = silent_ = false;
  }
  ReportWarning("gpsd at " + where_ + " went away; trying again every second");
  away_ = true;
}

void GpsdStreamSource::Close() noexcept {
  connection_.Close();
  try {
    reports_.TellAll();
  } catch (const std::exception&) {
    // The counts are lost; the source closes all the same.
  }
  awaitingAnswer_ = false;
  std::lock_guard lock(nameMutex_);
  name_.clear();
  answered_ = silent_ = false;
}

void GpsdStreamSource::Wake() noexcept {
  woken_ = true;
  connection_.Wake();
}

std::string GpsdStreamSource::Name() const {
  std::lock_guard lock(nameMutex_);
  return name_;
}

bool GpsdStreamSource::Silent() const {
  std::lock_guard lock(nameMutex_);
  return silent_;
}

void GpsdStreamSource::HandleReport(const GpsdReport& report) {
  if (report.kind == "WATCH") {
    {
      std::lock_guard lock(nameMutex_);
      if (answered_) return;
      answered_ = true;
      silent_ = false;
      name_ = "gpsd " + where_;
    }
    awaitingAnswer_ = false;
    ReportInfo(away_ ? "gpsd at " + where_ + " is back" : "reading GPS messages from gpsd at " + where_);
    away_ = false;
  } else if (report.kind == "ERROR") {
    reports_.Report(DiagnosticLevel::Warning, "gpsd at " + where_ + ": " + report.message, clock_.Steady());
  } else if (report.noDevices) {
    reports_.Report(DiagnosticLevel::Warning, "gpsd at " + where_ + " has no receiver; waiting for one",
                    clock_.Steady());
  }
}

}  // namespace kivu
