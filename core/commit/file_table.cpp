// The table of numbered files and the whole-or-nothing commit of outputs.
#include "core/commit/file_table.h"

#include <algorithm>
#include <cassert>
#include <string>
#include <system_error>

#include "core/commit/output_commit.h"

namespace velbrix {
namespace {

namespace fs = std::filesystem;

fs::path FolderPath(const fs::path& folder) {
  return folder.empty() ? fs::path(".") : folder;
}

// `path` relative to `root`, or nothing where it is not below it.
std::optional<fs::path> Below(const fs::path& root, const fs::path& path) {
  const fs::path relative =
      path.lexically_normal().lexically_relative(FolderPath(root).lexically_normal());
  if (relative.empty() || relative.has_root_path()) {
    return std::nullopt;
  }
  for (const fs::path& part : relative) {
    if (part.empty() || part == "." || part == "..") {
      return std::nullopt;
    }
  }
  return relative;
}

}  // namespace

Status CheckOutputName(const std::filesystem::path& path) {
  const std::size_t length = path.filename().native().size();
  const std::size_t limit = NameLimit(FolderPath(path.parent_path()));
  if (length <= limit) {
    return Status::Ok();
  }
  return Status::InvalidArgument("The file name of " + PathForDisplay(path) +
                                 " is too long: " + std::to_string(length) +
                                 " characters, where its folder takes " + std::to_string(limit));
}

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

std::error_code FileTable::CreateRoot(fs::path* failed) {
  std::vector<fs::path> missing;
  for (fs::path p = FolderPath(root_); FileKindOf(p) == FileKind::kMissing; p = p.parent_path()) {
    missing.push_back(p);
    if (p == p.parent_path() || !p.has_parent_path()) {
      break;
    }
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    const std::error_code ec = CreateFolder(*it, false);
    if (ec && ec != std::errc::file_exists) {
      *failed = *it;
      return ec;
    }
    if (!ec) {
      created_root_.push_back(*it);
    }
  }
  return {};
}

void FileTable::RemoveCreatedRoot() {
  // Only empty folders go: another run's lock or files keep them, and a run that finds them gone
  // before its own files are there creates them again (Lock).
  for (auto it = created_root_.rbegin(); it != created_root_.rend(); ++it) {
    (void)RemoveEmptyFolder(*it);
  }
  created_root_.clear();
}

Status FileTable::Lock(FolderLock* lock, const std::filesystem::path& output) {
  // Another run that created the root may remove it when it fails, until this run's files are
  // there: it is created again as often as that happens.
  constexpr int kAttempts = 100;
  std::error_code ec;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    if (create_root_) {
      fs::path folder;
      if (const std::error_code created = CreateRoot(&folder)) {
        // A missing parent: another run removed one that it had created.
        if (created == std::errc::no_such_file_or_directory && attempt + 1 < kAttempts) {
          continue;
        }
        return Status::IoError("Cannot create", folder, created.message());
      }
    }
    ec = lock->Acquire(root_, lock_wait_, stop_);
    if (ec != std::errc::no_such_file_or_directory || !create_root_) {
      break;
    }
  }
  if (!ec) {
    return Status::Ok();
  }
  // A missing folder is the output's failure; one that may not be written into is the folder's;
  // anything else is the lock file's.
  if (ec == std::errc::no_such_file_or_directory) {
    return Status::IoError("Cannot create", output, ec.message());
  }
  if (ec == std::errc::operation_canceled) {
    return Status::Stopped(output);
  }
  if ((ec == std::errc::permission_denied || ec == std::errc::read_only_file_system) &&
      FileKindOf(lock->path()) == FileKind::kMissing) {
    return Status::IoError("Cannot write into", FolderPath(root_), ec.message());
  }
  return Status::IoError("Cannot use", lock->path(), ec.message());
}

void FileTable::Recover() {
  for (LeftAlone& left : RecoverFolder(root_)) {
    const auto same = [&](const LeftAlone& l) { return l.path == left.path; };
    if (std::none_of(left_alone_.begin(), left_alone_.end(), same)) {
      left_alone_.push_back(std::move(left));
    }
  }
}

std::vector<std::string> FileTable::LeftAloneNotes() const {
  std::vector<std::string> notes;
  for (const LeftAlone& left : left_alone_) {
    notes.push_back("left alone " + PathForDisplay(left.path) + ": " + left.reason);
  }
  return notes;
}

std::vector<std::string> FileTable::TakeLeftAloneNotes() {
  std::vector<std::string> notes = LeftAloneNotes();
  left_alone_.clear();
  return notes;
}

