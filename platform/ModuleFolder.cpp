#include "platform/ModuleFolder.h"

#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace kivu {

namespace {

std::string Env(const char* name) {
  const char* value = ::getenv(name);
  return value ? value : "";
}

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

bool IsFolder(const std::string& path) noexcept {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string Absolute(const std::string& path) {
  if (path.empty() || path.front() == '/') return path;
  std::vector<char> buffer(4096);
  while (!::getcwd(buffer.data(), buffer.size())) {
    if (errno != ERANGE || buffer.size() > (1u << 20)) return path;
    buffer.resize(buffer.size() * 2);
  }
  return WithSlash(buffer.data()) + path;
}

std::string ExecutablePath() {
  std::vector<char> buffer(4096);
  for (;;) {
    ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return "";
    if (static_cast<std::size_t>(n) < buffer.size())
      return std::string(buffer.data(), static_cast<std::size_t>(n));
    if (buffer.size() > (1u << 20)) return "";
    buffer.resize(buffer.size() * 2);
  }
}

std::string HomeFromPasswordDatabase() {
  std::vector<char> buffer(16384);
  struct passwd entry;
  struct passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found || !found->pw_dir)
    return "";
  return found->pw_dir;
}

// The system's own program folders are writable to root, but an installed Kivu run by root keeps its
// settings and records in root's data folder like anyone's, never beside the system's programs.
bool IsSystemProgramFolder(const std::string& folder) {
  return folder.rfind("/usr/", 0) == 0 || folder == "/bin/" || folder == "/sbin/";
}

}  // namespace

ModuleFolderSources ModuleFolderSourcesNow() {
  ModuleFolderSources sources;
  sources.kivuHome = Env("KIVU_HOME");
  sources.executablePath = ExecutablePath();
  sources.xdgDataHome = Env("XDG_DATA_HOME");
  sources.home = Env("HOME");
  if (sources.home.empty()) sources.home = HomeFromPasswordDatabase();
  return sources;
}

std::string ResolveModuleFolder(const ModuleFolderSources& sources) {
  if (!sources.kivuHome.empty()) {
    std::string folder = WithSlash(Absolute(sources.kivuHome));
    MakeFolders(folder);
    return folder;
  }
  std::size_t slash = sources.executablePath.rfind('/');
  if (slash != std::string::npos) {
    std::string folder = sources.executablePath.substr(0, slash + 1);
    if (!IsSystemProgramFolder(folder) && IsFolder(folder) && ::access(folder.c_str(), W_OK) == 0)
      return folder;
  }
  std::string data;
  if (!sources.xdgDataHome.empty() && sources.xdgDataHome.front() == '/') {
    data = WithSlash(sources.xdgDataHome);
  } else if (!sources.home.empty()) {
    data = WithSlash(sources.home) + ".local/share/";
  } else {
    return "";
  }
  std::string folder = data + "kivu/";
  MakeFolders(folder);
  return folder;
}

std::string ModuleFolder() {
  return ResolveModuleFolder(ModuleFolderSourcesNow());
}

bool MakeFolder(const std::string& path) noexcept {
  if (path.empty()) return false;
  if (::mkdir(path.c_str(), 0777) == 0) return true;
  return errno == EEXIST && IsFolder(path);
}

bool MakeFolders(const std::string& path) noexcept {
  try {
    if (path.empty()) return false;
    if (IsFolder(path)) return true;
    // Each prefix that ends just before a '/' is a parent; the path itself comes last.
    for (std::size_t i = 1; i <= path.size(); ++i) {
      if (i < path.size() && path[i] != '/') continue;
      std::string prefix = path.substr(0, i);
      if (prefix.back() == '/') continue;
      if (!MakeFolder(prefix)) return false;
    }
    return IsFolder(path);
  } catch (...) {
    return false;
  }
}

}  // namespace kivu
