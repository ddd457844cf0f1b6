// The program's table of open files, addressed by numbers 1 .. 255.
//
// A number names at most one open file. Inputs are opened for reading and never changed. Outputs
// appear whole or not at all: an output is written to a temporary in its final folder (on Linux
// one without a name, where the file system allows it) and only EndRun moves it to its final name,
// replacing a file of that name (see output_commit.h); DiscardOutputs (or the table's destruction)
// removes the temporaries and leaves existing files as they were. A run that is killed leaves at
// most named temporaries, which the next run into the same folder removes as it opens its first
// output there; runs into one folder at the same time commit one after the other. A run's outputs
// may be in several folders.
//
// Every failure names the file the caller asked for (the final name of an output, never its
// temporary) and the system's reason. The table is not safe for concurrent use, but one thread may
// use it while another waits.
#ifndef VELBRIX_CORE_FILE_TABLE_H_
#define VELBRIX_CORE_FILE_TABLE_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/os_file.h"
#include "core/status.h"

namespace velbrix {

class FileTable {
 public:
  static constexpr int kLowestNumber = 1;
  static constexpr int kHighestNumber = 255;

  // kNamed: every temporary has a name, also where the system could do without (for tests).
  enum class Temporaries { kUnnamedWherePossible, kNamed };

  explicit FileTable(Temporaries temporaries = Temporaries::kUnnamedWherePossible)
      : temporaries_(temporaries) {}
  ~FileTable() { DiscardOutputs(); }
  FileTable(const FileTable&) = delete;
  FileTable& operator=(const FileTable&) = delete;

  // The smallest number 1 .. 255 that names no open file, or 0 when every number is in use.
  int LowestFreeNumber() const;

  // Opens the existing file `path` for reading as `number`. A missing file is an error; nothing is
  // created. Requires `number` to be free.
  Status OpenForBinaryInput(int number, const std::filesystem::path& path);
  // Opens an output as `number` that will become `path` when committed; until then `path` is not
  // touched. Requires `number` to be free. The run's first output in a folder first sets the
  // folder right after runs that were killed there (output_commit.h: RecoverFolder).
  Status OpenForTextOutput(int number, const std::filesystem::path& path);
  // As OpenForBinaryInput and OpenForTextOutput, on the lowest free number, which `*number` gets.
  // Fail, naming `path`, when every number is in use.
  Status OpenInputOnFreeNumber(const std::filesystem::path& path, int* number);
  Status OpenOutputOnFreeNumber(const std::filesystem::path& path, int* number);

  // Reads up to buffer.size() bytes from input `number`; fewer only at the end of the file.
  Status Read(int number, std::span<std::uint8_t> buffer, std::size_t* got);
  // Writes all of `data` to output `number`.
  Status Write(int number, std::string_view data);
  // Writes `data` over the bytes at `offset` of output `number`, as when a header is completed
  // after the data that follows it; later writes continue where they would have.
  Status WriteAt(int number, std::uint64_t offset, std::string_view data);
  // The size in bytes of the file open as `number` (0 if it has none).
  std::uint64_t Size(int number) const;
  // The name under which the file open as `number` was asked for (an output's final name).
  const std::filesystem::path& Path(int number) const { return At(number).path; }

  // Closes every open file and removes every output's temporary; no final name is touched.
  void DiscardOutputs();
  // Ends a run whose work came to `outcome`: if it is ok, closes every file and moves every output
  // to its final name; if it is not, or closing or moving fails, discards them. Returns the first
  // failure, or Ok when every output is in place. Either every output is in place or none is.
  Status EndRun(Status outcome);

 private:
  struct Slot {
    OsFile file;
    bool is_output = false;
    std::filesystem::path path;  // the name the caller gave
  };
  struct Output {
    int number = 0;  // its slot
    std::filesystem::path final_path;
    std::filesystem::path temp_path;
    std::filesystem::path folder;  // final_path's folder, as CanonicalFolder gives it
    bool named = false;            // whether the temporary has temp_path as its name yet
  };

  Slot& At(int number);
  const Slot& At(int number) const;
  void CloseInputs();
  Status CommitOutputs();

  Temporaries temporaries_;
  std::array<Slot, kHighestNumber + 1> slots_{};  // slot 0 unused
  std::vector<Output> outputs_;  // opened since the run began; their folders are recovered
  std::string run_id_;           // of the run's temporaries
};

}  // namespace velbrix

#endif  // VELBRIX_CORE_FILE_TABLE_H_
