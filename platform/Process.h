// Starting another program (the navigator) as a process of its own.
#pragma once

#include <string>

namespace kivu {

// Starts the program at path with no arguments besides its own path as argv[0], through no shell, with
// Kivu's environment and current folder. The program runs detached: in a session of its own, with the
// default signal dispositions and an empty signal mask, and without any of Kivu's descriptors beyond
// standard input, output and error; Kivu reaps it when it ends and never waits for it.
//
// A relative path is taken from the current folder and started by its absolute path, so that a name such
// as "-x" reaches a script's interpreter as a file, never as an option.
//
// False, and nothing started, when path is empty, is not a regular file we may execute, or the start
// itself fails (a file the kernel cannot run, such as a script without "#!", for one).
bool LaunchProgram(const std::string& path);

// The absolute path of the first executable regular file called name in the folders of PATH, or "" when
// there is none (or name is empty or holds a '/').
std::string FindProgramOnPath(const std::string& name);

}  // namespace kivu
