// The recordings of one call: read from a list file, checked before anything is converted (one
// output name, one recording), and shared out among the processes of a job array.
#ifndef VELBRIX_CLI_RECORDING_LIST_H_
#define VELBRIX_CLI_RECORDING_LIST_H_

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace velbrix::cli {

// Whether `a` and `b` name the same file, however spelled: the same existing file (through links
// too), or the same path once made absolute and normal where either is missing.
bool SameRecording(const std::filesystem::path& a, const std::filesystem::path& b);

// Removes from `recordings` every later naming of a recording given before. With
// `names_are_outputs`, the outputs are named after the recordings' file names: returns the
// message of a usage error, naming both paths, when two different recordings whose names end in
// "_eeg" have file names that name the same file in one folder (see FileNamesMatch); `recordings`
// is then unspecified. Returns nothing when the list can be converted.
std::optional<std::string> CheckRecordingList(std::vector<std::filesystem::path>* recordings,
                                              bool names_are_outputs);

// The longest line that a list of recordings may hold, in bytes.
inline constexpr std::size_t kMaxListLine = 64 * 1024;

// Appends to `recordings` the paths that the list file `name` names, one a line, in the file's
// order; "-" reads standard input. Blank lines (nothing, or only spaces and tabs) are skipped, a
// trailing CR is dropped, and so is a UTF-8 byte order mark at the start. Paths are taken as they
// are written, relative ones from the current folder. Returns the message of a usage error, naming
// the file and the system's reason, when it cannot be read, and naming the file and the line for a
// line longer than kMaxListLine or holding a NUL byte; `recordings` is then unspecified.
std::optional<std::string> ReadRecordingList(const std::string& name,
                                             std::vector<std::filesystem::path>* recordings);

// One share of a list of recordings, for one of `count` processes: number `index`, 1 .. count.
struct Shard {
  std::size_t index = 1;
  std::size_t count = 1;
};

// Reads "K/N" into `*shard`. Returns the message of a usage error when `text` is not two whole
// numbers with 1 <= K <= N.
std::optional<std::string> ParseShard(const std::string& text, Shard* shard);

// The indices into a list of `size` recordings that `shard` takes, ascending: every count-th one
// from index - 1 on. Over index = 1 .. count the shares cover every index once.
std::vector<std::size_t> ShardMembers(std::size_t size, const Shard& shard);

}  // namespace velbrix::cli

#endif  // VELBRIX_CLI_RECORDING_LIST_H_
