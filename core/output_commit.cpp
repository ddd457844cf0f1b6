// The journaled commit of a run's outputs, and the recovery of a folder after a killed run.
#include "core/output_commit.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <random>
#include <string_view>

#include "core/os_file.h"

namespace velbrix {
namespace {

using Path = std::filesystem::path;

// The journal of a commit that goes forward, and the same journal once its commit is being undone.
constexpr char kJournalName[] = ".velbrix-journal";
constexpr char kUndoName[] = ".velbrix-undo";
// A temporary's and a kept file's name: the final name, the tag, "-" and the run's id. Earlier
// versions of the program named them with the tag alone or the tag and a counter.
constexpr std::string_view kTempTag = ".velbrix-tmp";
constexpr std::string_view kKeptTag = ".velbrix-old";
constexpr std::size_t kRunIdDigits = 16;
constexpr std::string_view kHeader = "velbrix-journal 1 ";
constexpr std::string_view kTrailer = "end\n";
// Far more than 255 outputs with the longest names need.
constexpr std::uint64_t kLargestJournal = 1 << 24;

Path FolderPath(const Path& folder) {
  return folder.empty() ? Path(".") : folder;
}

Path UndoPath(const Path& folder) {
  return FolderPath(folder) / kUndoName;
}

// Whether anything has the name `path`; when that cannot be told, as if it had.
bool Exists(const Path& path) {
  std::error_code ec;
  return std::filesystem::symlink_status(path, ec).type() != std::filesystem::file_type::not_found;
}

bool IsHex(std::uint32_t c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

// The length of `name` before `tag` when the name ends in the tag and, after it, nothing, decimal
// digits, or "-" and a run's id; npos otherwise.
template <typename Char>
std::size_t TagStart(const std::basic_string<Char>& name, std::string_view tag) {
  const std::basic_string<Char> wide_tag(tag.begin(), tag.end());
  const std::size_t at = name.rfind(wide_tag);
  if (at == std::basic_string<Char>::npos || at == 0) {
    return std::basic_string<Char>::npos;
  }
  const std::basic_string<Char> rest = name.substr(at + tag.size());
  bool digits = true;
  bool run_id = rest.size() == kRunIdDigits + 1 && rest[0] == '-';
  for (std::size_t i = 0; i < rest.size(); ++i) {
    const auto c = static_cast<std::uint32_t>(rest[i]);
    digits = digits && c >= '0' && c <= '9';
    run_id = run_id && (i == 0 || IsHex(c));
  }
  return digits || run_id ? at : std::basic_string<Char>::npos;
}

void AppendName(std::string* text, const Path& leaf) {
  const Path::string_type& units = leaf.native();
  *text += std::to_string(units.size());
  *text += ':';
  text->append(reinterpret_cast<const char*>(units.data()), units.size() * sizeof(units[0]));
}

// Reads journal text: a header, entries, a trailer. Anything else, also a journal cut short by a
// kill while it was written (when no rename had begun), gives nothing.
class JournalReader {
 public:
  JournalReader(std::string_view text, const Path& folder) : text_(text), folder_(folder) {}

  std::optional<std::vector<CommitEntry>> Entries() {
    std::string header(kHeader);
    header += static_cast<char>('0' + sizeof(Path::value_type));
    header += '\n';
    if (!Take(header)) {
      return std::nullopt;
    }
    std::vector<CommitEntry> entries;
    while (!Take(kTrailer)) {
      CommitEntry entry;
      if (!Take("E") || text_.empty() || (text_[0] != '0' && text_[0] != '1')) {
        return std::nullopt;
      }
      entry.replaces = text_[0] == '1';
      text_.remove_prefix(1);
      if (!Name(&entry.temp) || !Name(&entry.final_path) || !Name(&entry.kept)) {
        return std::nullopt;
      }
      entries.push_back(std::move(entry));
    }
    if (!text_.empty()) {
      return std::nullopt;
    }
    return entries;
  }

 private:
  bool Take(std::string_view expected) {
    if (text_.substr(0, expected.size()) != expected) {
      return false;
    }
    text_.remove_prefix(expected.size());
    return true;
  }
  // A file name of the folder, and nothing else: never a path that leads elsewhere.
  bool Name(Path* path) {
    std::size_t units = 0;
    std::size_t i = 0;
    for (; i < text_.size() && i < 6 && text_[i] >= '0' && text_[i] <= '9'; ++i) {
      units = units * 10 + static_cast<std::size_t>(text_[i] - '0');
    }
    const std::size_t bytes = units * sizeof(Path::value_type);
    if (i == 0 || i >= text_.size() || text_[i] != ':' || text_.size() - i - 1 < bytes) {
      return false;
    }
    Path::string_type name(units, Path::value_type());
    text_.copy(reinterpret_cast<char*>(name.data()), bytes, i + 1);
    text_.remove_prefix(i + 1 + bytes);
    const Path leaf(name);
    if (leaf.empty() || leaf != leaf.filename() || leaf == "." || leaf == "..") {
      return false;
    }
    *path = folder_ / leaf;
    return true;
  }

  std::string_view text_;
  Path folder_;
};

std::optional<std::vector<CommitEntry>> ReadJournal(const Path& journal, const Path& folder) {
  OsFile file;
  if (OsFile::OpenForReading(journal, &file)) {
    return std::nullopt;
  }
  const std::uint64_t size = file.Size();
  if (size > kLargestJournal) {
    return std::nullopt;
  }
  std::string text(static_cast<std::size_t>(size), '\0');
  std::size_t got = 0;
  if (file.Read(text.data(), text.size(), &got) || got != text.size()) {
    return std::nullopt;
  }
  return JournalReader(text, FolderPath(folder)).Entries();
}

bool SameFile(const Path& a, const Path& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

// Whether the final name holds the entry's new file: its temporary has gone, or now names the file
// it was exchanged with, which is the kept one.
bool Moved(const CommitEntry& entry) {
  return !Exists(entry.temp) || (entry.replaces && SameFile(entry.temp, entry.kept));
}

// Moves the entry's temporary to its final name. Where the final name holds the kept file, the two
// are exchanged, which never leaves the name empty and, unlike a rename over an existing file,
// does not make ext4 write the new file out there and then.
std::error_code Move(const CommitEntry& entry) {
  if (entry.replaces && SameFile(entry.final_path, entry.kept)) {
    const std::error_code ec = ExchangeFiles(entry.temp, entry.final_path);
    if (ec != std::errc::function_not_supported) {
      return ec;
    }
  }
  return RenameFile(entry.temp, entry.final_path);
}

// Removes the names that a finished commit no longer needs: exchanged temporaries (which hold the
// replaced files) first, then the kept files, so that an entry never looks unmoved meanwhile. The
// replaced files are freed in the background where the system allows it.
void DropKept(const std::vector<CommitEntry>& entries) {
  std::vector<OsFile> files;
  std::vector<Path> names;
  for (const CommitEntry& entry : entries) {
    if (entry.replaces && Exists(entry.temp)) {
      names.push_back(entry.temp);
    }
  }
  for (const CommitEntry& entry : entries) {
    OsFile file;
    if (entry.replaces && !OsFile::OpenForReading(entry.kept, &file)) {
      files.push_back(std::move(file));
      names.push_back(entry.kept);
    }
  }
  DiscardTemporaries(std::move(files), names);
}

// Puts back what a commit changed: each final name gets the file it had before (or none), and the
// temporaries are removed. Works from whatever point the commit (or an earlier undo) reached.
void Undo(const std::vector<CommitEntry>& entries) {
  for (const CommitEntry& entry : entries) {
    if (Moved(entry)) {
      if (Exists(entry.kept)) {
        (void)RenameFile(entry.kept, entry.final_path);
      } else if (!entry.replaces) {
        (void)RemoveFile(entry.final_path);
      }
    } else if (Exists(entry.kept)) {
      (void)(Exists(entry.final_path) ? RemoveFile(entry.kept)
                                      : RenameFile(entry.kept, entry.final_path));
    }
    if (Exists(entry.temp)) {
      (void)RemoveFile(entry.temp);
    }
  }
}

// Moves the temporaries that are not in place yet into place, then drops the kept files.
std::error_code Complete(const std::vector<CommitEntry>& entries, std::size_t* failed) {
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (Moved(entries[i])) {
      continue;
    }
    if (const std::error_code ec = Move(entries[i])) {
      *failed = i;
      return ec;
    }
  }
  DropKept(entries);
  return {};
}

// Undoes the commit of `journal`, first marking it as being undone, so that a kill meanwhile does
// not have the next run complete what is half undone.
void UndoJournal(const Path& folder, const std::vector<CommitEntry>& entries) {
  (void)RenameFile(JournalPath(folder), UndoPath(folder));
  Undo(entries);
  (void)RemoveFile(UndoPath(folder));
  (void)RemoveFile(JournalPath(folder));
}

// Removes the temporaries of runs that are not live any more, and puts kept files back where their
// final name is missing (a run of an earlier version was killed half-way through its commit).
void RemoveLeftovers(const Path& folder) {
  std::vector<Path> temps;
  std::vector<std::pair<Path, Path>> kept;  // the kept file, its final name
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator(FolderPath(folder), ec);
       !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    const Path::string_type name = it->path().filename().native();
    if (TagStart(name, kTempTag) != Path::string_type::npos) {
      temps.push_back(it->path());
    } else if (const std::size_t at = TagStart(name, kKeptTag); at != Path::string_type::npos) {
      kept.emplace_back(it->path(), it->path().parent_path() / Path(name.substr(0, at)));
    }
  }
  for (const Path& temp : temps) {
    RemoveIfStale(temp);
  }
  for (const auto& [file, final_path] : kept) {
    (void)(Exists(final_path) ? RemoveFile(file) : RenameFile(file, final_path));
  }
}

}  // namespace

std::filesystem::path CanonicalFolder(const std::filesystem::path& folder) {
  std::error_code ec;
  Path canonical = std::filesystem::weakly_canonical(FolderPath(folder), ec);
  return ec ? folder : canonical;
}

std::string NewRunId() {
  static std::atomic<std::uint64_t> counter{0};
  std::uint64_t value =
      static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
  value ^= (counter.fetch_add(1) + 1) * 0x9E3779B97F4A7C15u;
  try {
    std::random_device device;
    value ^= (std::uint64_t{device()} << 32) ^ device();
  } catch (const std::exception&) {
    // No source of randomness: the clock and the counter still differ from run to run.
  }
  char text[kRunIdDigits + 1];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
  return text;
}

std::filesystem::path TemporaryName(const std::filesystem::path& final_path,
                                    const std::string& run_id) {
  Path name = final_path;
  name += std::string(kTempTag) + "-" + run_id;
  return name;
}

std::filesystem::path KeptName(const std::filesystem::path& final_path, const std::string& run_id) {
  Path name = final_path;
  name += std::string(kKeptTag) + "-" + run_id;
  return name;
}

std::filesystem::path JournalPath(const std::filesystem::path& folder) {
  return FolderPath(folder) / kJournalName;
}

std::error_code WriteJournal(const std::filesystem::path& folder,
                             const std::vector<CommitEntry>& entries) {
  std::string text(kHeader);
  text += static_cast<char>('0' + sizeof(Path::value_type));
  text += '\n';
  for (const CommitEntry& entry : entries) {
    text += entry.replaces ? "E1" : "E0";
    AppendName(&text, entry.temp.filename());
    AppendName(&text, entry.final_path.filename());
    AppendName(&text, entry.kept.filename());
  }
  text += kTrailer;
  OsFile file;
  if (const std::error_code ec = OsFile::CreateNew(JournalPath(folder), &file)) {
    return ec;
  }
  if (const std::error_code ec = file.Write(text.data(), text.size())) {
    return ec;
  }
  return file.Close();
}

std::error_code CommitEntries(const std::vector<CommitEntry>& entries, std::size_t* failed) {
  *failed = 0;
  std::vector<Path> folders;
  for (const CommitEntry& entry : entries) {
    const Path folder = CanonicalFolder(entry.final_path.parent_path());
    if (std::find(folders.begin(), folders.end(), folder) == folders.end()) {
      folders.push_back(folder);
    }
  }
  const auto remove_journals = [&] {
    for (const Path& folder : folders) {
      (void)RemoveFile(JournalPath(folder));
    }
  };
  for (const Path& folder : folders) {
    std::vector<CommitEntry> in_folder;
    for (const CommitEntry& entry : entries) {
      if (CanonicalFolder(entry.final_path.parent_path()) == folder) {
        in_folder.push_back(entry);
      }
    }
    if (const std::error_code ec = WriteJournal(folder, in_folder)) {
      remove_journals();
      Undo(entries);
      return ec;
    }
  }
  const auto fail = [&](std::size_t i, std::error_code ec) {
    *failed = i;
    for (const Path& folder : folders) {
      (void)RenameFile(JournalPath(folder), UndoPath(folder));
    }
    Undo(entries);
    for (const Path& folder : folders) {
      (void)RemoveFile(UndoPath(folder));
    }
    remove_journals();
    return ec;
  };
  // Keep the files that will be replaced: a second name where the file system allows it, so that
  // the final name stays; otherwise moved aside until their replacement is in place.
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const CommitEntry& entry = entries[i];
    if (entry.replaces && LinkFile(entry.final_path, entry.kept)) {
      if (const std::error_code ec = RenameFile(entry.final_path, entry.kept)) {
        return fail(i, ec);
      }
    }
  }
  if (const std::error_code ec = Complete(entries, failed)) {
    return fail(*failed, ec);
  }
  remove_journals();
  return {};
}

void RecoverFolder(const std::filesystem::path& folder) {
  if (Exists(UndoPath(folder))) {
    if (const auto entries = ReadJournal(UndoPath(folder), folder)) {
      Undo(*entries);
    }
    (void)RemoveFile(UndoPath(folder));
  }
  if (Exists(JournalPath(folder))) {
    if (const auto entries = ReadJournal(JournalPath(folder), folder)) {
      std::size_t failed = 0;
      if (Complete(*entries, &failed)) {
        UndoJournal(folder, *entries);
      }
    }
    (void)RemoveFile(JournalPath(folder));
  }
  RemoveLeftovers(folder);
}

}  // namespace velbrix
