// The staged, journaled commit of a run's outputs, and the recovery of a root after killed runs.
#include "core/commit/output_commit.h"

#include "core/commit/commit_journal.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <random>
#include <string_view>

namespace velbrix {
namespace {

using Path = std::filesystem::path;
using Action = CommitEntry::Action;

// A run's file's name: the prefix, the run's id, "." and what the file is.
constexpr std::string_view kRunPrefix = ".velbrix-";
constexpr std::size_t kRunIdDigits = 16;
constexpr char kLiveName[] = "live";
constexpr char kJournalName[] = "journal";
constexpr char kUndoName[] = "undo";
// Attempts at a run id that no file has yet.
constexpr int kNameAttempts = 100;

Path FolderPath(const Path& folder) {
  return folder.empty() ? Path(".") : folder;
}

bool Exists(const Path& path) {
  return FileKindOf(path) != FileKind::kMissing;
}

bool IsHex(std::uint32_t c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

// The run id of a run's file's name, ".velbrix-<16 hex digits>.<what>" where what is live,
// journal, undo, or t or k and an index; nothing for any other name.
std::optional<std::string> RunIdOf(const Path& leaf) {
  const Path::string_type& name = leaf.native();
  const std::size_t dot = kRunPrefix.size() + kRunIdDigits;
  if (name.size() < dot + 2 || name[dot] != '.') {
    return std::nullopt;
  }
  std::string id;
  for (std::size_t i = 0; i < dot; ++i) {
    const auto c = static_cast<std::uint32_t>(name[i]);
    if (i < kRunPrefix.size() ? c != static_cast<unsigned char>(kRunPrefix[i]) : !IsHex(c)) {
      return std::nullopt;
    }
    if (i >= kRunPrefix.size()) {
      id += static_cast<char>(c);
    }
  }
  std::string what;
  for (std::size_t i = dot + 1; i < name.size(); ++i) {
    const auto c = static_cast<std::uint32_t>(name[i]);
    if (c > 127) {
      return std::nullopt;
    }
    what += static_cast<char>(c);
  }
  bool indexed = (what[0] == 't' || what[0] == 'k') && what.size() > 1 && what.size() < 8;
  for (std::size_t i = 1; indexed && i < what.size(); ++i) {
    indexed = what[i] >= '0' && what[i] <= '9';
  }
  if (!indexed && what != kLiveName && what != kJournalName && what != kUndoName) {
    return std::nullopt;
  }
  return id;
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

// The plan of the journal `journal` of run `run_id` and its form, if it is the user's own regular
// file with no other name; otherwise the reason, and `*form` is kOther.
std::error_code ReadJournal(const Path& journal, const std::string& run_id, CommitPlan* plan,
                            JournalForm* form) {
  *form = JournalForm::kOther;
  OsFile file;
  if (const std::error_code ec = OsFile::OpenOwnFileForReading(journal, &file)) {
    return ec;
  }
  const std::uint64_t size = file.Size();
  if (size > kLargestJournal) {
    return {};
  }
  std::string text(static_cast<std::size_t>(size), '\0');
  std::size_t got = 0;
  if (const std::error_code ec = file.Read(text.data(), text.size(), &got)) {
    return ec;
  }
  *form = ParseJournal(std::string_view(text).substr(0, got), run_id, plan);
  return {};
}

void Note(std::vector<LeftAlone>* left, const Path& path, std::string reason) {
  if (left != nullptr) {
    left->push_back({path, std::move(reason)});
  }
}

// One commit's files: the root, the run's id, the plan. A live run's commit knows which names it
// made itself; a recovery (`left` given) acts only on what is provably the user's own, and tells
// in `left` what it left alone.
class Transaction {
 public:
  Transaction(const Path& root, const std::string& run_id, const CommitPlan& plan,
              std::vector<LeftAlone>* left = nullptr)
      : root_(FolderPath(root)),
        run_id_(run_id),
        plan_(plan),
        recovering_(left != nullptr),
        left_(left),
        kept_(plan.entries.size(), false) {}

  Path Final(std::size_t i) const { return root_ / plan_.entries[i].name; }
  Path Temp(std::size_t i) const { return RunFile(root_, run_id_, "t" + std::to_string(i)); }
  Path Kept(std::size_t i) const { return RunFile(root_, run_id_, "k" + std::to_string(i)); }
  Path Journal() const { return RunFile(root_, run_id_, kJournalName); }
  Path UndoJournal() const { return RunFile(root_, run_id_, kUndoName); }
  Action ActionOf(std::size_t i) const { return plan_.entries[i].action; }

  // Keeps the files that will be replaced or removed: a second name where the file system allows
  // it, so that a replaced name stays; otherwise moved aside until their replacement is in place.
  // A kept name that something already holds fails the commit: nothing is moved over it.
  std::error_code Keep(std::size_t* failed) {
    for (std::size_t i = 0; i < plan_.entries.size(); ++i) {
      const Action action = ActionOf(i);
      if (action == Action::kCreate) {
        continue;
      }
      *failed = i;
      if (action == Action::kReplace) {
        const std::error_code linked = LinkFile(Final(i), Kept(i));
        if (!linked) {
          kept_[i] = true;
          continue;
        }
        if (linked == std::errc::file_exists) {
          return linked;
        }
      } else if (!Exists(Final(i))) {
        continue;
      }
      if (Exists(Kept(i))) {
        return std::make_error_code(std::errc::file_exists);
      }
      if (const std::error_code ec = RenameFile(Final(i), Kept(i))) {
        return ec;
      }
      kept_[i] = true;
    }
    return {};
  }

  // Creates the new folders, moves the temporaries that are not in place yet into place and sets
  // removed files aside, then drops the kept files.
  std::error_code Complete(std::size_t* failed) {
    for (const Path& folder : plan_.new_folders) {
      if (!OnRealFolders(folder)) {
        *failed = 0;
        return MakeErrorCode(FileError::kNotRegularFile);
      }
      if (FileKindOf(root_ / folder) == FileKind::kMissing) {
        if (const std::error_code ec = CreateFolder(root_ / folder, false)) {
          *failed = 0;
          return ec;
        }
        created_.push_back(folder);
      }
    }
    for (std::size_t i = 0; i < plan_.entries.size(); ++i) {
      *failed = i;
      if (!OnRealFolders(plan_.entries[i].name.parent_path())) {
        return MakeErrorCode(FileError::kNotRegularFile);
      }
      const FileKind now = FileKindOf(Final(i));
      if (now == FileKind::kOwnFolder || now == FileKind::kOtherFolder) {
        return std::make_error_code(std::errc::is_a_directory);
      }
      if (ActionOf(i) == Action::kRemove) {
        if (now != FileKind::kMissing && !Exists(Kept(i))) {
          if (const std::error_code ec = RenameFile(Final(i), Kept(i))) {
            return ec;
          }
          kept_[i] = true;
        }
        continue;
      }
      if (Moved(i)) {
        continue;
      }
      if (const std::error_code ec = Move(i)) {
        return ec;
      }
    }
    DropKept();
    return {};
  }

  // Puts back what the commit changed: each final name gets the file it had before (or none),
  // the temporaries go, and so do the folders that the commit created where they are empty.
  // Works from whatever point the commit (or an earlier undo) reached.
  void Undo() {
    for (std::size_t i = plan_.entries.size(); i-- > 0;) {
      const bool kept = Exists(Kept(i)) && (kept_[i] || recovering_);
      if (ActionOf(i) == Action::kRemove) {
        if (kept && !Exists(Final(i))) {
          (void)RenameFile(Kept(i), Final(i));
        }
      } else if (Moved(i)) {
        if (kept) {
          (void)RenameFile(Kept(i), Final(i));
        } else if (ActionOf(i) == Action::kCreate && FileKindOf(Final(i)) == FileKind::kOwnFile) {
          (void)RemoveFile(Final(i));
        }
      } else if (kept && !Exists(Final(i))) {
        (void)RenameFile(Kept(i), Final(i));
      }
    }
    // A live commit removes the folders it created; a recovery those of the journal that are the
    // user's (whatever the umask made their permissions). Only empty ones go.
    const std::vector<Path>& folders = recovering_ ? plan_.new_folders : created_;
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
      if (IsOwnFolderOfAnyMode(root_ / *it)) {
        (void)RemoveEmptyFolder(root_ / *it);
      }
    }
  }

 private:
  // Whether every folder from the root down to `folder` (relative) is a real folder or missing:
  // never a link that leads elsewhere.
  bool OnRealFolders(const Path& folder) const {
    Path at = root_;
    for (const Path& part : folder) {
      at /= part;
      const FileKind kind = FileKindOf(at);
      if (kind != FileKind::kOwnFolder && kind != FileKind::kOtherFolder &&
          kind != FileKind::kMissing) {
        return false;
      }
    }
    return true;
  }
  // Whether the final name holds the entry's new file: the run's temporary has gone (what has its
  // name now, if anything, is not the run's: another user's file, a link), or now names the file
  // it was exchanged with, which is the kept one.
  bool Moved(std::size_t i) const {
    return FileKindOf(Temp(i)) != FileKind::kOwnFile ||
           (ActionOf(i) == Action::kReplace && SameFile(Temp(i), Kept(i)));
  }
  // Moves the temporary, which must be the user's own regular file with no other name, to its
  // final name, with the permissions and group of the file it replaces. Where the final name
  // holds the kept file, the two are exchanged, which never leaves the name empty and, unlike a
  // rename over an existing file, does not make ext4 write the new file out there and then.
  std::error_code Move(std::size_t i) {
    if (const std::error_code ec = CheckOwnFile(Temp(i))) {
      return ec;
    }
    if (ActionOf(i) == Action::kReplace) {
      // A replaced link gives nothing: the new file keeps the permissions it was made with.
      (void)TakePermissionsOf(Exists(Kept(i)) ? Kept(i) : Final(i), Temp(i));
      if (SameFile(Final(i), Kept(i))) {
        const std::error_code ec = ExchangeFiles(Temp(i), Final(i));
        if (ec != std::errc::function_not_supported) {
          return ec;
        }
      }
    }
    return RenameFile(Temp(i), Final(i));
  }
  // Removes the names that a finished commit no longer needs: exchanged temporaries (which hold
  // the replaced files) first, then the kept files, so that an entry never looks unmoved
  // meanwhile. A kept file is removed by its name, never opened: a regular file is held (never
  // read) so that it is freed in the background where the system allows it. A recovery removes
  // only the kept names that are the user's own, and tells of the others.
  void DropKept() {
    std::vector<OsFile> files;
    std::vector<Path> names;
    for (std::size_t i = 0; i < plan_.entries.size(); ++i) {
      if (ActionOf(i) == Action::kReplace && Exists(Temp(i)) && SameFile(Temp(i), Kept(i))) {
        names.push_back(Temp(i));
      }
    }
    for (std::size_t i = 0; i < plan_.entries.size(); ++i) {
      if (ActionOf(i) == Action::kCreate || !Exists(Kept(i))) {
        continue;
      }
      if (!kept_[i] && !IsOwnName(Kept(i))) {
        Note(left_, Kept(i), MakeErrorCode(FileError::kNotOwn).message());
        continue;
      }
      OsFile file;
      if (!OsFile::Hold(Kept(i), &file)) {
        files.push_back(std::move(file));
      }
      names.push_back(Kept(i));
    }
    DiscardTemporaries(std::move(files), names);
  }

  Path root_;
  std::string run_id_;
  const CommitPlan& plan_;
  bool recovering_ = false;
  std::vector<LeftAlone>* left_ = nullptr;
  std::vector<bool> kept_;     // per entry: whether this commit made its kept name
  std::vector<Path> created_;  // the folders this commit created, parents first
};

// Why the run's file `name` is not the user's own regular file, as a note's reason.
std::string NotOwnReason(const Path& name) {
  const std::error_code ec = CheckOwnFile(name);
  return ec == MakeErrorCode(FileError::kOtherNames) || !ec
             ? MakeErrorCode(FileError::kNotOwn).message()
             : ec.message();
}

// Removes the files of the run `run_id` in `root` that are the user's own regular files, and tells
// in `left` (if given) of those that are not; the live mark goes last, closed first where `live`
// holds it.
void RemoveRunFiles(const Path& root, const std::string& run_id, OsFile* live,
                    std::vector<LeftAlone>* left) {
  const Path live_name = RunFile(root, run_id, kLiveName);
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator(FolderPath(root), ec);
       !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    if (RunIdOf(it->path().filename()) != run_id || it->path() == live_name) {
      continue;
    }
    if (FileKindOf(it->path()) == FileKind::kOwnFile) {
      (void)RemoveFile(it->path());
    } else {
      Note(left, it->path(), NotOwnReason(it->path()));
    }
  }
  if (live != nullptr) {
    (void)live->Close();
  }
  const FileKind live_kind = FileKindOf(live_name);
  if (live_kind == FileKind::kOwnFile) {
    (void)RemoveFile(live_name);
  } else if (live_kind != FileKind::kMissing) {
    Note(left, live_name, NotOwnReason(live_name));
  }
}

// Whether the run `run_id` has a kept file in `root`.
bool HasKeptFiles(const Path& root, const std::string& run_id) {
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator(FolderPath(root), ec);
       !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    const Path leaf = it->path().filename();
    if (RunIdOf(leaf) == run_id && leaf.native()[kRunPrefix.size() + kRunIdDigits + 1] == 'k') {
      return true;
    }
  }
  return false;
}

// Sets right what the dead run `run_id` left in `root`, telling in `left` what it left alone.
void RecoverRun(const Path& root, const std::string& run_id, std::vector<LeftAlone>* left) {
  const Path undo = RunFile(root, run_id, kUndoName);
  const Path journal = RunFile(root, run_id, kJournalName);
  const std::string alone = ": the run's files are left alone";
  CommitPlan plan;
  JournalForm form = JournalForm::kOther;
  if (Exists(undo)) {
    if (const std::error_code ec = ReadJournal(undo, run_id, &plan, &form)) {
      Note(left, undo, ec.message() + alone);
      return;
    }
    if (form != JournalForm::kComplete) {
      Note(left, undo, MakeErrorCode(FileError::kNotJournal).message() + alone);
      return;
    }
    Transaction(root, run_id, plan, left).Undo();
  } else if (Exists(journal)) {
    if (const std::error_code ec = ReadJournal(journal, run_id, &plan, &form)) {
      Note(left, journal, ec.message() + alone);
      return;
    }
    // A journal cut short while it was written decided nothing (no file had been kept yet):
    // the run's files go without touching any final name. Any other is not this version's.
    if (form == JournalForm::kOther ||
        (form == JournalForm::kCutShort && HasKeptFiles(root, run_id))) {
      Note(left, journal, MakeErrorCode(FileError::kNotJournal).message() + alone);
      return;
    }
    if (form == JournalForm::kComplete) {
      Transaction transaction(root, run_id, plan, left);
      std::size_t failed = 0;
      if (transaction.Complete(&failed)) {
        (void)RenameFile(journal, undo);
        transaction.Undo();
      }
    }
  }
  RemoveRunFiles(root, run_id, nullptr, left);
}

// Writes the journal of `plan` for run `run_id` in `root`, as a new file.
std::error_code WriteJournal(const Path& root, const std::string& run_id, const CommitPlan& plan) {
  const std::string text = JournalText(run_id, plan);
  OsFile file;
  if (const std::error_code ec = OsFile::CreateNew(RunFile(root, run_id, kJournalName), &file)) {
    return ec;
  }
  if (const std::error_code ec = file.Write(text.data(), text.size())) {
    return ec;
  }
  return file.Close();
}

}  // namespace

