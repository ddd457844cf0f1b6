// The tables that a lab keeps in its dataset and a run edits (participants.tsv, scans.tsv), read
// so that no file planted in their place can hang the run, exhaust its memory or lend it another
// file's contents, and replaced as an editor saving in place would: with the table's mode and
// group.
//
// A table is read only where it is a regular file: never through a link (on Windows a reparse
// point), never from a pipe, a device, a socket or a folder, and never past kLabTableLimit bytes.
// It is opened without waiting (a pipe without a writer, a device) and checked before it is read.
// The new table is a file of the run (FileTable), committed with the run's other outputs; like
// every file the commit replaces, it has the mode and group of the table it replaces. On Windows
// only the kinds of file are checked.
#ifndef VELBRIX_CORE_FORMATS_LAB_TABLE_FILE_H_
#define VELBRIX_CORE_FORMATS_LAB_TABLE_FILE_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/base/status.h"
#include "core/commit/file_table.h"

namespace velbrix {

// The most bytes a lab table may hold: some thousand times what a table of participants or of a
// subject's scans holds.
inline constexpr std::uint64_t kLabTableLimit = 4 * 1024 * 1024;

struct LabTable {
  std::string text;
};

// Reads the table `path` into `*table`, or sets it to nothing when there is no file of that name
// (nor its folder). Fails, naming `path` and the reason, for a link, anything but a regular file,
// a file of more than kLabTableLimit bytes, and a file the system cannot open or read.
Status ReadLabTable(const std::filesystem::path& path, std::optional<LabTable>* table);

// The refusals that ReadLabTable's readers on each system share: a file of the kind `kind` ("a
// folder", "a device", ...), and a file over kLabTableLimit.
Status LabTableOfWrongKind(const std::filesystem::path& path, const char* kind);
Status LabTableTooLarge(const std::filesystem::path& path);

// As ReadLabTable, then has `edit` make the table's new text, as FileTable::EditTextFile does,
// without writing anything: for checking a table before a run's work begins.
Status CheckLabTableEdit(const std::filesystem::path& path, const FileTable::TextEdit& edit);

// Within a commit step of `files` (FileTable::CommitStep): reads the table `path` (ReadLabTable),
// has `edit` make its new text from its text (nothing: no table), and writes that as an output of
// `files`, or leaves the table as it is when `edit` gives nothing. Failures name `path`.
Status EditLabTable(FileTable& files, const std::filesystem::path& path,
                    const FileTable::TextEdit& edit);

}  // namespace velbrix

#endif  // VELBRIX_CORE_FORMATS_LAB_TABLE_FILE_H_
