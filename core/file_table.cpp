// The table of numbered files and the whole-or-nothing commit of outputs.
#include "core/file_table.h"

#include <cassert>
#include <string>
#include <system_error>

namespace velbrix {
namespace {

// A name beside `final_path` that names nothing yet, ending in `tag` and, if needed, a counter.
std::filesystem::path FreeNameBeside(const std::filesystem::path& final_path, std::string_view tag,
                                     int attempt) {
  std::filesystem::path name = final_path;
  name += std::string(tag);
  if (attempt > 0) {
    name += std::to_string(attempt);
  }
  return name;
}

constexpr int kNameAttempts = 1000;

}  // namespace

FileTable::Slot& FileTable::At(int number) {
  assert(number >= kLowestNumber && number <= kHighestNumber);
  return slots_[static_cast<std::size_t>(number)];
}

const FileTable::Slot& FileTable::At(int number) const {
  assert(number >= kLowestNumber && number <= kHighestNumber);
  return slots_[static_cast<std::size_t>(number)];
}

int FileTable::LowestFreeNumber() const {
  for (int n = kLowestNumber; n <= kHighestNumber; ++n) {
    if (!At(n).file.is_open()) {
      return n;
    }
  }
  return 0;
}

Status FileTable::OpenForBinaryInput(int number, const std::filesystem::path& path) {
  Slot& slot = At(number);
  assert(!slot.file.is_open());
  if (const std::error_code ec = OsFile::OpenForReading(path, &slot.file)) {
    return Status::IoError("Cannot open", path, ec.message());
  }
  slot.is_output = false;
  slot.path = path;
  return Status::Ok();
}

Status FileTable::OpenForTextOutput(int number, const std::filesystem::path& path) {
  Slot& slot = At(number);
  assert(!slot.file.is_open());
  std::error_code ec;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::filesystem::path temp = FreeNameBeside(path, ".velbrix-tmp", attempt);
    ec = OsFile::CreateNew(temp, &slot.file);
    if (!ec) {
      slot.is_output = true;
      slot.path = path;
      outputs_.push_back({path, temp});
      return Status::Ok();
    }
    if (ec != std::errc::file_exists) {
      break;
    }
  }
  return Status::IoError("Cannot create", path, ec.message());
}

Status FileTable::Read(int number, std::span<std::uint8_t> buffer, std::size_t* got) {
  Slot& slot = At(number);
  if (const std::error_code ec = slot.file.Read(buffer.data(), buffer.size(), got)) {
    return Status::IoError("Cannot read", slot.path, ec.message());
  }
  return Status::Ok();
}

Status FileTable::Write(int number, std::string_view data) {
  Slot& slot = At(number);
  if (const std::error_code ec = slot.file.Write(data.data(), data.size())) {
    return Status::IoError("Cannot write to", slot.path, ec.message());
  }
  return Status::Ok();
}

Status FileTable::WriteAt(int number, std::uint64_t offset, std::string_view data) {
  Slot& slot = At(number);
  if (const std::error_code ec = slot.file.WriteAt(offset, data.data(), data.size())) {
    return Status::IoError("Cannot write to", slot.path, ec.message());
  }
  return Status::Ok();
}

std::uint64_t FileTable::Size(int number) const {
  return At(number).file.Size();
}

Status FileTable::CloseAll() {
  Status first = Status::Ok();
  for (int n = kLowestNumber; n <= kHighestNumber; ++n) {
    Slot& slot = At(n);
    if (!slot.file.is_open()) {
      continue;
    }
    const std::error_code ec = slot.file.Close();
    if (ec && slot.is_output && first.ok()) {
      first = Status::IoError("Cannot write to", slot.path, ec.message());
    }
  }
  return first;
}

Status FileTable::CommitOutputs() {
  // Step 1: move the files that the outputs replace aside, so that a failure can restore them.
  std::vector<std::filesystem::path> backups(outputs_.size());
  for (std::size_t i = 0; i < outputs_.size(); ++i) {
    const std::filesystem::path& final_path = outputs_[i].final_path;
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(final_path, ec);
    if (status.type() == std::filesystem::file_type::not_found) {
      continue;
    }
    if (std::filesystem::is_directory(status)) {
      return Restore(0, backups,
                     Status::IoError("Cannot replace", final_path,
                                     std::make_error_code(std::errc::is_a_directory).message()));
    }
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
      const std::filesystem::path backup = FreeNameBeside(final_path, ".velbrix-old", attempt);
      if (!std::filesystem::exists(std::filesystem::symlink_status(backup, ec))) {
        backups[i] = backup;
        break;
      }
    }
    if (backups[i].empty()) {
      return Restore(0, backups,
                     Status::IoError("Cannot replace", final_path,
                                     std::make_error_code(std::errc::file_exists).message()));
    }
    if ((ec = RenameFile(final_path, backups[i]))) {
      backups[i].clear();
      return Restore(0, backups, Status::IoError("Cannot replace", final_path, ec.message()));
    }
  }
  // Step 2: move every output into place.
  for (std::size_t i = 0; i < outputs_.size(); ++i) {
    if (const std::error_code ec = RenameFile(outputs_[i].temp_path, outputs_[i].final_path)) {
      return Restore(i, backups,
                     Status::IoError("Cannot create", outputs_[i].final_path, ec.message()));
    }
  }
  // Step 3: the replaced files are no longer needed.
  for (const std::filesystem::path& backup : backups) {
    if (!backup.empty()) {
      RemoveFile(backup);
    }
  }
  outputs_.clear();
  return Status::Ok();
}

Status FileTable::Restore(std::size_t moved, const std::vector<std::filesystem::path>& backups,
                          Status failure) {
  for (std::size_t i = 0; i < moved; ++i) {
    RenameFile(outputs_[i].final_path, outputs_[i].temp_path);
  }
  for (std::size_t i = 0; i < backups.size(); ++i) {
    if (!backups[i].empty()) {
      RenameFile(backups[i], outputs_[i].final_path);
    }
  }
  DiscardOutputs();
  return failure;
}

Status FileTable::EndRun(Status outcome) {
  if (outcome.ok()) {
    outcome = CloseAll();
  }
  if (outcome.ok()) {
    outcome = CommitOutputs();
  }
  if (!outcome.ok()) {
    DiscardOutputs();
  }
  return outcome;
}

void FileTable::DiscardOutputs() {
  for (int n = kLowestNumber; n <= kHighestNumber; ++n) {
    At(n).file.Close();
  }
  for (const Output& output : outputs_) {
    RemoveFile(output.temp_path);
  }
  outputs_.clear();
}

}  // namespace velbrix
