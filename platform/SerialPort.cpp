#include "platform/SerialPort.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace kivu {

namespace {

std::vector<std::string> SplitPaths(const char* text) {
  std::vector<std::string> paths;
  std::string current;
  for (const char* p = text; *p; ++p) {
    if (*p == ':') {
      if (!current.empty()) paths.push_back(current);
      current.clear();
    } else {
      current += *p;
    }
  }
  if (!current.empty()) paths.push_back(current);
  return paths;
}

void MakeRaw(int fd) noexcept {
  termios tio;
  if (tcgetattr(fd, &tio) != 0) return;  // not a terminal (a FIFO in a test): nothing to set
  tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF);
  tio.c_oflag &= ~OPOST;
  tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  tio.c_cflag |= CREAD | CLOCAL;  // speed, CSIZE, PARENB and CSTOPB stay as the driver has them
  tio.c_cc[VMIN] = 1;             // with O_NONBLOCK: an empty queue reads as EAGAIN, not as end of file
  tio.c_cc[VTIME] = 0;
  tcsetattr(fd, TCSANOW, &tio);
}

}  // namespace

std::vector<std::string> DefaultSerialPortPaths() {
  return {"/dev/ttyACM0", "/dev/ttyACM1", "/dev/ttyACM2", "/dev/ttyACM3", "/dev/ttyUSB0", "/dev/ttyUSB1",
          "/dev/ttyUSB2", "/dev/ttyUSB3", "/dev/rfcomm0", "/dev/rfcomm1", "/dev/ttyS0",   "/dev/ttyS1",
          "/dev/ttyS2",   "/dev/ttyS3",   "/dev/ttyS4",   "/dev/ttyS5"};
}

std::vector<std::string> SerialPortPaths() {
  if (const char* env = getenv("KIVU_PORTS"); env && *env) {
    std::vector<std::string> paths = SplitPaths(env);
    if (!paths.empty()) return paths;
  }
  return DefaultSerialPortPaths();
}

namespace {

// "usb-u-blox_AG_-_www.u-blox.com_u-blox_GNSS_receiver-if00" -> "u-blox AG - www.u-blox.com u-blox GNSS
// receiver": the bus and the interface number dropped, underscores as spaces.
std::string DescribeById(std::string name) {
  for (const char* bus : {"usb-", "pci-", "platform-"}) {
    if (name.rfind(bus, 0) == 0) {
      name.erase(0, std::strlen(bus));
      break;
    }
  }
  size_t dash = name.rfind('-');
  if (dash != std::string::npos && (name.compare(dash, 3, "-if") == 0 || name.compare(dash, 5, "-port") == 0))
    name.erase(dash);
  for (char& c : name) {
    if (c == '_') c = ' ';
  }
  return name;
}

}  // namespace

std::vector<SerialPortInfo> ListSerialPorts(const std::string& byIdFolder) {
  std::vector<SerialPortInfo> ports;
  std::vector<std::pair<std::string, std::string>> byId;  // device path, description
  if (DIR* dir = opendir(byIdFolder.c_str())) {
    while (const dirent* entry = readdir(dir)) {
      if (entry->d_name[0] == '.') continue;
      char* target = realpath((byIdFolder + "/" + entry->d_name).c_str(), nullptr);
      if (!target) continue;
      byId.emplace_back(target, DescribeById(entry->d_name));
      std::free(target);
    }
    closedir(dir);
    std::sort(byId.begin(), byId.end());
  }
  auto describe = [&](const std::string& path) {
    for (const auto& [device, description] : byId)
      if (device == path) return description;
    return std::string();
  };
  auto listed = [&](const std::string& path) {
    return std::any_of(ports.begin(), ports.end(), [&](const SerialPortInfo& p) { return p.path == path; });
  };
  for (const std::string& path : SerialPortPaths()) {
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode) && !listed(path))
      ports.push_back({path, describe(path)});
  }
  for (const auto& [device, description] : byId) {
    if (!listed(device)) ports.push_back({device, description});
  }
  return ports;
}

namespace {

// Opens path for reading and writing without blocking and without becoming its controlling terminal,
// then takes its lock: the steps that tell whether a port is there and free, and change nothing on it.
Result OpenAndLock(const std::string& path, UniqueFd& port) {
  if (path.empty()) return Result::Failure(ENOENT);
  UniqueFd fd(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!fd) return Result::Failure(errno);
  // flock keeps out every other Kivu and the programs that lock their ports. A port locked elsewhere
  // counts as held.
  if (flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) return Result::Failure(errno);
  struct stat st;
  if (fstat(fd.Get(), &st) == 0 &&
      (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode) || (S_ISCHR(st.st_mode) && !isatty(fd.Get()))))
    return Result::Failure(ENOTTY);
  port = std::move(fd);
  return {};
}

}  // namespace

Result OpenSerialPort(const std::string& path, UniqueFd& fd) {
  Result result = OpenAndLock(path, fd);
  if (!result) return result;
  // TIOCEXCL keeps out the programs that take no lock (root excepted). It stays on the terminal until
  // its last descriptor closes, so SerialPort::Close takes it off again for whoever still holds it.
  if (isatty(fd.Get())) ioctl(fd.Get(), TIOCEXCL);
  MakeRaw(fd.Get());
  return result;
}

Result ProbeSerialPort(const std::string& path) {
  UniqueFd fd;
  return OpenAndLock(path, fd);
}

bool IsHeldOrForbidden(const Result& result) noexcept {
  const int error = result.Error();
  return error == EBUSY || error == EACCES || error == EPERM || error == EWOULDBLOCK;
}

bool IsHeldElsewhere(const Result& result) noexcept {
  return result.Error() == EWOULDBLOCK || result.Error() == EBUSY;
}

std::string SerialPortGroup(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return "dialout";
  if ((st.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP)) return "";
  std::vector<char> buffer(16384);
  group entry;
  group* found = nullptr;
  if (getgrgid_r(st.st_gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->gr_name)
    return found->gr_name;
  return std::to_string(st.st_gid);
}

Result SerialPort::Open(const std::string& path) {
  Close();
  UniqueFd fd;
  Result result = OpenSerialPort(path, fd);
  if (!result) return result;
  fd_ = std::move(fd);
  tcflush(fd_.Get(), TCIOFLUSH);
  std::lock_guard lock(pathMutex_);
  path_ = path;
  return result;
}

void SerialPort::Close() {
  {
    std::lock_guard lock(pathMutex_);
    path_.clear();
  }
  // A terminal that stays open elsewhere (a replay's pseudo-terminal, a port another program shares)
  // would otherwise stay barred to every user but root after we let it go.
  if (fd_ && isatty(fd_.Get())) ioctl(fd_.Get(), TIOCNXCL);
  fd_.Reset();
}

std::string SerialPort::Path() const {
  std::lock_guard lock(pathMutex_);
  return path_;
}

InputWait SerialPort::Wait(int timeoutMs) noexcept {
  return WaitForInput(fd_.Get(), wake_, timeoutMs, POLLIN);
}

ssize_t SerialPort::Read(char* buffer, size_t capacity) noexcept {
  return ReadInput(fd_.Get(), buffer, capacity);
}

}  // namespace kivu
