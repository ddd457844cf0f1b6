// What the command-line companion needs of its platform: its arguments as UTF-8 text, paths made
// from them, how file names compare, and whether stderr is a terminal. One implementation for POSIX
// systems (platform_posix.cpp) and one for Windows (platform_windows.cpp), chosen by the build.
#ifndef VELBRIX_CLI_PLATFORM_H_
#define VELBRIX_CLI_PLATFORM_H_

#include <filesystem>
#include <string>
#include <vector>

#include "core/base/stop_request.h"

namespace velbrix::cli {

// The program's arguments, argv[0] first, as UTF-8 text. On Windows they are taken from the wide
// command line, so that any file name arrives intact, and console output is switched to UTF-8;
// elsewhere they are `argv` unchanged.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// The path that the argument `text` (as returned by Utf8Arguments) names.
std::filesystem::path PathFromArgument(const std::string& text);

// Whether the file names `a` and `b` (no folders) name the same file in one folder: the same
// names on POSIX systems, the same names but for case on Windows.
bool FileNamesMatch(const std::filesystem::path& a, const std::filesystem::path& b);
// A key under which names that FileNamesMatch are equal: the name on POSIX systems, the name in
// upper case on Windows.
std::filesystem::path::string_type FileNameKey(const std::filesystem::path& name);

// Whether the standard error stream is a terminal (a console window on Windows).
bool StderrIsTerminal();

// From now on, Ctrl-C requests `stop` instead of ending the program: SIGINT and SIGTERM on POSIX
// systems, Ctrl-C and Ctrl-Break at the console on Windows. A second one ends the program at once
// (a run killed so leaves its outputs to the next run's recovery). `stop` must live until the
// program ends; call this once.
void StopOnInterrupt(StopRequest& stop);

}  // namespace velbrix::cli

#endif  // VELBRIX_CLI_PLATFORM_H_
