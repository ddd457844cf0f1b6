// Positioned reading of a recording's records.
#include "core/trace/trace_recording.h"

#include "core/base/record.h"

namespace velbrix {

Status TraceRecording::Open(const std::filesystem::path& path) {
  *this = TraceRecording();
  path_ = path;
  OsFile file;
  if (const std::error_code ec = OsFile::OpenForReading(path, &file)) {
    return Status::IoError("Cannot open", path, ec.message());
  }
  const std::uint64_t size = file.Size();
  if (size == 0) {
    // An empty file, or no regular file at all (a folder opens on some systems): a read tells.
    std::uint8_t byte = 0;
    std::size_t got = 0;
    if (const std::error_code ec = file.ReadAt(0, &byte, 1, &got)) {
      return Status::IoError("Cannot read", path, ec.message());
    }
  }
  file_ = std::move(file);
  records_ = size / kRecordSize;
  bytes_left_out_ = size % kRecordSize;
  return Status::Ok();
}

Status TraceRecording::ReadRecords(std::uint64_t first, std::size_t count, std::uint8_t* out) {
  const std::size_t bytes = count * kRecordSize;
  std::size_t got = 0;
  if (const std::error_code ec = file_.ReadAt(first * kRecordSize, out, bytes, &got)) {
    return Status::IoError("Cannot read", path_, ec.message());
  }
  if (got < bytes) {
    return Status::IoError("Cannot read", path_, kRecordingShorterReason);
  }
  return Status::Ok();
}

}  // namespace velbrix
