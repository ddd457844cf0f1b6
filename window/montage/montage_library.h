// The montages a trace window offers: the four built-in ones, then the reader's own, one
// ".montage" file each (montage_text.h) in the montage folder, by name. A file that holds bad
// lines still gives a montage of its good rows, and keeps its problems to be shown.
#ifndef VELBRIX_WINDOW_MONTAGE_MONTAGE_LIBRARY_H_
#define VELBRIX_WINDOW_MONTAGE_MONTAGE_LIBRARY_H_

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/base/status.h"
#include "core/signal/montage.h"
#include "core/signal/montage_text.h"

namespace velbrix {

// The reader's montage folder: <config>/Velbrix/montages, where <config> is $XDG_CONFIG_HOME or
// ~/.config (beside the settings file), or on Windows %APPDATA%. Empty when none is known.
std::filesystem::path DefaultMontageFolder();

// The most own montages read from the folder.
inline constexpr std::size_t kMostOwnMontages = 200;

struct MontageEntry {
  std::shared_ptr<const Montage> montage;
  MontageSource source;        // as written (a built-in one: its rows as lines)
  std::filesystem::path file;  // empty for a built-in montage
  std::string problems;        // "line 4: \"Fx3\" is not a channel", one a line; or why the
                               // file could not be read
};

class MontageLibrary {
 public:
  // The built-in montages only, until Load.
  MontageLibrary();

  // Reads the own montages of `folder` anew (no folder: none). Files that are not regular files,
  // larger than kMostMontageFileBytes or not UTF-8 are listed with why.
  void Load(const std::filesystem::path& folder);

  const std::filesystem::path& folder() const { return folder_; }
  std::size_t size() const { return entries_.size(); }
  const MontageEntry& at(std::size_t index) const { return entries_[index]; }
  // The index of the entry named `name`, or of the file `file` when given; size() when none is.
  std::size_t Find(const std::string& name) const;
  std::size_t FindFile(const std::filesystem::path& file) const;

 private:
  std::filesystem::path folder_;
  std::vector<MontageEntry> entries_;
};

// The file of an own montage named `name` in `folder`: the name with characters that a file
// name cannot hold on either system replaced by "_", and ".montage".
std::filesystem::path MontageFileOf(const std::filesystem::path& folder, const std::string& name);

// Writes `source` whole to `file`, creating its folder; a file already there is replaced only
// once the new one is complete. `replaced` (a montage renamed: its earlier file) is removed with
// it. Fails naming the file and the system's reason, with no file changed.
Status SaveMontageFile(const MontageSource& source, const std::filesystem::path& file,
                       const std::filesystem::path& replaced = {});

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_MONTAGE_MONTAGE_LIBRARY_H_
