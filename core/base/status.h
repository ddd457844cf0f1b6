// The outcome of an operation that can fail: success, or a message a person can act on.
//
// A failed Status always says what was attempted, on which file (its full path) and the reason the
// system gave, for example "Cannot create /opt/velbrix/rec01_eeg_FP2.eeg: Permission denied".
#ifndef VELBRIX_CORE_BASE_STATUS_H_
#define VELBRIX_CORE_BASE_STATUS_H_

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

namespace velbrix {

class [[nodiscard]] Status {
 public:
  enum class Code { kOk, kIoError, kInvalidArgument, kStopped, kInternal };

  Status() = default;
  static Status Ok() { return Status(); }
  // `operation` is a capitalised verb ("Cannot open", "Cannot write to"); `reason` is the
  // system's text for the failure.
  static Status IoError(std::string_view operation, const std::filesystem::path& file,
                        std::string_view reason);
  static Status InvalidArgument(std::string message) {
    return Status(Code::kInvalidArgument, std::move(message));
  }
  // A run that ended early because its caller asked it to: "Stopped converting <file>".
  static Status Stopped(const std::filesystem::path& file);
  // A fault of the program itself while working on `file`, neither the user's input nor a file's
  // (an exception, say, of which `what` is the text): "Internal fault while converting <file>:
  // <what>".
  static Status Internal(const std::filesystem::path& file, std::string_view what);

  bool ok() const { return code_ == Code::kOk; }
  bool stopped() const { return code_ == Code::kStopped; }
  Code code() const { return code_; }
  const std::string& message() const { return message_; }

 private:
  Status(Code code, std::string message) : code_(code), message_(std::move(message)) {}

  Code code_ = Code::kOk;
  std::string message_;
};

// The path as UTF-8 text with the platform's own separators, for messages.
std::string PathForDisplay(const std::filesystem::path& path);

// `text` in double quotes for a message: whole when it is short, otherwise its start (at most
// kQuotedStartBytes bytes, whole UTF-8 characters) followed by "...".
inline constexpr std::size_t kQuotedStartBytes = 60;
std::string Quoted(std::string_view text);

// The system's text for an errno value.
std::string ErrnoReason(int error_number);

}  // namespace velbrix

#endif  // VELBRIX_CORE_BASE_STATUS_H_
