// A recording opened for viewing: how many whole records it holds, and any of them by number.
//
// Unlike a conversion, which reads a recording once from start to end, a viewer reads only the
// records it shows, wherever they are; the file is opened once and read by position.
#ifndef VELBRIX_CORE_TRACE_TRACE_RECORDING_H_
#define VELBRIX_CORE_TRACE_TRACE_RECORDING_H_

#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "core/base/status.h"
#include "core/os/os_file.h"

namespace velbrix {

// Why a read failed whose records were there when the recording was opened.
inline constexpr char kRecordingShorterReason[] = "the file has become shorter since it was opened";

class TraceRecording {
 public:
  TraceRecording() = default;
  TraceRecording(TraceRecording&&) = default;
  TraceRecording& operator=(TraceRecording&&) = default;
  TraceRecording(const TraceRecording&) = delete;
  TraceRecording& operator=(const TraceRecording&) = delete;

  // Opens `path` for reading and counts its whole records. Fails, naming the path and the
  // system's reason, when the file cannot be opened or read (a folder, say).
  Status Open(const std::filesystem::path& path);

  bool is_open() const { return file_.is_open(); }
  const std::filesystem::path& path() const { return path_; }
  // Whole records, as a conversion would write lines.
  std::uint64_t records() const { return records_; }
  // Bytes of a trailing partial record (0 .. 31); they are never shown.
  std::uint64_t bytes_left_out() const { return bytes_left_out_; }

  // Reads records first .. first + count - 1, 32 bytes each, into `out`. Requires an open
  // recording and first + count <= records(). Fails, naming the path, when the system cannot read
  // them or the file has become shorter since it was opened.
  Status ReadRecords(std::uint64_t first, std::size_t count, std::uint8_t* out);

 private:
  OsFile file_;
  std::filesystem::path path_;
  std::uint64_t records_ = 0;
  std::uint64_t bytes_left_out_ = 0;
};

}  // namespace velbrix

#endif  // VELBRIX_CORE_TRACE_TRACE_RECORDING_H_