Status FileTable::OpenForTextOutput(int number, const std::filesystem::path& path) {
  Slot& slot = At(number);
  assert(!slot.file.is_open());
  if (outputs_.empty() && !staging_.exists() && !root_given_) {
    root_ = path.parent_path();
  }
  const std::optional<fs::path> name = Below(root_, path);
  if (!name) {
    return Status::IoError("Cannot create", path,
                           "it is outside the folder " + PathForDisplay(FolderPath(root_)) +
                               " of the run's other outputs");
  }
  if (Status s = CheckOutputName(path); !s.ok()) {
    return Status::IoError("Cannot create", path, s.message());
  }
  if (!staging_.exists()) {
    // Under the root's lock, so that no other run takes this run's new files for a dead run's.
    FolderLock lock;
    if (!locked_) {
      if (Status s = Lock(&lock, path); !s.ok()) {
        return s;
      }
      Recover();
    }
    if (const std::error_code ec = CreateStaging(root_, &staging_)) {
      return Status::IoError("Cannot create", path, ec.message());
    }
  }
  const fs::path temp = staging_.Temporary(outputs_.size());
  bool named = false;
  if (const std::error_code ec = OsFile::CreateTemporary(
          temp, temporaries_ == Temporaries::kUnnamedWherePossible, &slot.file, &named)) {
    return Status::IoError("Cannot create", path, ec.message());
  }
  slot.is_output = true;
  slot.path = path;
  outputs_.push_back({number, path, *name, temp, named});
  // A failure here fails the run, which discards the temporary with the others.
  if (const std::error_code ec = slot.file.NarrowPermissionsTo(path)) {
    return Status::IoError("Cannot create", path, ec.message());
  }
  return Status::Ok();
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

void FileTable::RemoveAtCommit(const std::filesystem::path& path) {
  removals_.push_back(path);
}

Status FileTable::EditTextFile(const std::filesystem::path& path, const TextEdit& edit) {
  std::optional<std::string> text;
  OsFile file;
  // Another user of a shared folder may have put a link or a pipe there: neither is followed, and
  // nothing waits.
  if (const std::error_code ec = OsFile::OpenRegularFileForReading(path, &file)) {
    if (ec != std::errc::no_such_file_or_directory) {
      return Status::IoError("Cannot open", path, ec.message());
    }
  } else {
    text.emplace();
    char buffer[64 * 1024];
    for (;;) {
      std::size_t got = 0;
      if (const std::error_code read = file.Read(buffer, sizeof buffer, &got)) {
        return Status::IoError("Cannot read", path, read.message());
      }
      text->append(buffer, got);
      if (got < sizeof buffer) {
        break;
      }
    }
  }
  std::optional<std::string> edited;
  if (Status s = edit(text, &edited); !s.ok() || !edited) {
    return s;
  }
  int number = 0;
  if (Status s = OpenOutputOnFreeNumber(path, &number); !s.ok()) {
    return s;
  }
  return Write(number, *edited);
}

Status FileTable::Plan(CommitPlan* plan, std::vector<fs::path>* finals) {
  const auto add_folders = [&](const fs::path& name) {
    fs::path folder;
    for (const fs::path& part : name.parent_path()) {
      folder /= part;
      if (FileKindOf(FolderPath(root_) / folder) == FileKind::kMissing &&
          std::find(plan->new_folders.begin(), plan->new_folders.end(), folder) ==
              plan->new_folders.end()) {
        plan->new_folders.push_back(folder);
      }
    }
  };
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
    const FileKind kind = FileKindOf(output.final_path);
    if (kind == FileKind::kOwnFolder || kind == FileKind::kOtherFolder) {
      return Status::IoError("Cannot replace", output.final_path,
                             std::make_error_code(std::errc::is_a_directory).message());
    }
    add_folders(output.name);
    plan->entries.push_back({output.name, kind == FileKind::kMissing
                                              ? CommitEntry::Action::kCreate
                                              : CommitEntry::Action::kReplace});
    finals->push_back(output.final_path);
  }
  for (const fs::path& path : removals_) {
    const std::optional<fs::path> name = Below(root_, path);
    const FileKind kind = FileKindOf(path);
    if (!name || kind == FileKind::kOwnFolder || kind == FileKind::kOtherFolder) {
      return Status::IoError("Cannot remove", path,
                             std::make_error_code(std::errc::is_a_directory).message());
    }
    if (kind != FileKind::kMissing) {
      plan->entries.push_back({*name, CommitEntry::Action::kRemove});
      finals->push_back(path);
    }
  }
  return Status::Ok();
}

Status FileTable::CommitOutputs(const CommitStep& step) {
  if (outputs_.empty() && !step) {
    return Status::Ok();
  }
  FolderLock lock;
  if (Status s = Lock(&lock, outputs_.empty() ? FolderPath(root_) : outputs_[0].final_path);
      !s.ok()) {
    return s;
  }
  // Another run may have been killed in its commit since this one began.
  Recover();
  if (step) {
    locked_ = true;
    Status s = step(*this);
    locked_ = false;
    if (!s.ok()) {
      return s;
    }
  }
  if (outputs_.empty() && removals_.empty()) {
    return Status::Ok();
  }
  CommitPlan plan;
  std::vector<fs::path> finals;
  if (Status s = Plan(&plan, &finals); !s.ok()) {
    return s;
  }
  std::size_t failed = 0;
  if (const std::error_code ec = Commit(staging_, plan, &failed)) {
    const CommitEntry& entry = plan.entries[failed];
    return Status::IoError(entry.action == CommitEntry::Action::kCreate    ? "Cannot create"
                           : entry.action == CommitEntry::Action::kReplace ? "Cannot replace"
                                                                           : "Cannot remove",
                           finals[failed], ec.message());
  }
  RemoveStaging(&staging_);
  outputs_.clear();
  removals_.clear();
  created_root_.clear();
  return Status::Ok();
}

Status FileTable::EndRun(Status outcome, const CommitStep& step) {
  CloseInputs();
  if (outcome.ok()) {
    outcome = CommitOutputs(step);
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
  RemoveStaging(&staging_);
  RemoveCreatedRoot();
  for (int n = kLowestNumber; n <= kHighestNumber; ++n) {
    (void)At(n).file.Close();
  }
  outputs_.clear();
  removals_.clear();
}

}  // namespace velbrix
