// The card of a user, as the browse tests find it in a temporary folder.
#pragma once

#include <sys/stat.h>

#include <initializer_list>

#include "support/TestSupport.h"

namespace kivu::test {

// Fills folder with what a user's card might hold: the plain files named (programs named the Windows way,
// a text file, a file called 'exe' ...), a Linux program "navit" without extension, a folder "Maps" with a
// map in it and a pipe "gps.pipe".
inline void MakeUsersCard(const TempDir& folder, std::initializer_list<const char*> plainFiles) {
  for (const char* name : plainFiles)
    WriteFile(folder / name, "x");
  WriteFile(folder / "navit", "#!/bin/sh\n");
  ASSERT_EQ(chmod((folder / "navit").c_str(), 0755), 0);
  ASSERT_EQ(mkdir((folder / "Maps").c_str(), 0755), 0);
  WriteFile(folder / "Maps/europe.map", "x");
  ASSERT_EQ(mkfifo((folder / "gps.pipe").c_str(), 0644), 0);
}

}  // namespace kivu::test
