// POSIX services of the command-line companion.
#include <signal.h>
#include <unistd.h>

#include <atomic>
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

namespace {

// The handler's only way to the request: a signal handler takes no argument.
StopRequest* interrupt_stop = nullptr;

extern "C" void RequestStop(int) {
  interrupt_stop->Request();  // a lock-free atomic store, safe in a handler
}

}  // namespace

void StopOnInterrupt(StopRequest& stop) {
  static_assert(std::atomic<bool>::is_always_lock_free);
  interrupt_stop = &stop;
  struct sigaction action {};
  action.sa_handler = RequestStop;
  sigemptyset(&action.sa_mask);
  // Reads and writes go on after the handler; the next signal has the default effect.
  action.sa_flags = static_cast<int>(SA_RESTART | SA_RESETHAND);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

}  // namespace velbrix::cli
