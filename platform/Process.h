// Starting another program (the navigator) as a process of its own.
#pragma once

#include <string>

namespace kivu {

// Starts the program at path with no arguments besides its own path as argv[0], through no shell, with
// Kivu's environment and current folder. The program runs detached: in a session of its own, with the
// default signal dispositions and an empty signal mask, and without any of Kivu's descriptors beyond
// standard input, output and error; Kivu reaps it when it ends and never waits for it.
//
// False, and nothing started, when path is empty, is not a regular file we may execute, or the start
// itself fails (a file the kernel cannot run, such as a script without "#!", for one).
bool LaunchProgram(const std::string& path);

}  // namespace kivu
