// Construction of failure messages.
#include "core/base/status.h"

#include <cstring>
#include <system_error>

namespace velbrix {

Status Status::IoError(std::string_view operation, const std::filesystem::path& file,
                       std::string_view reason) {
  std::string message(operation);
  message += ' ';
  message += PathForDisplay(file);
  message += ": ";
  message += reason;
  return Status(Code::kIoError, std::move(message));
}

Status Status::Stopped(const std::filesystem::path& file) {
  return Status(Code::kStopped, "Stopped converting " + PathForDisplay(file));
}

std::string PathForDisplay(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::string ErrnoReason(int error_number) {
  return std::generic_category().message(error_number);
}

}  // namespace velbrix
