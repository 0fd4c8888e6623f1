#include "platform/Backlight.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <tuple>
#include <vector>

#include "platform/Diagnostics.h"
#include "platform/UniqueFd.h"

namespace kivu {

namespace {

constexpr const char* kSystemFolder = "/sys/class/backlight";

// The longest attribute we take in: a number, or a type's name. Anything longer is not one.
constexpr std::size_t kMaxAttribute = 31;

struct Attribute {
  char text[kMaxAttribute + 1] = {};
  std::size_t size = 0;
  std::string_view View() const { return {text, size}; }
};

// Reads a small attribute file. Not ReadWholeFile: the kernel gives every attribute a size of a page,
// whatever it holds, and a read that yields less than the size counts there as a failure.
std::optional<Attribute> ReadAttribute(const std::string& path) noexcept {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  struct stat st {};
  if (!fd || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  Attribute attribute;
  // One byte more than we take, to tell a long file from one that just fits.
  while (attribute.size < sizeof attribute.text) {
    const ssize_t n =
        ::read(fd.Get(), attribute.text + attribute.size, sizeof attribute.text - attribute.size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    attribute.size += static_cast<std::size_t>(n);
  }
  if (attribute.size > kMaxAttribute) return std::nullopt;
  // The kernel ends what it shows with a line end; a hand-made file may have spaces too.
  while (attribute.size > 0 && std::strchr(" \t\r\n", attribute.text[attribute.size - 1]) != nullptr)
    --attribute.size;
  return attribute;
}

// A level as the kernel shows it: decimal digits alone, within an int (the kernel's own type for it).
std::optional<int> ReadLevel(const std::string& path) noexcept {
  const std::optional<Attribute> attribute = ReadAttribute(path);
  if (!attribute || attribute->size == 0) return std::nullopt;
  long long value = 0;
  for (const char c : attribute->View()) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > INT_MAX) return std::nullopt;
  }
  return static_cast<int>(value);
}

// The kernel's order of preference: firmware interfaces know the panel best, raw registers least.
int TypeRank(const std::string& path) {
  const std::optional<Attribute> type = ReadAttribute(path);
  if (!type) return 3;
  if (type->View() == "firmware") return 0;
  if (type->View() == "platform") return 1;
  if (type->View() == "raw") return 2;
  return 3;
}

// One write(2) of the whole number: the kernel takes an attribute's new value from a single write at the
// start of the file, which is why a temporary file renamed into place cannot do here.
int WriteLevel(const std::string& path, int level) noexcept {
  UniqueFd fd(::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!fd) return errno;
  char text[16];
  const int size = std::snprintf(text, sizeof text, "%d\n", level);
  ssize_t n;
  do {
    n = ::write(fd.Get(), text, static_cast<std::size_t>(size));
  } while (n < 0 && errno == EINTR);
  if (n < 0) return errno;
  return n == size ? 0 : EIO;
}

struct Candidate {
  int rank;
  std::string name;
  int max;
  int level;
};

// The devices of folder whose numbers make sense, best first.
std::vector<Candidate> Candidates(const std::string& folder) {
  std::vector<Candidate> candidates;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
  if (!dir) return candidates;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    const std::string device = folder + name + '/';
    const std::optional<int> max = ReadLevel(device + "max_brightness");
    const std::optional<int> level = ReadLevel(device + "brightness");
    // A maximum of 0 leaves nothing to dim; a level above the maximum is a device that cannot be trusted.
    if (!max || *max == 0 || !level || *level > *max) continue;
    candidates.push_back({TypeRank(device + "type"), name, *max, *level});
  }
  std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
    return std::tie(a.rank, a.name) < std::tie(b.rank, b.name);
  });
  return candidates;
}

std::string FolderFromEnvironment() {
  const char* folder = std::getenv("KIVU_BACKLIGHT");
  return folder != nullptr && *folder != '\0' ? folder : kSystemFolder;
}

}  // namespace

Backlight::Backlight() : Backlight(FolderFromEnvironment()) {}

Backlight::Backlight(const std::string& folder) : scope_(NewReportScope()) {
  const std::string base = !folder.empty() && folder.back() == '/' ? folder : folder + '/';
  const std::vector<Candidate> candidates = Candidates(base);
  int refusal = 0;
  std::string refused;
  for (const Candidate& candidate : candidates) {
    const std::string device = base + candidate.name;
    // Opening for writing writes nothing; it asks the kernel whether we may.
    UniqueFd probe(::open((device + "/brightness").c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!probe) {
      if (refused.empty()) {
        refusal = errno;
        refused = device;
      }
      continue;
    }
    device_ = device;
    max_ = candidate.max;
    day_ = candidate.level;
    return;
  }
  // Said once per folder for the whole run, however often night mode starts anew.
  const std::string token = "backlight:" + base;
  if (refused.empty()) {
    ReportOnce(
        token, DiagnosticLevel::Info,
        "there is no screen backlight in " + folder + " that Kivu can dim; the screen keeps its brightness");
  } else {
    ReportOnce(
        token, DiagnosticLevel::Warning,
        "the screen's backlight " + refused + "/brightness may not be written (" + std::strerror(refusal) +
            "), so the screen keeps its brightness: install Kivu's package (its udev rule lets the group "
            "video set the brightness), add the user to that group (sudo adduser $USER video) and log in "
            "again");
  }
}

Backlight::~Backlight() {
  try {
    Restore();
  } catch (...) {
    // Only the wording of a failure can throw (out of memory); the screen then stays as it is.
  }
}

void Backlight::Dim(double fraction) {
  if (!Usable() || std::isnan(fraction)) return;
  // brightness, not actual_brightness: the latter is what the hardware made of a level, which may differ
  // from what we wrote and would then look like the user's hand.
  const std::optional<int> now = ReadLevel(device_ + "/brightness");
  // Whatever the screen shows when a dimming begins is the user's day level, set by hand since the
  // last one or not.
  if (!dimmed_ && now) day_ = *now;
  // In doubles first, so that no fraction (an infinity among them) makes a level out of range.
  const int level = static_cast<int>(std::clamp(std::round(fraction * day_), 1.0, static_cast<double>(max_)));
  // The same dimming again: what the screen shows is either ours or the user's, and stays.
  if (dimmed_ && level == phaseLevel_) return;
  if (now != level && !Write(level)) return;
  dimmed_ = true;
  phaseLevel_ = level;
  written_ = level;
}

void Backlight::Restore() {
  if (!dimmed_) return;
  const std::optional<int> now = ReadLevel(device_ + "/brightness");
  // Set by hand while dimmed: the user's choice stands.
  if (now && *now != written_) {
    dimmed_ = false;
    return;
  }
  if (now != day_ && !Write(day_)) return;
  dimmed_ = false;
}

bool Backlight::Write(int level) {
  const int error = WriteLevel(device_ + "/brightness", level);
  if (error == 0) return true;
  ReportOnce(scope_ + "write", DiagnosticLevel::Warning,
             "setting the screen's backlight " + device_ + "/brightness failed (" + std::strerror(error) +
                 "); the brightness stays as it is");
  return false;
}

}  // namespace kivu
