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
#include <filesystem>
#include <memory>
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

namespace {

// The user's settings file as Qt names it for the organisation and the application
// (<config>/Velbrix/Velbrix.conf), alone: QSettings would also read the files of the organisation
// and of the system, and reads them as it is made.
QString SettingsFileName() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + '/' +
         QString::fromUtf8(kSettingsOrganization) + '/' + QString::fromUtf8(kSettingsApplication) +
         QStringLiteral(".conf");
}

// Whether `name` is a regular file or nothing: anything else (a pipe, which a read would wait on
// for ever, a folder) is neither read nor written.
bool IsRegularOrMissing(const QString& name) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(PathFromQt(name), error);
  return status.type() == std::filesystem::file_type::regular ||
         status.type() == std::filesystem::file_type::not_found;
}

// The settings file, or nothing when it or its lock file (which QSettings reads) is not usable.
std::unique_ptr<QSettings> OpenSettings() {
  const QString name = SettingsFileName();
  if (!IsRegularOrMissing(name) || !IsRegularOrMissing(name + QStringLiteral(".lock"))) {
    return nullptr;
  }
  auto store = std::make_unique<QSettings>(name, QSettings::IniFormat);
  store->beginGroup(QString::fromUtf8(kSettingsGroup));
  return store;
}

}  // namespace

std::optional<ExportSettings> QtDesktop::LoadExportSettings() const {
  const std::unique_ptr<QSettings> opened = OpenSettings();
  if (opened == nullptr) {
    return std::nullopt;
  }
  QSettings& store = *opened;
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
  const std::unique_ptr<QSettings> store = OpenSettings();
  if (store == nullptr) {
    return;  // not a file to write: nothing is kept
  }
  for (const auto& [key, value] : RememberedEntries(settings)) {
    store->setValue(QString::fromStdString(key), QString::fromStdString(value));
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
