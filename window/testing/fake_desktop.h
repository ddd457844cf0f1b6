// A hand-written desktop for the controller's tests: it answers the dialogs and the questions from
// its queues and its fields, and records what was shown and asked, also in the fake view's log.
#ifndef VELBRIX_WINDOW_TESTING_FAKE_DESKTOP_H_
#define VELBRIX_WINDOW_TESTING_FAKE_DESKTOP_H_

#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "window/converter/desktop.h"
#include "window/testing/fake_frm_fle_view.h"
#include "window/testing/next_answer.h"

namespace velbrix::testing {

class FakeDesktop : public Desktop {
 public:
  struct Message {
    std::string text;
    MessageIcon icon;
    // What the window showed while the message was up.
    std::string lbl_file;
    std::string label1;
    bool mnufile_enabled;
  };

  // `window` must outlive the desktop.
  explicit FakeDesktop(FakeFrmFleView& window) : window_(window) {}

  // The answers.
  std::deque<std::optional<std::filesystem::path>> dialog_answers;  // nothing: cancelled
  std::deque<bool> yes_no_answers;                                  // none left: No
  std::function<void()> while_asking;                        // runs while the question is shown
  std::deque<std::optional<ExportSettings>> export_answers;  // none left: cancelled
  std::optional<ExportSettings> remembered;  // the Export dialog's entries saved for the user
  std::filesystem::path program_folder = "/opt/velbrix";
  bool installed_copy = false;
  std::filesystem::path documents_folder;
  bool show_folder_works = true;
  std::string decimal_separator = ".";

  // What was shown and asked.
  std::vector<std::vector<FileFilter>> filters;  // one per showing of the open dialog
  std::vector<Message> messages;
  int questions = 0;
  std::vector<ExportSettings>
      export_dialogs;  // what each showing of the Export dialog was filled in with
  int saves = 0;       // of the remembered entries
  std::vector<std::filesystem::path> shown_folders;  // one per ShowFolder

  std::optional<std::filesystem::path> ChooseFileToOpen(
      const std::vector<FileFilter>& shown) override {
    filters.push_back(shown);
    window_.log.push_back("ShowCdbOpen()");
    return NextAnswer(dialog_answers, std::optional<std::filesystem::path>());
  }
  void ShowMessage(const std::string& text, MessageIcon icon) override {
    messages.push_back({text, icon, window_.lbl_file, window_.label1, window_.mnufile_enabled});
    window_.log.push_back("ShowMessage(" + text + ")");
  }
  bool AskYesNo(const std::string& text) override {
    ++questions;
    window_.log.push_back("AskYesNo(" + text + ")");
    if (while_asking) {
      std::exchange(while_asking, {})();
    }
    return NextAnswer(yes_no_answers, false);
  }
  std::optional<ExportSettings> AskExportSettings(const ExportSettings& settings) override {
    export_dialogs.push_back(settings);
    return NextAnswer(export_answers, std::optional<ExportSettings>());
  }
  std::optional<ExportSettings> LoadExportSettings() const override { return remembered; }
  void SaveExportSettings(const ExportSettings& settings) override {
    remembered = settings;
    ++saves;
  }
  std::filesystem::path ProgramFolder() const override { return program_folder; }
  bool IsInstalledCopy() const override { return installed_copy; }
  std::filesystem::path DocumentsFolder() const override { return documents_folder; }
  bool ShowFolder(const std::filesystem::path& folder) override {
    shown_folders.push_back(folder);
    window_.log.push_back("ShowFolder(" + folder.string() + ")");
    return show_folder_works;
  }
  std::string DecimalSeparator() const override { return decimal_separator; }

 private:
  FakeFrmFleView& window_;
};

}  // namespace velbrix::testing

#endif  // VELBRIX_WINDOW_TESTING_FAKE_DESKTOP_H_
