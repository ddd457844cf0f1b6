// The desktop's open dialog, message box, program folder, documents folder and file manager.
#include "window/qt/frm_fle_platform.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QStandardPaths>
#include <QUrl>
#include <system_error>

#include "window/frm_fle_layout.h"

namespace velbrix {

std::filesystem::path PathFromQt(const QString& name) {
  return std::filesystem::path(QFile::encodeName(name).toStdString());
}

std::optional<std::filesystem::path> QtFrmFlePlatform::ShowOpenDialog(QWidget* parent,
                                                                      const QString& filter) {
  // No title, folder or file name of our own: the dialog's standard ones.
  const QString chosen = QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
  if (chosen.isEmpty()) {
    return std::nullopt;
  }
  return PathFromQt(chosen);
}

void QtFrmFlePlatform::ShowMessage(QWidget* parent, const QString& text, MessageIcon icon) {
  QMessageBox box(icon == MessageIcon::kWarning ? QMessageBox::Warning : QMessageBox::Information,
                  QString::fromUtf8(layout::kCaption), text, QMessageBox::Ok, parent);
  box.exec();
}

std::filesystem::path QtFrmFlePlatform::ProgramFolder() const {
  return PathFromQt(QCoreApplication::applicationDirPath());
}

bool QtFrmFlePlatform::IsInstalledCopy() const {
  return HasInstallMark(ProgramFolder());
}

std::filesystem::path QtFrmFlePlatform::DocumentsFolder() const {
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return documents.isEmpty() ? std::filesystem::path() : PathFromQt(documents);
}

bool QtFrmFlePlatform::ShowFolder(const std::filesystem::path& folder) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QFile::decodeName(folder.c_str())));
}

bool HasInstallMark(const std::filesystem::path& program_folder) {
  std::error_code error;
  return std::filesystem::is_regular_file(program_folder / VELBRIX_INSTALL_MARK, error);
}

}  // namespace velbrix
