#include "support/TestSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/UniqueFd.h"

namespace kivu::test {

TempDir::TempDir() {
  const char* base = getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/kivu-test-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) throw std::runtime_error("mkdtemp failed");
  path_ = std::string(buffer.data()) + "/";
}

TempDir::~TempDir() {
  std::error_code ec;
  // A test may have made parts read-only; give write access back so that everything can go.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec)) chmod(it->path().c_str(), 0700);
  }
  chmod(path_.c_str(), 0700);
  std::filesystem::remove_all(path_, ec);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

bool WaitForFile(const std::string& folder, const std::string& name, int timeoutMs) {
  UniqueFd notify(inotify_init1(IN_CLOEXEC | IN_NONBLOCK));
  if (!notify || inotify_add_watch(notify.Get(), folder.c_str(), IN_MOVED_TO | IN_CREATE) < 0) return false;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!FileExists(folder + name)) {
    auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd fd{notify.Get(), POLLIN, 0};
    if (poll(&fd, 1, static_cast<int>(left.count())) > 0) {
      char events[4096];
      while (read(notify.Get(), events, sizeof events) > 0) {
      }
    }
  }
  return true;
}

std::string SourcePath(const std::string& relative) {
  return std::string(KIVU_SOURCE_DIR) + "/" + relative;
}

bool CanValidateGpx() {
  return FileExists(std::string(KIVU_SHARED_DIR) + "/gpx/gpx.xsd") &&
         std::system("command -v xmllint >/dev/null 2>&1") == 0;
}

std::string GpxSchemaComplaint(const std::string& path) {
  if (!CanValidateGpx()) return "";
  const std::string schema = std::string(KIVU_SHARED_DIR) + "/gpx/gpx.xsd", lint = path + ".lint";
  if (std::system(("xmllint --noout --schema '" + schema + "' '" + path + "' 2>'" + lint + "'").c_str()) == 0)
    return "";
  return "invalid: " + ReadFile(lint) + ReadFile(path);
}

std::string SharedCaptureDir() {
  std::string dir = std::string(KIVU_SHARED_DIR) + "/nmea/gpsd/";
  struct stat st;
  if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return "";
  return dir;
}

std::vector<std::string> SharedCaptures() {
  std::vector<std::string> files;
  std::string dir = SharedCaptureDir();
  if (dir.empty()) return files;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() == ".log") files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<std::string> SharedCapturesOfEveryReceiver() {
  std::vector<std::string> files = SharedCaptures();
  if (files.empty()) return files;
  std::vector<std::string> gnss;
  std::error_code ec;
  std::string dir = std::string(KIVU_SHARED_DIR) + "/nmea/gpsd-gnss/";
  for (auto it = std::filesystem::directory_iterator(dir, ec);
       !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    if (it->path().extension() == ".log") gnss.push_back(it->path().string());
  }
  std::sort(gnss.begin(), gnss.end());
  files.insert(files.end(), gnss.begin(), gnss.end());
  return files;
}

namespace {

kivu::PseudoTerminal OpenPseudoTerminal() {
  std::string error;
  std::optional<kivu::PseudoTerminal> pty = kivu::PseudoTerminal::Open(&error);
  if (!pty) throw std::runtime_error(error);
  return std::move(*pty);
}

}  // namespace

PseudoTerminal::PseudoTerminal() : pty_(OpenPseudoTerminal()) {}

void PseudoTerminal::Write(const std::string& text) {
  if (!pty_.Write(text)) throw std::runtime_error(std::string("pty write failed: ") + strerror(errno));
}

}  // namespace kivu::test
