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
#include "window/qt/edf_dialog.h"

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

bool QtFrmFlePlatform::AskYesNo(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Question, QString::fromUtf8(layout::kCaption), text,
                  QMessageBox::Yes | QMessageBox::No, parent);
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

std::optional<EdfSettings> QtFrmFlePlatform::ShowEdfDialog(QWidget* parent,
                                                           const EdfSettings& settings) {
  EdfDialog dialog(settings, parent);
  if (dialog.exec() != QDialog::Accepted) {
    return std::nullopt;
  }
  return dialog.settings();
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
