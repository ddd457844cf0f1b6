// The controller of the converter window FrmFle: its state and the handlers of its events.
//
// A real window creates its controls, constructs an FrmFle with itself as the view, its toolkit's
// Desktop and a BackgroundRunner that posts to the window's thread, calls Form_Load once before it
// is first shown, and then calls the handler of each user event
// (mnuopen_Click for File > Open, optch_Click with the button's Index, LstCh_Click, CmdOk_Click,
// CmdCancel_Click; mnuexport_Click, mnutraces_Click and mnufolder_Click for the File menu's items
// after Open; Form_Escape for the Escape key, Form_QueryUnload when the user closes the window)
// and Form_Unload as it is destroyed. The controller does not draw and does not know any toolkit.
//
// File > View Traces opens the trace window on the opened recording (or brings it forward); while
// it is open, it follows the recording opened and the channel selected, and otherwise nothing is
// shown of them. Each File > Open reads the recording afresh, also the one already shown, which may
// have grown since.
//
// File > Export... shows the Export dialog with the last entries (remembered for the user from one
// window to the next) and asks again, as typed, until they are right or the dialog is cancelled
// (export_plan.h); it then exports the recording's chosen channels as EDF or BrainVision files into
// AppDir, or into a BIDS dataset.
//
// A run (OK, or File > Export...) works on the runner's thread while the window shows
// the converting state with a progress bar; every handler runs on the window's thread, and so do
// the tasks that the run posts back (its progress and its end). During a run, Escape or closing
// the window asks whether to stop it; Yes stops it within a fraction of a second, with every file
// as it was, and returns to Idle or, after a close, closes the window. A run that ends on its own
// while the question is shown counts as finished. A run that waits for another run's lock on its
// output folder says so in LblFile (naming the lock's file, the whole text shown) until it goes on.
// A run that fails for a fault of the program (an exception) says so, with the fault's text.
#ifndef VELBRIX_WINDOW_CONVERTER_FRM_FLE_H_
#define VELBRIX_WINDOW_CONVERTER_FRM_FLE_H_

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/base/recording_name.h"
#include "core/convert/conversion.h"
#include "window/converter/background_runner.h"
#include "window/converter/desktop.h"
#include "window/converter/frm_fle_view.h"

namespace velbrix {

// Texts the window shows at run time.
inline constexpr char kIdleFileText[] = "File Opened - None";
inline constexpr char kOpenedFilePrefix[] = "File Opened - ";
inline constexpr char kTitleText[] = "ASCCII-DECIMAL FILECONVERTER";
inline constexpr char kLoadingText[] = "LOADING THE FILES....";
// The open dialog's list of file types.
inline const std::vector<FileFilter> kOpenFilters{{"All Files", "*.*"}};
inline constexpr char kStopQuestion[] =
    "Stop the conversion? Files that were already there stay as they were.";
// The folder in the user's documents folder into which an installed copy writes.
inline constexpr char kInstalledOutputFolder[] = "Velbrix";

// The window state, as long-lived as the window.
struct FrmFleState {
  std::filesystem::path FlePath;  // the opened recording; set only by a successful open
  std::filesystem::path FleName;  // its file name, the part after the last separator
  std::string ChName;             // the selected channel; empty: nothing to convert
  std::string ChPos;              // its record position, "1" .. "32"
  bool AllCh = false;             // convert all 32 channels rather than ChName
  // The output folder, ending in a separator: the program's folder, or for an installed copy the
  // folder Velbrix in the user's documents folder, which is created when it is first needed.
  std::filesystem::path AppDir;
};

class FrmFle {
 public:
  // `view`, `desktop` and `runner` must outlive the controller. The runner runs only this
  // controller's work.
  FrmFle(FrmFleView& view, Desktop& desktop, BackgroundRunner& runner)
      : view_(view), desktop_(desktop), runner_(runner) {}
  // As Form_Unload: a run still working ends before the controller goes.
  ~FrmFle();
  FrmFle(const FrmFle&) = delete;
  FrmFle& operator=(const FrmFle&) = delete;

