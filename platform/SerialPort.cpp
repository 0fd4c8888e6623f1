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

namespace kivu {

namespace {

std::mutex tableMutex;
std::vector<std::string> tableOverride;

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

void SetSerialPortPaths(std::vector<std::string> paths) {
  std::lock_guard lock(tableMutex);
  tableOverride = std::move(paths);
}

std::vector<std::string> SerialPortPaths() {
  {
    std::lock_guard lock(tableMutex);
    if (!tableOverride.empty()) return tableOverride;
  }
  if (const char* env = getenv("KIVU_PORTS"); env && *env) {
    std::vector<std::string> paths = SplitPaths(env);
    if (!paths.empty()) return paths;
  }
  return DefaultSerialPortPaths();
}

std::string SerialDevicePath(const std::string& name) {
  return SerialDevicePath(name, SerialPortPaths());
}

std::string SerialDevicePath(const std::string& name, const std::vector<std::string>& table) {
  size_t i = 0;
  while (i < name.size() && std::isalpha(static_cast<unsigned char>(name[i])))
    ++i;
  size_t digits = i;
  while (digits < name.size() && std::isdigit(static_cast<unsigned char>(name[digits])))
    ++digits;
  if (digits == i || digits - i > 2 || digits + 1 != name.size() || name[digits] != ':') return "";
  int n = std::atoi(name.c_str() + i);
  if (n < 1 || n > kSerialPortCount || n > static_cast<int>(table.size())) return "";
  return table[static_cast<size_t>(n - 1)];
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
SerialOpenResult OpenAndLock(const std::string& path) {
  SerialOpenResult result;
  if (path.empty()) {
    result.error = ENOENT;
    return result;
  }
  UniqueFd fd(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!fd) {
    result.error = errno;
    return result;
  }
  // flock keeps out every other Kivu and the programs that lock their ports. A port locked elsewhere
  // counts as held.
  if (flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
    result.error = errno;
    return result;
  }
  struct stat st;
  if (fstat(fd.Get(), &st) == 0 &&
      (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode) || (S_ISCHR(st.st_mode) && !isatty(fd.Get())))) {
    result.error = ENOTTY;
    return result;
  }
  result.fd = std::move(fd);
  return result;
}

}  // namespace

SerialOpenResult OpenSerialPort(const std::string& path) {
  SerialOpenResult result = OpenAndLock(path);
  if (!result.fd) return result;
  // TIOCEXCL keeps out the programs that take no lock (root excepted). It stays on the terminal until
  // its last descriptor closes, so SerialPort::Close takes it off again for whoever still holds it.
  if (isatty(result.fd.Get())) ioctl(result.fd.Get(), TIOCEXCL);
  MakeRaw(result.fd.Get());
  return result;
}

int ProbeSerialPort(const std::string& path) {
  return OpenAndLock(path).error;
}

bool IsHeldOrForbidden(int error) noexcept {
  return error == EBUSY || error == EACCES || error == EPERM || error == EWOULDBLOCK;
}

namespace {

// Why a user may not open path: the group whose members may (dialout on Debian, uucp elsewhere), or
// that its mode lets no group open it.
std::string PermissionHint(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return "add your user to the 'dialout' group and log in again";
  if ((st.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP))
    return "its permissions let only its owner open it";
  std::vector<char> buffer(16384);
  group entry;
  group* found = nullptr;
  std::string name = std::to_string(st.st_gid);
  if (getgrgid_r(st.st_gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->gr_name)
    name = found->gr_name;
  return "add your user to the '" + name + "' group and log in again";
}

}  // namespace

std::string DescribeOpenFailure(const std::string& path, int error) {
  std::string line = "kivu: GPS port " + path + ": ";
  if (error == EWOULDBLOCK || error == EBUSY) {
    line += "in use by another program";
  } else if (error == ENOTTY) {
    line += "not a serial port";
  } else {
    line += std::strerror(error);
  }
  if (error == EACCES || error == EPERM) line += " (" + PermissionHint(path) + ")";
  return line;
}

int SerialPort::Open(const std::string& path) {
  Close();
  SerialOpenResult result = OpenSerialPort(path);
  if (!result.fd) return result.error;
  fd_ = std::move(result.fd);
  tcflush(fd_.Get(), TCIOFLUSH);
  std::lock_guard lock(pathMutex_);
  path_ = path;
  return 0;
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
