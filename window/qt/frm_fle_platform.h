// What the Qt window asks of the desktop: the open dialog, the message box, the program's folder
// and whether it was installed, the documents folder and the file manager. The window reaches them
// only through this seam, so that tests can answer them.
#ifndef VELBRIX_WINDOW_QT_FRM_FLE_PLATFORM_H_
#define VELBRIX_WINDOW_QT_FRM_FLE_PLATFORM_H_

#include <QString>
#include <filesystem>
#include <optional>

#include "window/frm_fle_view.h"

class QWidget;

namespace velbrix {

class FrmFlePlatform {
 public:
  virtual ~FrmFlePlatform() = default;

  // Shows the open dialog modally over `parent` with `filter` in Qt's form ("All Files (*)").
  // Returns the chosen file's full path, or nothing when the dialog was closed without a choice.
  virtual std::optional<std::filesystem::path> ShowOpenDialog(QWidget* parent,
                                                              const QString& filter) = 0;
  // Shows `text` modally over `parent` with one OK button and the caption "Velbrix".
  virtual void ShowMessage(QWidget* parent, const QString& text, MessageIcon icon) = 0;
  // The folder that holds the running program.
  virtual std::filesystem::path ProgramFolder() const = 0;
  // Whether the running program was installed (see HasInstallMark).
  virtual bool IsInstalledCopy() const = 0;
  // The user's documents folder, or an empty path where the desktop names none.
  virtual std::filesystem::path DocumentsFolder() const = 0;
  // Shows `folder` in the desktop's file manager; false when the desktop could not.
  virtual bool ShowFolder(const std::filesystem::path& folder) = 0;
};

// The desktop's own: QFileDialog, QMessageBox, QCoreApplication::applicationDirPath(),
// QStandardPaths and QDesktopServices.
class QtFrmFlePlatform final : public FrmFlePlatform {
 public:
  std::optional<std::filesystem::path> ShowOpenDialog(QWidget* parent,
                                                      const QString& filter) override;
  void ShowMessage(QWidget* parent, const QString& text, MessageIcon icon) override;
  std::filesystem::path ProgramFolder() const override;
  bool IsInstalledCopy() const override;
  std::filesystem::path DocumentsFolder() const override;
  bool ShowFolder(const std::filesystem::path& folder) override;
};

// Whether the program in `program_folder` was installed: the installation (the Debian package, or
// `cmake --install`) puts the file share/velbrix/installed beside the folder bin that holds it. A
// build or a copied folder has no such file, wherever it lies.
bool HasInstallMark(const std::filesystem::path& program_folder);

// The path of a file name as Qt gives it, in the system's encoding of file names.
std::filesystem::path PathFromQt(const QString& name);

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_QT_FRM_FLE_PLATFORM_H_
