// The handlers of the converter window.
#include "window/converter/frm_fle.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <utility>
#include <vector>

#include "core/base/channel_table.h"
#include "core/base/hertz.h"
#include "core/convert/value_line.h"
#include "core/os/os_file_hooks.h"
#include "window/export/export_plan.h"

namespace velbrix {
namespace {

bool IsSeparator(std::filesystem::path::value_type c) {
#ifdef _WIN32
  return c == L'\\' || c == L'/';
#else
  return c == '/';
#endif
}

// The share of `total` that `read` is, in whole percent.
int Percent(std::uint64_t read, std::uint64_t total) {
  if (read >= total) {
    return 100;
  }
  return static_cast<int>(static_cast<double>(read) * 100.0 / static_cast<double>(total));
}

}  // namespace

std::filesystem::path WithTrailingSeparator(const std::filesystem::path& folder) {
  const auto& text = folder.native();
  if (text.empty() || IsSeparator(text.back())) {
    return folder;
  }
  auto with = text;
  with += std::filesystem::path::preferred_separator;
  return std::filesystem::path(with);
}

std::filesystem::path FileNamePart(const std::filesystem::path& path) {
  const auto& text = path.native();
  for (auto i = text.size(); i > 0; --i) {
    if (IsSeparator(text[i - 1])) {
      return std::filesystem::path(text.substr(i));
    }
  }
  return path;
}

void FrmFle::Form_Load() {
  view_.BringToTop();
  FillChList();
  // A portable copy writes beside itself, as the program always has; an installed copy's folder
  // is the system's, no place for a user's files.
  const std::filesystem::path documents =
      desktop_.IsInstalledCopy() ? desktop_.DocumentsFolder() : std::filesystem::path();
  app_dir_in_documents_ = !documents.empty();
  state_.AppDir = WithTrailingSeparator(app_dir_in_documents_ ? documents / kInstalledOutputFolder
                                                              : desktop_.ProgramFolder());
  if (std::optional<ExportSettings> remembered = desktop_.LoadExportSettings()) {
    export_settings_ = std::move(*remembered);
    CutToRememberedLength(&export_settings_);  // a store edited by hand may hold anything
  }
  UpdateMenuItems();
}

void FrmFle::FillChList() {
  for (int i = 0; i < static_cast<int>(kChannelCount); ++i) {
    view_.AppendLstCh(std::string(ChannelAtListIndex(i).name));
  }
}

void FrmFle::mnuopen_Click() {
  if (run_) {
    return;  // the File menu is shut during a run
  }
  try {
    const std::optional<std::filesystem::path> chosen = desktop_.ChooseFileToOpen(kOpenFilters);
    if (!chosen) {
      return;  // closed without a choice
    }
    if (!HasRecordingName(*chosen)) {
      desktop_.ShowMessage(kNotValidText, MessageIcon::kInformation);
      return;
    }
    state_.FlePath = *chosen;
    SetFleName(*chosen);
    UpdateTraces(true);  // the selections below update the highlighted channel
    view_.SetLblFileCaption(kOpenedFilePrefix + PathForDisplay(state_.FleName));
    view_.ShowFraCh(true);
    SelectOptch(0);
    SelectLstCh(0);
    UpdateMenuItems();
  } catch (const std::exception&) {
    // A name the system cannot represent, say: the command ends quietly, as it always has.
  }
}

void FrmFle::SetFleName(const std::filesystem::path& path) {
  state_.FleName = FileNamePart(path);
}

void FrmFle::optch_Click(std::int16_t Index) {
  state_.AllCh = Index != 0;
  view_.EnableLstCh(!state_.AllCh);
  UpdateTraces();
}

void FrmFle::LstCh_Click() {
  state_.ChName = view_.LstChText();
  if (const std::optional<int> position = FindChannelPosition(state_.ChName)) {
    state_.ChPos = std::to_string(*position);
  }
  UpdateTraces();
}

void FrmFle::CmdOk_Click() {
  if (state_.ChName.empty() || run_) {
    return;
  }
  ShowConverting();
  if (!MakeAppDir()) {
    ReturnToIdle();
    return;
  }
  std::string separator = desktop_.DecimalSeparator();
  if (!ValueLineTable::Check(separator).ok()) {
    separator = ".";
  }
  const ConversionInputs inputs{state_.FlePath, state_.AppDir, state_.FleName, state_.AllCh,
                                state_.ChName,  state_.ChPos,  separator};
  StartRun([this, inputs](const ProgressCallback& progress, const StopRequest& stop,
                          const LockWaitReporter& lock_wait) {
    ConversionReport report;
    RunEnd end{converter_.RunConversion(inputs, &report, progress, &stop, lock_wait), {}};
    if (end.status.ok() && report.bytes_left_out > 0) {
      end.note = AsSentence(LeftOutDescription(inputs.FlePath, report.bytes_left_out));
    }
    for (const std::string& note :
         end.status.ok() ? report.left_alone : std::vector<std::string>()) {
      end.note += (end.note.empty() ? "" : " ") + AsSentence(note);
    }
    return end;
  });
}

void FrmFle::CmdCancel_Click() {
  view_.ShowFraCh(false);
  view_.SetLblFileCaption(kIdleFileText);
  view_.SetLabel1Caption(kTitleText);
  state_.ChName.clear();
  UpdateMenuItems();
  UpdateTraces();
}

void FrmFle::mnuexport_Click() {
  if (state_.ChName.empty() || run_) {
    return;
  }
  std::vector<int> positions;
  if (state_.AllCh) {
    positions.assign(kAllPositions.begin(), kAllPositions.end());
  } else if (const std::optional<int> position = FindChannelPosition(state_.ChName)) {
    positions.push_back(*position);
  }
  // Asked again, as entered, until the entries are right or the dialog is cancelled.
  ExportRequest plan;
  for (;;) {
    const std::optional<ExportSettings> answer = desktop_.AskExportSettings(export_settings_);
    if (!answer) {
      return;
    }
    export_settings_ = TrimmedSettings(*answer);
    desktop_.SaveExportSettings(export_settings_);
    const Status status = PlanExport(export_settings_, state_.FlePath, state_.AppDir,
                                     state_.FleName, positions, desktop_.DecimalSeparator(), &plan);
    if (status.ok()) {
      break;
    }
    desktop_.ShowMessage(status.message(), MessageIcon::kWarning);
  }
  ShowConverting();
  if (!IsBids(plan.format) && !MakeAppDir()) {
    ReturnToIdle();
    return;
  }
  StartRun([plan = std::move(plan)](const ProgressCallback& progress, const StopRequest& stop,
                                    const LockWaitReporter& lock_wait) {
    RunEnd end;
    ExportReport report;
    ExportRequest request = plan;
    end.status = AddPlannedEvents(&request, &stop);
    if (end.status.ok()) {
      end.status = RunExport(request, &report, progress, &stop, lock_wait);
    }
    for (const std::string& note :
         end.status.ok() ? ExportNotes(plan.recording, report) : std::vector<std::string>()) {
      end.note += (end.note.empty() ? "" : " ") + AsSentence(note);
    }
    return end;
  });
}

void FrmFle::mnutraces_Click() {
  if (!state_.FlePath.empty()) {
    view_.ShowTraceWindow(CurrentTraceSubject(), TraceShow::kOpen);
  }
}

void FrmFle::mnufolder_Click() {
  if (MakeAppDir() && !desktop_.ShowFolder(state_.AppDir)) {
    desktop_.ShowMessage(
        "No file manager could show the output folder " + PathForDisplay(state_.AppDir) + ".",
        MessageIcon::kInformation);
  }
}

bool FrmFle::MakeAppDir() {
  if (!app_dir_in_documents_) {
    return true;
  }
  std::error_code error;
  std::filesystem::create_directories(state_.AppDir, error);
  if (error) {
    desktop_.ShowMessage(
        Status::IoError("Cannot create the folder", state_.AppDir, error.message()).message(),
        MessageIcon::kWarning);
    return false;
  }
  return true;
}

void FrmFle::Form_Escape() {
  if (!run_ || asking_ || runner_.stop_requested()) {
    return;
  }
  const bool stop = AskToStop();
  if (ended_while_asking_) {
    FinishRun();  // it counts as finished
  } else if (stop) {
    runner_.Stop();
  }
}

bool FrmFle::Form_QueryUnload() {
  if (!run_) {
    return true;
  }
  if (asking_) {
    return false;
  }
  if (!runner_.stop_requested()) {
    const bool stop = AskToStop();
    if (ended_while_asking_) {
      // It counts as finished; on Yes the window closes now, with nothing more to say.
      if (!stop) {
        FinishRun();
        return false;
      }
      run_.reset();
      ended_while_asking_ = false;
      return true;
    }
    if (!stop) {
      return false;
    }
    runner_.Stop();
  }
  close_when_ended_ = true;
  return false;
}

FrmFle::~FrmFle() {
  Form_Unload();
}

void FrmFle::Form_Unload() {
  if (run_) {
    runner_.Stop();
  }
  // The work uses this controller (its converter, its runner) until it has posted its end.
  runner_.Join();
  run_.reset();
}

bool FrmFle::AskToStop() {
  asking_ = true;
  const bool yes = desktop_.AskYesNo(kStopQuestion);
  asking_ = false;
  return yes;
}

void FrmFle::ShowConverting() {
  view_.ShowFraCh(false);
  view_.SetLabel1Caption(kLoadingText);
  view_.EnableMnuFile(false);
  view_.SetProgress(0);
  view_.ShowProgress(true);
}

void FrmFle::StartRun(Job job) {
  auto run = std::make_shared<Run>();
  run_ = run;
  runner_.Start(
      [this, run, job = std::move(job), recording = state_.FlePath](const StopRequest& stop) {
        const ProgressCallback progress = [this, run](std::uint64_t read, std::uint64_t total) {
          PostProgress(run, read, total);
        };
        // A wait for another run's folder lock shows in LblFile until the run goes on.
        const LockWaitReporter lock_wait = [this, run](const std::filesystem::path& lock) {
          runner_.Post([this, run, text = LockWaitMessage(lock)] {
            if (run == run_) {
              run->waiting_shown = true;
              view_.SetLblFileNotice(text);
            }
          });
        };
        try {
          run->end = job(progress, stop, lock_wait);
        } catch (const std::exception& e) {
          run->end = {Status::Internal(recording, e.what()), {}};
        } catch (...) {
          run->end = {Status::Internal(recording, "an exception of an unknown kind"), {}};
        }
        runner_.Post([this, run] { RunEnded(run); });
      });
}

void FrmFle::PostProgress(const std::shared_ptr<Run>& run, std::uint64_t read,
                          std::uint64_t total) {
  // Only whole percents reach the window: at most a hundred tasks however long the run.
  if (total == 0) {
    return;  // a recording of unknown size
  }
  const int percent = Percent(read, total);
  if (percent == run->posted_percent) {
    return;
  }
  run->posted_percent = percent;
  runner_.Post([this, run, percent] {
    if (run != run_) {
      return;
    }
    if (run->waiting_shown) {
      run->waiting_shown = false;
      view_.SetLblFileCaption(kOpenedFilePrefix + PathForDisplay(state_.FleName));
    }
    view_.SetProgress(percent);
  });
}

void FrmFle::RunEnded(const std::shared_ptr<Run>& run) {
  if (run != run_) {
    return;
  }
  if (asking_) {
    ended_while_asking_ = true;  // the answer decides what follows
    return;
  }
  if (close_when_ended_) {
    run_.reset();
    close_when_ended_ = false;
    view_.CloseWindow();
    return;
  }
  FinishRun();
}

void FrmFle::FinishRun() {
  const RunEnd end = std::move(run_->end);
  run_.reset();
  ended_while_asking_ = false;
  if (!end.status.ok() && !end.status.stopped()) {
    desktop_.ShowMessage(end.status.message(), MessageIcon::kWarning);
  }
  ReturnToIdle();
  if (!end.note.empty()) {
    desktop_.ShowMessage(end.note, MessageIcon::kInformation);
  }
}

void FrmFle::ReturnToIdle() {
  view_.ShowProgress(false);
  view_.EnableMnuFile(true);
  view_.SetLabel1Caption(kTitleText);
  view_.SetLblFileCaption(kIdleFileText);
  state_.ChName.clear();
  UpdateMenuItems();
  UpdateTraces();
}

TraceSubject FrmFle::CurrentTraceSubject() const {
  return {state_.FlePath, state_.FleName, state_.AllCh ? std::string() : state_.ChName};
}

void FrmFle::UpdateTraces(bool reread) {
  if (!state_.FlePath.empty() && view_.IsTraceWindowOpen()) {
    view_.ShowTraceWindow(CurrentTraceSubject(), reread ? TraceShow::kReread : TraceShow::kUpdate);
  }
}

void FrmFle::UpdateMenuItems() {
  view_.EnableMenuItem(MenuItem::kExport, !state_.ChName.empty());
  view_.EnableMenuItem(MenuItem::kViewTraces, !state_.FlePath.empty());
  view_.EnableMenuItem(MenuItem::kOpenOutputFolder, true);
}

void FrmFle::SelectOptch(std::int16_t Index) {
  view_.SelectOptch(Index);
  optch_Click(Index);
}

void FrmFle::SelectLstCh(int index) {
  view_.SelectLstCh(index);
  LstCh_Click();
}

}  // namespace velbrix
