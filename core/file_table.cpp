// The table of numbered files and the whole-or-nothing commit of outputs.
#include "core/file_table.h"

#include <algorithm>
#include <cassert>
#include <string>
#include <system_error>

#include "core/output_commit.h"

namespace velbrix {
namespace {

// Attempts at a temporary's name that no file has yet.
constexpr int kNameAttempts = 100;

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
  const std::filesystem::path folder = CanonicalFolder(path.parent_path());
  // Under the folder's lock, so that no other run takes a new temporary for stale before it is
  // marked live.
  FolderLock lock;
  std::error_code ec = lock.Acquire(folder);
  if (ec) {
    return Status::IoError("Cannot create", path, ec.message());
  }
  if (std::none_of(outputs_.begin(), outputs_.end(),
                   [&](const Output& o) { return o.folder == folder; })) {
    RecoverFolder(folder);
  }
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    if (run_id_.empty() || attempt > 0) {
      run_id_ = NewRunId();
    }
    const std::filesystem::path temp = TemporaryName(path, run_id_);
    bool named = false;
    ec = OsFile::CreateTemporary(temp, temporaries_ == Temporaries::kUnnamedWherePossible,
                                 &slot.file, &named);
    if (!ec) {
      slot.is_output = true;
      slot.path = path;
      outputs_.push_back({number, path, temp, folder, named});
      return Status::Ok();
    }
    if (ec != std::errc::file_exists) {
      break;
    }
  }
  return Status::IoError("Cannot create", path, ec.message());
}

Status FileTable::OpenInputOnFreeNumber(const std::filesystem::path& path, int* number) {
  *number = LowestFreeNumber();
  if (*number == 0) {
    return Status::IoError("Cannot open", path, "too many files are open");
  }
  return OpenForBinaryInput(*number, path);
}

Status FileTable::OpenOutputOnFreeNumber(const std::filesystem::path& path, int* number) {
  *number = LowestFreeNumber();
  if (*number == 0) {
    return Status::IoError("Cannot create", path, "too many files are open");
  }
  return OpenForTextOutput(*number, path);
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

void FileTable::CloseInputs() {
  for (int n = kLowestNumber; n <= kHighestNumber; ++n) {
    Slot& slot = At(n);
    if (slot.file.is_open() && !slot.is_output) {
      (void)slot.file.Close();
    }
  }
}

Status FileTable::CommitOutputs() {
  if (outputs_.empty()) {
    return Status::Ok();
  }
  // Every folder's lock, taken in one order by every run, so that two runs cannot each wait for
  // the other's.
  std::vector<const Output*> by_folder;  // the first output in each folder, by folder
  for (const Output& output : outputs_) {
    if (std::none_of(by_folder.begin(), by_folder.end(),
                     [&](const Output* o) { return o->folder == output.folder; })) {
      by_folder.push_back(&output);
    }
  }
  std::sort(by_folder.begin(), by_folder.end(),
            [](const Output* a, const Output* b) { return a->folder < b->folder; });
  std::vector<FolderLock> locks(by_folder.size());
  for (std::size_t i = 0; i < by_folder.size(); ++i) {
    if (const std::error_code ec = locks[i].Acquire(by_folder[i]->folder)) {
      return Status::IoError("Cannot create", by_folder[i]->final_path, ec.message());
    }
    // Another run may have been killed in its commit since this one began.
    RecoverFolder(by_folder[i]->folder);
  }
  std::vector<CommitEntry> entries;
  for (Output& output : outputs_) {
    OsFile& file = At(output.number).file;
    if (!output.named) {
      if (const std::error_code ec = file.Name(output.temp_path)) {
        return Status::IoError("Cannot create", output.final_path, ec.message());
      }
      output.named = true;
    }
    if (const std::error_code ec = file.Close()) {
      return Status::IoError("Cannot write to", output.final_path, ec.message());
    }
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(output.final_path, ec);
    if (std::filesystem::is_directory(status)) {
      return Status::IoError("Cannot replace", output.final_path,
                             std::make_error_code(std::errc::is_a_directory).message());
    }
    entries.push_back({output.temp_path, output.final_path, KeptName(output.final_path, run_id_),
                       status.type() != std::filesystem::file_type::not_found});
  }
  std::size_t failed = 0;
  if (const std::error_code ec = CommitEntries(entries, &failed)) {
    const CommitEntry& entry = entries[failed];
    return Status::IoError(entry.replaces ? "Cannot replace" : "Cannot create", entry.final_path,
                           ec.message());
  }
  outputs_.clear();
  run_id_.clear();
  return Status::Ok();
}

Status FileTable::EndRun(Status outcome) {
  CloseInputs();
  if (outcome.ok()) {
    outcome = CommitOutputs();
  }
  if (!outcome.ok()) {
    DiscardOutputs();
  }
  return outcome;
}

void FileTable::DiscardOutputs() {
  std::vector<OsFile> files;
  std::vector<std::filesystem::path> names;
  for (const Output& output : outputs_) {
    files.push_back(std::move(At(output.number).file));
    if (output.named) {
      names.push_back(output.temp_path);  // an unnamed one is gone with its closing
    }
  }
  DiscardTemporaries(std::move(files), names);
  for (int n = kLowestNumber; n <= kHighestNumber; ++n) {
    (void)At(n).file.Close();
  }
  outputs_.clear();
  run_id_.clear();
}

}  // namespace velbrix
