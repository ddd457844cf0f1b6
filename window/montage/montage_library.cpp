// The montage folder and its files.
#include "window/montage/montage_library.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>
#include <utility>

#include "core/base/utf8.h"
#include "core/commit/file_table.h"
#include "core/os/os_file.h"

namespace velbrix {
namespace {

std::string Utf8Of(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// A file's name as a montage's name: at most kMostMontageNameBytes, cut at a character and ended
// with an ellipsis when longer.
std::string NameOfFile(const std::filesystem::path& file) {
  std::string name = Utf8Of(file.stem());
  if (!IsValidUtf8(name)) {
    return "(a name that is not UTF-8)";
  }
  if (name.size() > kMostMontageNameBytes) {
    std::size_t end = kMostMontageNameBytes - 3;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) {
      --end;
    }
    name = name.substr(0, end) + "\u2026";
  }
  return name;
}

std::filesystem::path PathOfUtf8(const std::string& text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

// The text of `file`, at most kMostMontageFileBytes, without following a link or waiting on a
// pipe; or why not.
std::string ReadMontageFile(const std::filesystem::path& file, std::string* text) {
  OsFile opened;
  if (const std::error_code ec = OsFile::OpenRegularFileForReading(file, &opened)) {
    return Status::IoError("Cannot open", file, ec.message()).message();
  }
  text->resize(kMostMontageFileBytes + 1);
  std::size_t have = 0;
  for (;;) {
    std::size_t got = 0;
    if (const std::error_code ec = opened.Read(text->data() + have, text->size() - have, &got)) {
      return Status::IoError("Cannot read", file, ec.message()).message();
    }
    have += got;
    if (got == 0 || have == text->size()) {
      break;
    }
  }
  text->resize(have);
  if (have > kMostMontageFileBytes) {
    return Status::IoError("Cannot read", file,
                           "larger than the " + std::to_string(kMostMontageFileBytes >> 10) +
                               " KiB a montage file may hold")
        .message();
  }
  if (!IsValidUtf8(*text)) {
    return Status::IoError("Cannot read", file, "not UTF-8 text").message();
  }
  return "";
}

}  // namespace

std::filesystem::path DefaultMontageFolder() {
#ifdef _WIN32
  if (const wchar_t* data = _wgetenv(L"APPDATA"); data != nullptr && *data != 0) {
    return std::filesystem::path(data) / L"Velbrix" / L"montages";
  }
  return {};
#else
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config == '/') {
    return std::filesystem::path(config) / "Velbrix" / "montages";
  }
  if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/') {
    return std::filesystem::path(home) / ".config" / "Velbrix" / "montages";
  }
  return {};
#endif
}

MontageLibrary::MontageLibrary() {
  Load({});
}

void MontageLibrary::Load(const std::filesystem::path& folder) {
  folder_ = folder;
  entries_.clear();
  for (const MontageKind kind : kMontages) {
    const Montage& montage = BuiltInMontage(kind);
    // The built-in montage itself, not a copy: ToolsText knows "As recorded" by its address.
    entries_.push_back({std::shared_ptr<const Montage>(std::shared_ptr<const Montage>(), &montage),
                        MontageSourceOf(montage),
                        {},
                        {}});
  }
  if (folder.empty()) {
    return;
  }
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    if (it->path().extension() == kMontageFileExtension) {
      files.push_back(it->path());
    }
  }
  std::sort(files.begin(), files.end());
  if (files.size() > kMostOwnMontages) {
    files.resize(kMostOwnMontages);
  }
  for (const std::filesystem::path& file : files) {
    MontageEntry entry;
    entry.file = file;
    std::string text;
    std::vector<MontageProblem> problems;
    std::vector<std::size_t> numbers;
    entry.problems = ReadMontageFile(file, &text);
    if (entry.problems.empty()) {
      entry.source = ParseMontageText(text, NameOfFile(file), &problems, &numbers);
    } else {
      entry.source.name = NameOfFile(file);
    }
    Montage montage = BuildMontage(entry.source, &problems, &numbers);
    std::sort(problems.begin(), problems.end(),
              [](const MontageProblem& a, const MontageProblem& b) { return a.line < b.line; });
    if (!problems.empty()) {
      entry.problems = PathForDisplay(file) + "\n" + MontageProblemsText(problems);
    }
    // A name already on offer is told apart by a number: "Chains (2)".
    const std::string name = montage.name;
    for (int n = 2; Find(montage.name) != entries_.size(); ++n) {
      montage.name = name + " (" + std::to_string(n) + ")";
    }
    entry.montage = std::make_shared<const Montage>(std::move(montage));
    entries_.push_back(std::move(entry));
  }
}

std::size_t MontageLibrary::Find(const std::string& name) const {
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].montage->name == name) {
      return i;
    }
  }
  return entries_.size();
}

std::size_t MontageLibrary::FindFile(const std::filesystem::path& file) const {
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (!file.empty() && entries_[i].file == file) {
      return i;
    }
  }
  return entries_.size();
}

std::filesystem::path MontageFileOf(const std::filesystem::path& folder, const std::string& name) {
  std::string leaf;
  for (const char c : name) {
    const bool bad = static_cast<unsigned char>(c) < 0x20 ||
                     std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos;
    leaf += bad ? '_' : c;
  }
  // Windows drops trailing dots and spaces from a name, and a leading dot hides a file.
  while (!leaf.empty() && (leaf.back() == '.' || leaf.back() == ' ')) {
    leaf.pop_back();
  }
  if (leaf.empty() || leaf.front() == '.') {
    leaf.insert(0, "montage");
  }
  return folder / PathOfUtf8(leaf + kMontageFileExtension);
}

Status SaveMontageFile(const MontageSource& source, const std::filesystem::path& file,
                       const std::filesystem::path& replaced) {
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);
  if (ec) {
    return Status::IoError("Cannot create", file.parent_path(), ec.message());
  }
  FileTable files;
  int number = 0;
  Status status = files.OpenOutputOnFreeNumber(file, &number);
  if (status.ok()) {
    status = files.Write(number, FormatMontageText(source));
  }
  if (status.ok() && !replaced.empty() && replaced != file) {
    files.RemoveAtCommit(replaced);
  }
  return files.EndRun(status);
}

}  // namespace velbrix
