// Windows services of the command-line companion: the wide command line and the console.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>
// After windows.h, which it needs:
#include <shellapi.h>

#include <io.h>

#include <cstdio>

#include "cli/platform.h"

namespace velbrix::cli {
namespace {

std::string ToUtf8(const wchar_t* text) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) {
    return {};
  }
  std::string utf8(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
  utf8.pop_back();  // the terminating zero
  return utf8;
}

}  // namespace

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  ::SetConsoleOutputCP(CP_UTF8);
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) {
    return std::vector<std::string>(argv, argv + argc);
  }
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) {
    arguments.push_back(ToUtf8(wide[i]));
  }
  ::LocalFree(wide);
  return arguments;
}

std::filesystem::path PathFromArgument(const std::string& text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

bool FileNamesMatch(const std::filesystem::path& a, const std::filesystem::path& b) {
  return ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

std::filesystem::path::string_type FileNameKey(const std::filesystem::path& name) {
  std::wstring key = name.native();
  if (!key.empty()) {
    ::CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
  }
  return key;
}

bool StderrIsTerminal() {
  return ::_isatty(::_fileno(stderr)) != 0;
}

namespace {

// The handler's only way to the request: the system calls it without an argument of ours.
StopRequest* interrupt_stop = nullptr;

// Called by the system on a thread of its own.
BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) {
    return FALSE;  // closing the console or logging off ends the program
  }
  if (interrupt_stop->requested()) {
    return FALSE;  // the second time: the default, which ends the program
  }
  interrupt_stop->Request();
  return TRUE;
}

}  // namespace

void StopOnInterrupt(StopRequest& stop) {
  interrupt_stop = &stop;
  ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

}  // namespace velbrix::cli