std::filesystem::path Staging::Temporary(std::size_t index) const {
  return RunFile(root_, run_id_, "t" + std::to_string(index));
}

std::filesystem::path RunFile(const std::filesystem::path& root, const std::string& run_id,
                              std::string_view what) {
  Path name = FolderPath(root);
  name /= std::string(kRunPrefix) + run_id + ".";
  name += std::string(what);
  return name;
}

std::error_code CreateStaging(const std::filesystem::path& root, Staging* staging) {
  std::error_code ec;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string run_id = NewRunId();
    OsFile live;
    ec = OsFile::CreateLiveMark(RunFile(root, run_id, kLiveName), &live);
    if (ec == std::errc::file_exists) {
      continue;
    }
    if (ec) {
      return ec;
    }
    staging->root_ = root;
    staging->run_id_ = run_id;
    staging->live_ = std::move(live);
    return {};
  }
  return ec;
}

void RemoveStaging(Staging* staging) {
  if (!staging->exists()) {
    return;
  }
  RemoveRunFiles(staging->root_, staging->run_id_, &staging->live_, nullptr);
  staging->run_id_.clear();
}

std::error_code Commit(const Staging& staging, const CommitPlan& plan, std::size_t* failed) {
  *failed = 0;
  Transaction transaction(staging.root(), staging.run_id(), plan);
  if (const std::error_code ec = WriteJournal(staging.root(), staging.run_id(), plan)) {
    (void)RemoveFile(transaction.Journal());
    return ec;
  }
  std::error_code ec = transaction.Keep(failed);
  if (!ec) {
    ec = transaction.Complete(failed);
  }
  if (ec) {
    (void)RenameFile(transaction.Journal(), transaction.UndoJournal());
    transaction.Undo();
    (void)RemoveFile(transaction.UndoJournal());
    return ec;
  }
  (void)RemoveFile(transaction.Journal());
  return {};
}

std::vector<LeftAlone> RecoverFolder(const std::filesystem::path& root) {
  std::vector<std::string> dead;
  std::vector<std::string> live;
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator(FolderPath(root), ec);
       !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    const std::optional<std::string> run_id = RunIdOf(it->path().filename());
    if (!run_id || std::find(dead.begin(), dead.end(), *run_id) != dead.end() ||
        std::find(live.begin(), live.end(), *run_id) != live.end()) {
      continue;
    }
    (IsLive(RunFile(root, *run_id, kLiveName)) ? live : dead).push_back(*run_id);
  }
  std::vector<LeftAlone> left;
  for (const std::string& run_id : dead) {
    RecoverRun(root, run_id, &left);
  }
  return left;
}

}  // namespace velbrix
