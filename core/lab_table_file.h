// The tables that a lab keeps in its dataset and a run edits (participants.tsv, scans.tsv), read
// so that no file planted in their place can hang the run, exhaust its memory or lend it another
// file's contents, and replaced as an editor saving in place would: with the table's mode and
// group.
//
// A table is read only where it is a regular file: never through a link (on Windows a reparse
// point), never from a pipe, a device, a socket or a folder, and never past kLabTableLimit bytes.
// It is opened without waiting (a pipe without a writer, a device) and checked before it is read.
// The new table is a file of the run (FileTable), committed with the run's other outputs; its mode
// and group are set after the commit, since the commit makes its files with the user's defaults.
// On Windows the core does not read owners and modes: only the kinds of file are checked there.
#ifndef VELBRIX_CORE_LAB_TABLE_FILE_H_
#define VELBRIX_CORE_LAB_TABLE_FILE_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/file_table.h"
#include "core/status.h"

namespace velbrix {

// The most bytes a lab table may hold: some thousand times what a table of participants or of a
// subject's scans holds.
inline constexpr std::uint64_t kLabTableLimit = 4 * 1024 * 1024;

// What an editor saving in place keeps of the file it replaces (POSIX; nothing on Windows).
struct LabTableAttributes {
  unsigned mode = 0;   // the permission bits, 0777 at most
  unsigned group = 0;  // the group's id
};

struct LabTable {
  std::string text;
  LabTableAttributes attributes;
};

// Reads the table `path` into `*table`, or sets it to nothing when there is no file of that name
// (nor its folder). Fails, naming `path` and the reason, for a link, anything but a regular file,
// a file of more than kLabTableLimit bytes, and a file the system cannot open or read.
Status ReadLabTable(const std::filesystem::path& path, std::optional<LabTable>* table);

// A table that a run replaces, and what its new file is to keep of the old one.
struct ReplacedLabTable {
  std::filesystem::path path;
  LabTableAttributes attributes;
};

// As ReadLabTable, then has `edit` make the table's new text, as FileTable::EditTextFile does,
// without writing anything: for checking a table before a run's work begins.
Status CheckLabTableEdit(const std::filesystem::path& path, const FileTable::TextEdit& edit);

// Within a commit step of `files` (FileTable::CommitStep): reads the table `path` (ReadLabTable),
// has `edit` make its new text from its text (nothing: no table), and writes that as an output of
// `files`, or leaves the table as it is when `edit` gives nothing. Where an existing table is to be
// replaced, it is added to `*replaced` for KeepLabTableAttributes. Failures name `path`.
Status EditLabTable(FileTable& files, const std::filesystem::path& path,
                    const FileTable::TextEdit& edit, std::vector<ReplacedLabTable>* replaced);

// After the commit that replaced them: gives each new table of `replaced` the mode and group of
// the table it replaced. Where the group cannot be given (the user is not of that group), the new
// file's group gets no more access than others have. Fails, naming the table, where its new file
// is no longer the user's own regular file or its mode cannot be set; the files are committed
// regardless. On Windows it does nothing.
Status KeepLabTableAttributes(const std::vector<ReplacedLabTable>& replaced);

}  // namespace velbrix

#endif  // VELBRIX_CORE_LAB_TABLE_FILE_H_
