#include "support/TestSupport.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

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

std::string SourcePath(const std::string& relative) {
  return std::string(KIVU_SOURCE_DIR) + "/" + relative;
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

PseudoTerminal::PseudoTerminal() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
    throw std::runtime_error("no pseudo-terminal");
  char name[128];
  if (ptsname_r(master_, name, sizeof name) != 0) throw std::runtime_error("ptsname_r failed");
  slavePath_ = name;
  slaveHold_ = open(name, O_RDWR | O_NOCTTY);
  // Raw on the slave side too, so that the bytes written arrive as they are (no CR/LF translation).
  termios tio;
  if (slaveHold_ >= 0 && tcgetattr(slaveHold_, &tio) == 0) {
    cfmakeraw(&tio);
    tcsetattr(slaveHold_, TCSANOW, &tio);
  }
}

PseudoTerminal::~PseudoTerminal() {
  if (slaveHold_ >= 0) close(slaveHold_);
  if (master_ >= 0) close(master_);
}

void PseudoTerminal::Write(const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(master_, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw std::runtime_error(std::string("pty write failed: ") + strerror(errno));
    done += static_cast<size_t>(n);
  }
}

void PseudoTerminal::CloseMaster() {
  if (slaveHold_ >= 0) close(slaveHold_);
  slaveHold_ = -1;
  if (master_ >= 0) close(master_);
  master_ = -1;
}

}  // namespace kivu::test
