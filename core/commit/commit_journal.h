// The journal of a commit (output_commit.h): the text a run writes before it touches any final
// name, which a recovery reads to complete or undo the commit of a run that was killed.
//
// The layout, every number in decimal:
//   "velbrix-journal 2 " U " " RUN_ID "\n"   U: the bytes of a name's code unit ('1' or '2')
//   "F" N ":" NAME                          each folder the commit creates, in creation order
//   "C" | "R" | "D" N ":" NAME              each entry: create, replace, remove
//   "end\n"
// NAME is N code units of the name relative to the root, in the system's native form and byte
// order. A text that ends inside any of this is a journal that a kill cut short while it was
// written; one that differs anywhere else is not this version's journal.
#ifndef VELBRIX_CORE_COMMIT_COMMIT_JOURNAL_H_
#define VELBRIX_CORE_COMMIT_COMMIT_JOURNAL_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "core/commit/output_commit.h"

namespace velbrix {

inline constexpr std::string_view kJournalHeader = "velbrix-journal 2 ";
inline constexpr std::string_view kJournalTrailer = "end\n";
// Far more than a transaction's outputs with the longest names need.
inline constexpr std::uint64_t kLargestJournal = 1 << 24;

// What a journal's text is: complete in this version's form, a beginning of one (a journal that a
// kill cut short while it was written), or anything else (another version's form, another run's).
enum class JournalForm { kComplete, kCutShort, kOther };

// The journal of `plan` for run `run_id`.
std::string JournalText(const std::string& run_id, const CommitPlan& plan);

// Reads `text` as the journal of run `run_id`: fills `*plan` when it is complete, and says what it
// is. A name that is not a relative path of plain names (no "..", no root, no NUL) makes it kOther.
JournalForm ParseJournal(std::string_view text, const std::string& run_id, CommitPlan* plan);

}  // namespace velbrix

#endif  // VELBRIX_CORE_COMMIT_COMMIT_JOURNAL_H_
