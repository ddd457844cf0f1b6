// Exports a recording through the converter window's controller as a user of the window does
// (File > Open, All, File > Export... with the given entries, OK), with the test doubles of the
// window and its desktop in place of a toolkit, so that the tests can read the window's files with
// the field's own tools.
//
// Usage: velbrix_window_export_probe RECORDING KEY=VALUE...
// The keys are those under which the Export dialog's entries are remembered ("format" = "edf",
// "brainvision", "bids-edf" or "bids-brainvision"; "sample_rate", "start", "bids_root",
// "subject", ...). EDF and BrainVision files go into the current folder, the window's output
// folder. Exits 0 when the export ran and the window said nothing; else prints what the window
// said and exits 1 (2 for wrong arguments).
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "window/converter/background_runner.h"
#include "window/converter/frm_fle.h"
#include "window/export/export_settings.h"
#include "window/testing/fake_desktop.h"
#include "window/testing/fake_frm_fle_view.h"
#include "window/testing/fake_window_thread.h"

int main(int argc, char** argv) {
  using namespace velbrix;
  if (argc < 2) {
    std::fprintf(stderr, "usage: velbrix_window_export_probe RECORDING KEY=VALUE...\n");
    return 2;
  }
  std::map<std::string, std::string, std::less<>> entries;
  for (int i = 2; i < argc; ++i) {
    const std::string entry = argv[i];
    const auto equals = entry.find('=');
    if (equals == std::string::npos) {
      std::fprintf(stderr, "velbrix_window_export_probe: not KEY=VALUE: %s\n", argv[i]);
      return 2;
    }
    entries[entry.substr(0, equals)] = entry.substr(equals + 1);
  }
  const ExportSettings settings =
      FromRememberedEntries([&entries](std::string_view key) -> std::optional<std::string> {
        const auto found = entries.find(key);
        return found == entries.end() ? std::nullopt : std::optional<std::string>(found->second);
      });

  testing::FakeFrmFleView view;
  testing::FakeDesktop desktop{view};
  testing::FakeWindowThread window_thread;
  BackgroundRunner runner{window_thread.Poster()};
  FrmFle form{view, desktop, runner};
  desktop.program_folder = std::filesystem::current_path();
  form.Form_Load();
  desktop.dialog_answers.push_back(std::filesystem::path(argv[1]));
  form.mnuopen_Click();
  view.optch_selected = 1;  // All
  form.optch_Click(1);
  desktop.export_answers.push_back(settings);
  form.mnuexport_Click();
  runner.Join();
  window_thread.Deliver();

  for (const testing::FakeDesktop::Message& message : desktop.messages) {
    std::fprintf(stderr, "velbrix_window_export_probe: the window said: %s\n",
                 message.text.c_str());
  }
  return desktop.messages.empty() && desktop.export_dialogs.size() == 1 ? 0 : 1;
}
