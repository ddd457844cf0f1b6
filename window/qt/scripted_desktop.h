// A desktop for the Qt windows' tests: it answers the open dialog, the questions and the Export
// dialog from its queues and records what the window showed and asked. The Export dialog's entries
// are remembered in the desktop object, or for the user as QtDesktop remembers them.
#ifndef VELBRIX_WINDOW_QT_SCRIPTED_DESKTOP_H_
#define VELBRIX_WINDOW_QT_SCRIPTED_DESKTOP_H_

#include <QString>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "window/qt/qt_desktop.h"
#include "window/testing/next_answer.h"

namespace velbrix::testing {

class ScriptedDesktop final : public Desktop {
 public:
  struct Message {
    QString text;
    MessageIcon icon;
  };

  std::optional<std::filesystem::path> ChooseFileToOpen(
      const std::vector<FileFilter>& shown) override {
    filters.push_back(QtFileFilter(shown));
    return NextAnswer(answers, std::optional<std::filesystem::path>());
  }
  void ShowMessage(const std::string& text, MessageIcon icon) override {
    messages.push_back({QString::fromStdString(text), icon});
    if (while_message_shows) {
      while_message_shows();
    }
  }
  bool AskYesNo(const std::string& text) override {
    questions.push_back(QString::fromStdString(text));
    return NextAnswer(yes_no_answers, false);
  }
  std::optional<ExportSettings> AskExportSettings(const ExportSettings& settings) override {
    export_dialogs.push_back(settings);
    return NextAnswer(export_answers, std::optional<ExportSettings>());
  }
  std::optional<ExportSettings> LoadExportSettings() const override {
    return remember_for_the_user ? desktop_.LoadExportSettings() : remembered;
  }
  void SaveExportSettings(const ExportSettings& settings) override {
    if (remember_for_the_user) {
      desktop_.SaveExportSettings(settings);
    } else {
      remembered = settings;
    }
  }
  std::filesystem::path ProgramFolder() const override { return program_folder; }
  bool IsInstalledCopy() const override { return installed; }
  std::filesystem::path DocumentsFolder() const override { return documents_folder; }
  bool ShowFolder(const std::filesystem::path& folder) override {
    shown_folders.push_back(folder);
    return true;
  }
  std::string DecimalSeparator() const override { return desktop_.DecimalSeparator(); }

  std::deque<std::optional<std::filesystem::path>> answers;  // nothing: cancelled
  std::deque<bool> yes_no_answers;                           // none left: No
  std::deque<std::optional<ExportSettings>> export_answers;  // none left: cancelled
  std::optional<ExportSettings> remembered;                  // the entries saved for the user
  std::vector<QString> filters;                              // one per dialog shown
  std::vector<Message> messages;
  std::vector<QString> questions;
  std::function<void()> while_message_shows;
  std::filesystem::path program_folder;
  bool installed = false;
  std::filesystem::path documents_folder;
  std::vector<std::filesystem::path> shown_folders;
  bool remember_for_the_user = false;          // in QtDesktop's store instead of `remembered`
  std::vector<ExportSettings> export_dialogs;  // what each Export dialog was filled in with

 private:
  QtDesktop desktop_;  // the system's decimal separator and the user's store
};

}  // namespace velbrix::testing

#endif  // VELBRIX_WINDOW_QT_SCRIPTED_DESKTOP_H_
