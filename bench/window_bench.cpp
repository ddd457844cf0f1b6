// The window's runs, timed with the real controller and a view without a window.
#include "bench/window_bench.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "bench/bench_support.h"
#include "cli/batch.h"
#include "cli/options.h"
#include "cli/progress.h"
#include "core/base/channel_table.h"
#include "window/converter/frm_fle.h"

namespace velbrix::bench {
namespace {

using Clock = std::chrono::steady_clock;

// A window without a window: the controls show nothing, the desktop answers every question Yes,
// and the benchmark's thread runs the posted tasks as a window's event loop would. The work runs
// on the real BackgroundRunner.
class HeadlessView final : public FrmFleView, public Desktop {
 public:
  HeadlessView(std::filesystem::path recording, std::filesystem::path folder)
      : recording_(std::move(recording)), folder_(std::move(folder)) {}

  // The window thread's primitive for the runner.
  void Post(std::function<void()> task) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      tasks_.push_back(std::move(task));
    }
    ready_.notify_one();
  }

  // Runs the posted tasks until the run is over and the window back in Idle; `on_progress` sees
  // every percent that reaches the window.
  void RunUntilIdle(const std::function<void(int)>& on_progress = {}) {
    while (converting_) {
      std::function<void()> task;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [this] { return !tasks_.empty(); });
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
      task();
      if (on_progress && converting_) {
        on_progress(percent_);
      }
    }
  }

  // FrmFleView.
  void SetLblFileCaption(const std::string&) override {}
  void SetLblFileNotice(const std::string&) override {}
  void SetLabel1Caption(const std::string&) override {}
  void ShowFraCh(bool) override {}
  void EnableMnuFile(bool) override {}
  void EnableMenuItem(MenuItem, bool) override {}
  void EnableLstCh(bool) override {}
  void AppendLstCh(const std::string&) override {}
  void SelectLstCh(int) override {}
  std::string LstChText() const override { return "FP2"; }
  void SelectOptch(int) override {}
  void ShowProgress(bool visible) override { converting_ = visible; }
  void SetProgress(int percent) override { percent_ = percent; }
  void CloseWindow() override {}
  bool IsTraceWindowOpen() const override { return false; }
  void ShowTraceWindow(const TraceSubject&, TraceShow) override {}
  void BringToTop() override {}

  // Desktop.
  std::optional<std::filesystem::path> ChooseFileToOpen(const std::vector<FileFilter>&) override {
    return recording_;
  }
  void ShowMessage(const std::string& text, MessageIcon) override {
    std::fprintf(stderr, "velbrix_bench: %s\n", text.c_str());
    std::exit(1);
  }
  bool AskYesNo(const std::string&) override { return true; }
  std::optional<ExportSettings> AskExportSettings(const ExportSettings&) override {
    return std::nullopt;
  }
  std::optional<ExportSettings> LoadExportSettings() const override { return std::nullopt; }
  void SaveExportSettings(const ExportSettings&) override {}
  std::filesystem::path ProgramFolder() const override { return folder_; }
  bool IsInstalledCopy() const override { return false; }
  std::filesystem::path DocumentsFolder() const override { return {}; }
  bool ShowFolder(const std::filesystem::path&) override { return false; }
  std::string DecimalSeparator() const override { return "."; }

 private:
  std::filesystem::path recording_;
  std::filesystem::path folder_;
  bool converting_ = false;
  int percent_ = 0;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::function<void()>> tasks_;
};

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The window, with the recording opened and All chosen.
struct OpenedWindow {
  OpenedWindow(const std::filesystem::path& recording, const std::filesystem::path& dir)
      : view(recording, dir) {
    form.Form_Load();
    form.mnuopen_Click();
    form.optch_Click(1);
  }
  HeadlessView view;
  BackgroundRunner runner{[this](BackgroundRunner::Task task) { view.Post(std::move(task)); }};
  FrmFle form{view, view, runner};
};

}  // namespace

void PrintWindowRunCost(const std::filesystem::path& recording, const std::filesystem::path& dir,
                        int repeat) {
  cli::Options options;
  options.recordings = {recording};
  options.output_dir = dir;
  options.positions.assign(kAllPositions.begin(), kAllPositions.end());
  options.decimal_separator = ".";
  std::vector<double> window_times;
  std::vector<double> command_times;
  for (int i = 0; i < repeat; ++i) {
    {
      OpenedWindow window(recording, dir);
      const Clock::time_point start = Clock::now();
      window.form.CmdOk_Click();
      window.view.RunUntilIdle();
      window_times.push_back(SecondsSince(start));
    }
    cli::ProgressDisplay progress(stderr, false);
    const Clock::time_point start = Clock::now();
    if (cli::RunBatch(options, stderr, progress) != cli::kExitOk) {
      std::exit(1);
    }
    command_times.push_back(SecondsSince(start));
  }
  const double window = Median(window_times);
  const double command = Median(command_times);
  std::printf(
      "\nall 32 channels from the window's worker: %.3f s, from the command line: %.3f s, "
      "ratio %.3f (medians of %d, alternating)\n",
      window, command, window / command, repeat);
}

void PrintStopLatency(const std::filesystem::path& recording, const std::filesystem::path& dir) {
  std::printf(
      "\nstop of a run over all channels of a %.0f MiB recording, from the request to "
      "Idle with the temporaries gone:\n",
      static_cast<double>(std::filesystem::file_size(recording)) / (1024.0 * 1024.0));
  for (const int at : {10, 50, 90}) {
    OpenedWindow window(recording, dir);
    window.form.CmdOk_Click();
    Clock::time_point requested{};
    window.view.RunUntilIdle([&](int percent) {
      if (percent >= at && requested == Clock::time_point{}) {
        requested = Clock::now();
        window.form.Form_Escape();  // answered Yes
      }
    });
    std::printf("  at %2d %%: %6.1f ms\n", at, SecondsSince(requested) * 1000.0);
  }
}

}  // namespace velbrix::bench
