// The desktop's dialogs, folders, file manager and decimal separator on Qt.
#include "window/qt/qt_desktop.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QLocale>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>
#include <system_error>

#include "window/converter/frm_fle_layout.h"
#include "window/qt/export_dialog.h"

namespace velbrix {

std::filesystem::path PathFromQt(const QString& name) {
  return std::filesystem::path(QFile::encodeName(name).toStdString());
}

QString QtFileFilter(const std::vector<FileFilter>& filters) {
  QStringList entries;
  for (const FileFilter& filter : filters) {
    // Qt's "*" is every file; its "*.*" would want a full stop in the name.
    const QString pattern =
        filter.pattern == "*.*" ? QStringLiteral("*") : QString::fromStdString(filter.pattern);
    entries << QString::fromStdString(filter.name) + " (" + pattern + ")";
  }
  return entries.join(";;");
}

std::optional<std::filesystem::path> QtDesktop::ChooseFileToOpen(
    const std::vector<FileFilter>& filters) {
  // No title, folder or file name of our own: the dialog's standard ones.
  const QString chosen =
      QFileDialog::getOpenFileName(owner_, QString(), QString(), QtFileFilter(filters));
  if (chosen.isEmpty()) {
    return std::nullopt;
  }
  return PathFromQt(chosen);
}

void QtDesktop::ShowMessage(const std::string& text, MessageIcon icon) {
  QMessageBox box(icon == MessageIcon::kWarning ? QMessageBox::Warning : QMessageBox::Information,
                  QString::fromUtf8(layout::kCaption), QString::fromStdString(text),
                  QMessageBox::Ok, owner_);
  box.exec();
}

bool QtDesktop::AskYesNo(const std::string& text) {
  QMessageBox box(QMessageBox::Question, QString::fromUtf8(layout::kCaption),
                  QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No, owner_);
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

std::optional<ExportSettings> QtDesktop::AskExportSettings(const ExportSettings& settings) {
  ExportDialog dialog(settings, owner_);
  if (dialog.exec() != QDialog::Accepted) {
    return std::nullopt;
  }
  return dialog.settings();
}

std::optional<ExportSettings> QtDesktop::LoadExportSettings() const {
  QSettings store(QString::fromUtf8(kSettingsOrganization),
                  QString::fromUtf8(kSettingsApplication));
  store.beginGroup(QString::fromUtf8(kSettingsGroup));
  if (store.status() != QSettings::NoError || store.childKeys().isEmpty()) {
    return std::nullopt;
  }
  return FromRememberedEntries([&store](std::string_view key) -> std::optional<std::string> {
    const QString name = QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
    if (!store.contains(name)) {
      return std::nullopt;
    }
    return store.value(name).toString().toStdString();
  });
}

void QtDesktop::SaveExportSettings(const ExportSettings& settings) {
  QSettings store(QString::fromUtf8(kSettingsOrganization),
                  QString::fromUtf8(kSettingsApplication));
  store.beginGroup(QString::fromUtf8(kSettingsGroup));
  for (const auto& [key, value] : RememberedEntries(settings)) {
    store.setValue(QString::fromStdString(key), QString::fromStdString(value));
  }
  // Written when `store` goes; a store that cannot be written keeps nothing, quietly.
}

std::filesystem::path QtDesktop::ProgramFolder() const {
  return PathFromQt(QCoreApplication::applicationDirPath());
}

bool QtDesktop::IsInstalledCopy() const {
  return HasInstallMark(ProgramFolder());
}

std::filesystem::path QtDesktop::DocumentsFolder() const {
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return documents.isEmpty() ? std::filesystem::path() : PathFromQt(documents);
}

bool QtDesktop::ShowFolder(const std::filesystem::path& folder) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QFile::decodeName(folder.c_str())));
}

std::string QtDesktop::DecimalSeparator() const {
  return QLocale::system().decimalPoint().toStdString();
}

bool HasInstallMark(const std::filesystem::path& program_folder) {
  std::error_code error;
  return std::filesystem::is_regular_file(program_folder / VELBRIX_INSTALL_MARK, error);
}

}  // namespace velbrix
