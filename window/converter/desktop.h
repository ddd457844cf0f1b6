// What the converter window's controller asks of the desktop beyond the window's own controls: the
// open dialog, a message, a yes/no question, the Export dialog and its remembered entries, the
// program's and the user's folders, whether this copy was installed, the file manager and the
// decimal separator.
//
// Plain C++: each toolkit implements it once (window/qt/qt_desktop.h,
// window/win32/system_desktop.h) and the tests answer it with a fake
// (window/testing/fake_desktop.h). The dialogs are modal over the window that the implementation
// was given; texts are UTF-8. No operation fails, except that ShowFolder says whether the desktop
// could show the folder.
#ifndef VELBRIX_WINDOW_CONVERTER_DESKTOP_H_
#define VELBRIX_WINDOW_CONVERTER_DESKTOP_H_

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "window/export/export_settings.h"

namespace velbrix {

enum class MessageIcon { kInformation, kWarning };

// One entry of the open dialog's list of file types: its name and the pattern of the files it
// shows, "*.*" for every file.
struct FileFilter {
  std::string name;     // "All Files"
  std::string pattern;  // "*.*"

  bool operator==(const FileFilter&) const = default;
};

class Desktop {
 public:
  virtual ~Desktop() = default;

  // The open dialog with `filters` (the first chosen), and no title, folder or file name of its
  // own. Returns the full path of the chosen file, or nothing when the dialog was closed without a
  // choice.
  virtual std::optional<std::filesystem::path> ChooseFileToOpen(
      const std::vector<FileFilter>& filters) = 0;
  // A message box captioned "Velbrix" with one OK button; returns when it is dismissed.
  virtual void ShowMessage(const std::string& text, MessageIcon icon) = 0;
  // A question captioned "Velbrix" with the buttons Yes and No, No the default; true for Yes.
  virtual bool AskYesNo(const std::string& text) = 0;
  // The Export dialog (export_settings.h), filled in with `settings`: what the user entered, or
  // nothing when the dialog was cancelled. Its Browse button chooses the dataset's folder.
  virtual std::optional<ExportSettings> AskExportSettings(const ExportSettings& settings) = 0;
  // The Export dialog's entries as last saved for this user (Qt's settings on Linux, the registry
  // under HKEY_CURRENT_USER on Windows), or nothing when none were saved or they cannot be read.
  virtual std::optional<ExportSettings> LoadExportSettings() const = 0;
  // Saves `settings` for this user, for LoadExportSettings in a later window; quietly keeps nothing
  // where the store cannot be written, as the entries are only a convenience.
  virtual void SaveExportSettings(const ExportSettings& settings) = 0;

  // The folder that holds the running program.
  virtual std::filesystem::path ProgramFolder() const = 0;
  // Whether this copy of the program was installed (by the Debian package, the Windows setup or
  // `cmake --install`), rather than built or unpacked into a folder of its own.
  virtual bool IsInstalledCopy() const = 0;
  // The user's documents folder, or an empty path where the system names none.
  virtual std::filesystem::path DocumentsFolder() const = 0;
  // Shows the existing folder `folder` in the desktop's file manager; false when it could not.
  virtual bool ShowFolder(const std::filesystem::path& folder) = 0;
  // The decimal separator of the user's regional settings ("." where none is set).
  virtual std::string DecimalSeparator() const = 0;
};

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_CONVERTER_DESKTOP_H_
