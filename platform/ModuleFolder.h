// Where Kivu keeps its files: the folder that stands in for "beside the executable", and folder creation.
#pragma once

#include <string>

namespace kivu {

// What the module folder is chosen from; ModuleFolderSourcesNow() fills it from the running process.
struct ModuleFolderSources {
  std::string kivuHome;        // KIVU_HOME (set by --home too); "" when unset
  std::string executablePath;  // full path of the running program; "" when unknown
  std::string xdgDataHome;     // XDG_DATA_HOME; "" when unset
  std::string home;            // HOME, else the user's home from the password database
};

ModuleFolderSources ModuleFolderSourcesNow();

// The module folder, always ending with '/':
//   KIVU_HOME when set (a relative one taken from the current folder), created when missing;
//   else the executable's folder when we may write there (a portable install);
//   else $XDG_DATA_HOME/kivu/ (only an absolute XDG_DATA_HOME counts), by default ~/.local/share/kivu/,
//   created when missing.
// "" when none of them can be worked out (no executable path, no home).
std::string ResolveModuleFolder(const ModuleFolderSources& sources);

// ResolveModuleFolder(ModuleFolderSourcesNow()).
std::string ModuleFolder();

// Creates one folder (mode 0777 less the umask). True when it was created or a folder (or a link to one)
// of that name is already there; false otherwise, a file of that name included.
bool MakeFolder(const std::string& path) noexcept;

// Creates a folder and every missing parent. True when the whole path is a folder afterwards.
bool MakeFolders(const std::string& path) noexcept;

}  // namespace kivu
