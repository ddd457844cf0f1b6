// Editing a lab table within a run's commit: the parts shared by every system.
#include "core/formats/lab_table_file.h"

#include <utility>

namespace velbrix {

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
