// Runs kivu-replay as a user would, with its output and errors caught.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "support/TestSupport.h"

namespace kivu::test {

struct ReplayRun {
  int status = -1;
  std::string out, err;
};

// kivu-replay with the arguments (as a shell would split them), in the time zone given; its standard
// input a pipe that the file piped is poured into, when one is named.
inline ReplayRun Replay(const std::string& args, const char* zone = "UTC0", const std::string& piped = "") {
  TempDir dir;
  // A sanitizer build of kivu-replay reports the font library's caches as leaks unless told not to.
  std::string command = (piped.empty() ? "" : "cat " + piped + " | ") + "TZ=" + zone +
                        " LSAN_OPTIONS=suppressions=" + KIVU_SOURCE_DIR + "/tests/lsan.supp " +
                        KIVU_REPLAY_PATH + " " + args + " >" + dir.Path() + "out 2>" + dir.Path() + "err";
  ReplayRun run;
  int raw = std::system(command.c_str());
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = ReadFile(dir / "out");
  run.err = ReadFile(dir / "err");
  return run;
}

}  // namespace kivu::test
