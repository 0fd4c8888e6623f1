#include "config/FileOpenModel.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>

namespace kivu {

namespace {

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Everything up to the first '|', and the rest after it and after every '|' that follows at once. Without
// any '|' the part is empty and the rest stays whole.
std::string_view TakePart(std::string_view& rest) {
  std::size_t bar = rest.find('|');
  if (bar == std::string_view::npos) return {};
  std::string_view part = rest.substr(0, bar);
  rest.remove_prefix(bar);
  while (!rest.empty() && rest.front() == '|')
    rest.remove_prefix(1);
  return part;
}

int ErrorOfOpen(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ELOOP:
    case ENAMETOOLONG:
      return kErrorPathNotFound;
    case EACCES:
    case EPERM:
      return kErrorAccessDenied;
    default:
      return kErrorOther;
  }
}

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

std::uint32_t AttributesOf(const struct stat& st, std::string_view name) {
  std::uint32_t attributes = 0;
  if (S_ISDIR(st.st_mode)) attributes |= kAttributeFolder;
  if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) || S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode))
    attributes |= kAttributeSystem;
  if (!name.empty() && name.front() == '.') attributes |= kAttributeHidden;
  if ((st.st_mode & 0222) == 0) attributes |= kAttributeReadOnly;
  return attributes == 0 ? kAttributeNormal : attributes;
}

// The entry's status through a link; a link that leads nowhere (dangling, a loop) counts as itself.
bool StatusOf(const std::string& path, struct stat& st) {
  return ::stat(path.c_str(), &st) == 0 || ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

std::vector<FileType> ParseFileFilter(std::string_view filter) {
  std::vector<FileType> types;
  std::string_view rest = filter;
  while (!rest.empty() && rest.find('|') != std::string_view::npos) {
    FileType type;
    type.description = std::string(TakePart(rest));
    type.pattern = std::string(TakePart(rest));
    types.push_back(std::move(type));
  }
  return types;
}

std::string FileTypeKey(std::string_view name) {
  std::string key = "*";
  std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return key;
  for (char c : name.substr(dot))
    key += LowerAscii(c);
  return key;
}

bool PatternAccepts(std::string_view pattern, std::string_view typeKey, bool executable) {
  if (pattern == kProgramsPattern) return executable;
  return pattern == "*.*" || pattern == typeKey;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  path += '/';
  path += name;
  return path;
}

bool IsExistingFolder(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string BrowseStartFolder(const std::string& navigationPath) {
  std::size_t slash = navigationPath.rfind('/');
  if (!navigationPath.empty() && navigationPath.front() == '/' && slash != std::string::npos) {
    std::string folder = navigationPath.substr(0, slash);
    if (folder.empty() || IsExistingFolder(folder)) return folder;
  }
  return kDefaultStartFolder;
}

bool NameLess(std::string_view a, std::string_view b) {
  auto lowerLess = [](char x, char y) {
    return static_cast<unsigned char>(LowerAscii(x)) < static_cast<unsigned char>(LowerAscii(y));
  };
  if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), lowerLess)) return true;
  if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), lowerLess)) return false;
  return a < b;
}

FileBrowser::FileBrowser(std::uint32_t attributeMask, std::string_view filter)
    : attributeMask_(attributeMask), types_(ParseFileFilter(filter)) {
  if (!types_.empty()) typeIndex_ = 0;
}

bool FileBrowser::Start(const std::string& startFolder) {
  std::string folder = startFolder;
  while (folder.size() > 1 && folder.back() == '/')
    folder.pop_back();
  if (!IsExistingFolder(folder)) return false;
  currentFolder_ = folder == "/" ? "" : folder;
  return true;
}

const std::string* FileBrowser::Pattern() const {
  if (typeIndex_ < 0 || static_cast<std::size_t>(typeIndex_) >= types_.size()) return nullptr;
  return &types_[static_cast<std::size_t>(typeIndex_)].pattern;
}

int FileBrowser::ListFolder(const std::string& folder) {
  entries_.clear();
  std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.empty() ? "/" : folder.c_str()));
  if (!dir) return ErrorOfOpen(errno);
  const std::string* pattern = Pattern();
  bool foundAny = false;
  while (const dirent* found = ::readdir(dir.get())) {
    std::string_view name = found->d_name;
    if (name == "." || name == "..") continue;
    foundAny = true;
    struct stat st;
    if (!StatusOf(JoinPath(folder, name), st)) continue;
    if ((AttributesOf(st, name) & attributeMask_) != 0) continue;
    FolderEntry entry;
    entry.name = std::string(name);
    if (S_ISDIR(st.st_mode)) {
      entry.kind = EntryKind::Folder;
    } else {
      std::string key = FileTypeKey(name);
      bool executable = S_ISREG(st.st_mode) && (st.st_mode & 0111) != 0;
      if (pattern && !PatternAccepts(*pattern, key, executable)) continue;
      entry.kind = (key == "*.exe" || executable) ? EntryKind::Program : EntryKind::File;
    }
    entries_.push_back(std::move(entry));
  }
  std::sort(entries_.begin(), entries_.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return NameLess(a.name, b.name); });
  return foundAny ? 0 : kErrorFileNotFound;
}

bool FileBrowser::EnterFolder(std::string_view name) {
  std::string candidate = JoinPath(currentFolder_, name);
  if (ListFolder(candidate) == kErrorPathNotFound) {
    // Leave the list showing the folder the path label names, not an empty one.
    ListFolder(currentFolder_);
    return false;
  }
  currentFolder_ = std::move(candidate);
  return true;
}

bool FileBrowser::Up() {
  std::size_t slash = currentFolder_.rfind('/');
  if (slash == std::string::npos) return false;  // the root
  currentFolder_.resize(slash);
  ListFolder(currentFolder_);
  return true;
}

void FileBrowser::PickEntry(const FolderEntry& entry) {
  if (entry.kind == EntryKind::Folder)
    pickedName_.clear();
  else
    pickedName_ = entry.name;
}

std::string FileBrowser::GetPathName() const {
  if (!pickedName_.empty() && pickedName_.front() == '/') return pickedName_;
  return JoinPath(currentFolder_, pickedName_);
}

}  // namespace kivu