  // Event handlers.
  void Form_Load();
  void mnuopen_Click();
  void optch_Click(std::int16_t Index);
  void LstCh_Click();
  void CmdOk_Click();
  void CmdCancel_Click();
  void mnuexport_Click();  // File > Export...
  void mnutraces_Click();  // File > View Traces
  void mnufolder_Click();  // File > Open Output Folder
  void Form_Escape();
  // Whether the window may close now. During a run it asks whether to stop; the window then closes
  // once the run has ended (CloseWindow), or stays on No.
  bool Form_QueryUnload();
  // The window is going away: a run still working is asked to stop, without a question, and this
  // waits for its work to end (within a fraction of a second, but for a wait for another run's
  // lock); its end is not shown, and tasks that it posted and that still come do nothing.
  void Form_Unload();

  const FrmFleState& state() const { return state_; }
  // Whether a run is working.
  bool converting() const { return run_ != nullptr; }

 private:
  // How a run ended, and what the user is told of it once back in Idle ("" for nothing).
  struct RunEnd {
    Status status;
    std::string note;
  };
  // What the background thread and the window's thread share of one run.
  struct Run {
    int posted_percent = -1;     // the background thread's
    RunEnd end;                  // set by the background thread before it posts the end
    bool waiting_shown = false;  // the window's thread's: LblFile tells of a wait for a lock
  };
  using Job = std::function<RunEnd(const ProgressCallback& progress, const StopRequest& stop,
                                   const LockWaitReporter& lock_wait)>;

  void ShowConverting();
  // Shows the converting state and runs `job` in the background. An exception that leaves `job`
  // ends the run as an internal fault.
  void StartRun(Job job);
  void PostProgress(const std::shared_ptr<Run>& run, std::uint64_t read, std::uint64_t total);
  void RunEnded(const std::shared_ptr<Run>& run);
  // Back to Idle after the run's end, with its failure or its note.
  void FinishRun();
  bool AskToStop();

  void FillChList();
  void SetFleName(const std::filesystem::path& path);
  // A selection from code runs the control's click handler, as a user's click would.
  void SelectOptch(std::int16_t Index);
  void SelectLstCh(int index);
  void ReturnToIdle();
  // The trace window's recording and highlighted channel (none while "All" is chosen), and that
  // subject shown in the trace window if it is open, read afresh with `reread`.
  TraceSubject CurrentTraceSubject() const;
  void UpdateTraces(bool reread = false);
  // Creates an installed copy's AppDir where it does not exist yet (a portable copy's is the
  // program's own folder). On failure, shows a message that names the folder and the system's
  // reason, and returns false.
  bool MakeAppDir();
  // Enables the File menu's items after Open as the state allows: Export while a recording is
  // open, View Traces once one has been opened, Open Output Folder always.
  void UpdateMenuItems();

  FrmFleView& view_;
  Desktop& desktop_;
  BackgroundRunner& runner_;
  FrmFleState state_;
  bool app_dir_in_documents_ = false;
  Converter converter_;              // used by the background thread during a text run
  std::shared_ptr<Run> run_;         // the run working, or none
  bool asking_ = false;              // the question whether to stop is shown
  bool ended_while_asking_ = false;  // the run's end arrived meanwhile
  bool close_when_ended_ = false;    // the user closed the window and chose to stop
  ExportSettings export_settings_;   // as last entered, or remembered from an earlier window
};

// The folder `folder` with a separator at its end, unless it ends in one already.
std::filesystem::path WithTrailingSeparator(const std::filesystem::path& folder);

// The part of `path` after its last separator ("/" on POSIX systems, "\" or "/" on Windows), or
// the whole path when it holds none.
std::filesystem::path FileNamePart(const std::filesystem::path& path);

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_CONVERTER_FRM_FLE_H_
