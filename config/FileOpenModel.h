// What the program browse dialog knows without its window: the type filter, one folder's listing, the
// folder shown, the picked name and the path they make. The dialog (FileOpenDialog) only shows this.
//
// Paths are UTF-8 bytes as the file system holds them, joined with '/'. The folder shown is written
// without a trailing '/' ("/SDMMC"); the root of the file system is the empty string, so that joining a
// name to it gives "/name" and "Up" stops at a top-level folder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kivu {

// What a listed entry is. A Program is a file the user can start: one whose type key is "*.exe", or a
// regular file with execute permission.
enum class EntryKind : int { File = 0, Program = 1, Folder = 2 };

// Attribute bits of a folder entry, with the values the attribute mask is written in.
inline constexpr std::uint32_t kAttributeReadOnly = 0x1;  // nobody may write it
inline constexpr std::uint32_t kAttributeHidden = 0x2;    // its name begins with '.'
inline constexpr std::uint32_t kAttributeSystem = 0x4;    // a device file, socket or pipe
inline constexpr std::uint32_t kAttributeFolder = 0x10;
inline constexpr std::uint32_t kAttributeNormal = 0x80;  // a file with none of the bits above

// The pattern of every file with an execute bit, whatever its name ("navit", "nav.sh", an AppImage).
inline constexpr const char* kProgramsPattern = "+x";

// What the settings dialog hands the browse dialog: hide device files, sockets and pipes; start in the
// navigator's folder, else in "/SDMMC"; offer the programs first, then "*.exe" and everything.
inline constexpr std::uint32_t kBrowseAttributeMask = 0x1804;
inline constexpr const char* kNavigatorFilter = "Programs|+x|*.exe|*.exe|*.*|*.*||";
inline constexpr const char* kDefaultStartFolder = "/SDMMC";

// ListFolder's results besides 0 (the platform's error numbers, which callers compare with).
inline constexpr int kErrorFileNotFound = 2;  // the folder holds no entry at all
inline constexpr int kErrorPathNotFound = 3;  // no such folder, or the path is not a folder
inline constexpr int kErrorAccessDenied = 5;  // the folder may not be read
inline constexpr int kErrorOther = 31;        // any other failure to read the folder

struct FileType {
  std::string description;  // the type box's text
  std::string pattern;      // "*.*" lists every file; anything else is compared with the type key
};

// Splits "description|pattern|description|pattern||" into its pairs. Runs of '|' count as one separator;
// a description at the very end without its pattern gets the empty pattern. "" gives nothing.
std::vector<FileType> ParseFileFilter(std::string_view filter);

// "*" + the name's extension from its last '.' on, ASCII letters lower-cased: "A.EXE" -> "*.exe",
// ".profile" -> "*.profile", "navit" -> "*".
std::string FileTypeKey(std::string_view name);

// True when a file of the type key is listed under pattern: "*.*", the same text exactly, or
// kProgramsPattern for an executable regular file.
bool PatternAccepts(std::string_view pattern, std::string_view typeKey, bool executable = false);

struct FolderEntry {
  std::string name;
  EntryKind kind = EntryKind::File;
};

// folder + "/" + name.
std::string JoinPath(std::string_view folder, std::string_view name);

// True when path names a folder (or a link to one).
bool IsExistingFolder(const std::string& path);

// Where the browse dialog starts for the navigator path shown: its folder when that is an absolute path
// of an existing folder, else "/SDMMC" (the dialog itself falls back to the root).
std::string BrowseStartFolder(const std::string& navigationPath);

// Orders names as the list shows them: ASCII letters without regard to case, then byte by byte.
bool NameLess(std::string_view a, std::string_view b);

// The browse dialog's state.
class FileBrowser {
 public:
  FileBrowser(std::uint32_t attributeMask, std::string_view filter);

  const std::vector<FileType>& Types() const { return types_; }
  // The type whose pattern filters the files: the first one after construction, -1 without any. An
  // index outside the types lists every file.
  int TypeIndex() const { return typeIndex_; }
  void SetTypeIndex(int index) { typeIndex_ = index; }

  // Takes startFolder (without its trailing '/') as the current folder when it is an existing folder,
  // else stays at the root. True in the first case.
  bool Start(const std::string& startFolder);

  // Refills Entries() from folder and the current type, sorted by NameLess. 0 when the folder could be
  // read, else one of the errors above (the entries stay empty). "." and ".." are never listed, nor an
  // entry whose attributes share a bit with the attribute mask.
  int ListFolder(const std::string& folder);

  // Lists folder + "/" + name and makes it the current folder, unless it does not exist as a folder:
  // then the current folder stays and is listed again. True when the current folder changed.
  bool EnterFolder(std::string_view name);

  // Goes to the parent of the current folder and lists it, from a top-level folder to the root; nothing
  // happens (false) at the root.
  bool Up();

  // Picks an entry: a folder clears the picked name, anything else becomes it.
  void PickEntry(const FolderEntry& entry);
  // A name typed by the user replaces the picked one.
  void TypeName(std::string name) { pickedName_ = std::move(name); }

  const std::vector<FolderEntry>& Entries() const { return entries_; }
  const std::string& CurrentFolder() const { return currentFolder_; }
  const std::string& PickedName() const { return pickedName_; }

  // The current folder + "/" + the picked name; a picked (typed) name that is an absolute path itself.
  std::string GetPathName() const;

 private:
  const std::string* Pattern() const;

  std::uint32_t attributeMask_;
  std::vector<FileType> types_;
  int typeIndex_ = -1;
  std::string currentFolder_;
  std::string pickedName_;
  std::vector<FolderEntry> entries_;
};

}  // namespace kivu
