// Editing a lab table within a run's commit: the parts shared by every system.
#include "core/formats/lab_table_file.h"

#include <string>
#include <utility>

namespace velbrix {

Status LabTableOfWrongKind(const std::filesystem::path& path, const char* kind) {
  return Status::IoError(
      "Cannot read", path,
      std::string("it is ") + kind + ", and a dataset's table is read only from a regular file");
}

Status LabTableTooLarge(const std::filesystem::path& path) {
  return Status::IoError("Cannot read", path,
                         "it holds more than the " + std::to_string(kLabTableLimit >> 20) +
                             " MiB that a dataset's table may hold");
}

Status CheckLabTableEdit(const std::filesystem::path& path, const FileTable::TextEdit& edit) {
  std::optional<LabTable> table;
  if (Status s = ReadLabTable(path, &table); !s.ok()) {
    return s;
  }
  std::optional<std::string> edited;
  return edit(table ? std::optional<std::string>(std::move(table->text)) : std::nullopt, &edited);
}

Status EditLabTable(FileTable& files, const std::filesystem::path& path,
                    const FileTable::TextEdit& edit) {
  std::optional<LabTable> table;
  if (Status s = ReadLabTable(path, &table); !s.ok()) {
    return s;
  }
  std::optional<std::string> edited;
  if (Status s = edit(table ? std::optional<std::string>(table->text) : std::nullopt, &edited);
      !s.ok() || !edited) {
    return s;
  }
  int number = 0;
  if (Status s = files.OpenOutputOnFreeNumber(path, &number); !s.ok()) {
    return s;
  }
  return files.Write(number, *edited);
}

}  // namespace velbrix
