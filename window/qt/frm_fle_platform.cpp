// The desktop's open dialog, message box and program folder.
#include "window/qt/frm_fle_platform.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

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

}  // namespace velbrix
