// The Desktop on Qt: QFileDialog, QMessageBox, the ExportDialog and its entries in QSettings, the
// program's folder and its install mark, QStandardPaths' documents folder, QDesktopServices and
// QLocale's decimal separator.
#ifndef VELBRIX_WINDOW_QT_QT_DESKTOP_H_
#define VELBRIX_WINDOW_QT_QT_DESKTOP_H_

#include <QPointer>
#include <QString>
#include <QWidget>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "window/converter/desktop.h"

namespace velbrix {

class QtDesktop final : public Desktop {
 public:
  // The window over which the dialogs are modal; none until set (they then have no parent).
  void SetOwner(QWidget* owner) { owner_ = owner; }

  std::optional<std::filesystem::path> ChooseFileToOpen(
      const std::vector<FileFilter>& filters) override;
  void ShowMessage(const std::string& text, MessageIcon icon) override;
  bool AskYesNo(const std::string& text) override;
  std::optional<ExportSettings> AskExportSettings(const ExportSettings& settings) override;
  std::optional<ExportSettings> LoadExportSettings() const override;
  void SaveExportSettings(const ExportSettings& settings) override;
  std::filesystem::path ProgramFolder() const override;
  bool IsInstalledCopy() const override;
  std::filesystem::path DocumentsFolder() const override;
  bool ShowFolder(const std::filesystem::path& folder) override;
  std::string DecimalSeparator() const override;

 private:
  QPointer<QWidget> owner_;
};

// The open dialog's filter in Qt's form: "All Files (*)" for {"All Files", "*.*"}, the entries
// joined by ";;".
QString QtFileFilter(const std::vector<FileFilter>& filters);

// Whether the program in `program_folder` was installed: the installation (the Debian package, or
// `cmake --install`) puts the file share/velbrix/installed beside the folder bin that holds it. A
// build or a copied folder has no such file, wherever it lies.
bool HasInstallMark(const std::filesystem::path& program_folder);

// The path of a file name as Qt gives it, in the system's encoding of file names.
std::filesystem::path PathFromQt(const QString& name);

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_QT_QT_DESKTOP_H_
