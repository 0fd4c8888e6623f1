// Helpers shared by Kivu's tests: temporary folders, files, pseudo-terminals and the shared captures.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/PseudoTerminal.h"

namespace kivu::test {

// A fresh folder under $TMPDIR (or /tmp), removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder's path, ending with '/'.
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);
bool FileExists(const std::string& path);
// Waits until a file called name appears in folder (made there, or moved there whole); false when the
// time-out passes first.
bool WaitForFile(const std::string& folder, const std::string& name, int timeoutMs = 10000);

// A file of the repository, by its path from the top of the source tree.
std::string SourcePath(const std::string& relative);

// Whether xmllint and the GPX 1.1 schema of ../shared are at hand; a fresh clone has no ../shared.
bool CanValidateGpx();
// Empty when the GPX document at path is valid against the schema (or nothing can check it); else
// xmllint's complaint and the document.
std::string GpxSchemaComplaint(const std::string& path);

// The shared NMEA captures ("../shared/nmea/gpsd/"), or "" when a fresh clone has no ../shared.
std::string SharedCaptureDir();
// Every "*.log" capture in the shared folder, sorted by name.
std::vector<std::string> SharedCaptures();
// Every "*.log" capture of both shared folders: the GP-talker receivers of "gpsd/", then the
// multi-constellation ones of "gpsd-gnss/", each folder sorted by name.
std::vector<std::string> SharedCapturesOfEveryReceiver();

// A pseudo-terminal: the test writes to the master side as a GPS receiver would; Kivu opens the slave.
class PseudoTerminal {
 public:
  PseudoTerminal();
  const std::string& SlavePath() const { return pty_.SlavePath(); }
  // Writes all of the text to the master side.
  void Write(const std::string& text);
  // Closes the master side: the slave hangs up, as when a USB receiver is pulled out.
  void CloseMaster() { pty_.CloseMaster(); }
  int MasterFd() const { return pty_.MasterFd(); }

 private:
  kivu::PseudoTerminal pty_;
};

}  // namespace kivu::test

// Skips the current test when the shared captures are absent (a user's fresh clone).
#define KIVU_REQUIRE_SHARED_CAPTURES()                                                          \
  do {                                                                                          \
    if (::kivu::test::SharedCaptureDir().empty())                                               \
      GTEST_SKIP() << "../shared/nmea/gpsd is absent (a fresh clone): shared captures skipped"; \
  } while (0)
