// POSIX services of the command-line companion.
#include <unistd.h>

#include <cstdio>

#include "cli/platform.h"

namespace velbrix::cli {

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

std::filesystem::path PathFromArgument(const std::string& text) {
  return std::filesystem::path(text);  // the bytes as given, whatever their encoding
}

bool FileNamesMatch(const std::filesystem::path& a, const std::filesystem::path& b) {
  return a == b;
}

std::filesystem::path::string_type FileNameKey(const std::filesystem::path& name) {
  return name.native();
}

bool StderrIsTerminal() {
  return ::isatty(::fileno(stderr)) != 0;
}

}  // namespace velbrix::cli
